#include "edit/edit_history.h"

#include "common/kinetta_assert.h"

#include <utility>

EditHistory::EditHistory(std::size_t limit) : m_limit(limit)
{
    KINETTA_ASSERT(limit > 0, "give the edit history room for one edit at least");
}

EditHistory::~EditHistory()
{
    Clear();
}

void EditHistory::Push(std::unique_ptr<Edit> done)
{
    KINETTA_ASSERT(done != nullptr, "push an edit");
    KINETTA_ASSERT(!m_busy, "do not push an edit from inside Undo or Redo");
    DropFrom(m_done);
    m_edits.push_back(std::move(done));
    if (m_edits.size() > m_limit)
        m_edits.erase(m_edits.begin());
    m_done = m_edits.size();
    ++m_revision;
    if (m_edited)
        m_edited();
}

const Edit* EditHistory::NextUndo() const
{
    return CanUndo() ? m_edits[m_done - 1].get() : nullptr;
}

const Edit* EditHistory::NextRedo() const
{
    return CanRedo() ? m_edits[m_done].get() : nullptr;
}

bool EditHistory::Undo()
{
    if (!CanUndo())
        return false;
    KINETTA_ASSERT(!m_busy, "do not undo from inside Undo or Redo");
    m_busy = true;
    m_edits[m_done - 1]->Undo();
    m_busy = false;
    --m_done;
    ++m_revision;
    if (m_edited)
        m_edited();
    return true;
}

bool EditHistory::Redo()
{
    if (!CanRedo())
        return false;
    KINETTA_ASSERT(!m_busy, "do not redo from inside Undo or Redo");
    m_busy = true;
    m_edits[m_done]->Redo();
    m_busy = false;
    ++m_done;
    ++m_revision;
    if (m_edited)
        m_edited();
    return true;
}

void EditHistory::Clear()
{
    KINETTA_ASSERT(!m_busy, "do not clear the history from inside Undo or Redo");
    if (m_edits.empty())
        return;
    DropFrom(0);
    m_done = 0;
    ++m_revision;
}

void EditHistory::DropFrom(std::size_t first)
{
    // Newest first: a newer edit may name a body an older one holds.
    while (m_edits.size() > first)
        m_edits.pop_back();
}
