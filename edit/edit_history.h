#pragma once
// Undo and redo of the user's edits to the world: pasting, cutting, deleting
// and moving bodies, and whatever else changes the world on purpose. Throws
// and steps are not edits. Plain C++, owned by the world document, which clears it
// when the world it refers to goes back or away (Stop, Open, New).
//
// How a piece pushes an edit: make the change first, then describe it as an
// Edit that can take it back (Undo) and make it again (Redo), and hand that
// to Push. For example, a drag that ends while Paused:
//
//     document.History().Push(MakeMoveEdit(document.World(), body, before, after, state));
//
// An edit may point at bodies: every edit pushed after it undoes first, so a
// body an edit names is in the world again by the time its Undo or Redo runs.
// An edit that holds a body out of the world owns it (see view/body_edits.h)
// and lets it go when it is destroyed; edits are destroyed newest first.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class Edit {
public:
    virtual ~Edit() = default;
    // What the edit did, for the user ("Paste", "Move").
    virtual std::string_view Name() const = 0;
    // Undo is only ever called on an edit that is done, Redo on one that
    // was undone; neither may push another edit.
    virtual void Undo() = 0;
    virtual void Redo() = 0;
};

class EditHistory {
public:
    static constexpr std::size_t kDefaultLimit = 100;

    explicit EditHistory(std::size_t limit = kDefaultLimit);
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // Records an edit that has just been made. The edits undone before it
    // can no longer be redone; beyond the limit, the oldest is forgotten.
    void Push(std::unique_ptr<Edit> done);

    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_edits.size(); }
    // The edit Undo or Redo would act on, or null.
    const Edit* NextUndo() const;
    const Edit* NextRedo() const;

    // False, doing nothing, when there is nothing to undo or redo.
    bool Undo();
    bool Redo();

    // Forgets every edit, newest first.
    void Clear();

    std::size_t Size() const { return m_edits.size(); }
    // Runs after every Push, Undo and Redo: the world has just been changed on purpose.
    void OnWorldEdited(std::function<void()> edited) { m_edited = std::move(edited); }
    // Changes whenever what Undo or Redo would do changes.
    std::uint64_t Revision() const { return m_revision; }

private:
    void DropFrom(std::size_t first);

    std::size_t m_limit;
    std::vector<std::unique_ptr<Edit>> m_edits;  // oldest first
    std::size_t m_done = 0;                      // edits [0, m_done) are done
    std::uint64_t m_revision = 0;
    bool m_busy = false;  // inside an Undo or Redo
    std::function<void()> m_edited;
};
