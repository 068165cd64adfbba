#pragma once
// The enabled and checked state of the commands whose state can change, and
// which places still have to show a change: menus take the state whenever
// they open, the toolbar when the frame is idle.

#include "app/command_ids.h"

#include <QtCore/QList>

#include <vector>

class QAction;

class CUpdateUI {
public:
    enum Place : unsigned { PopupMenu = 1u, Toolbar = 2u };

    CUpdateUI();

    // Ignored for commands that are not in the table.
    void UISetCheck(CommandId id, bool checked);
    void UIEnable(CommandId id, bool enabled);

    // Gives every table entry shown in menus to the actions among these that
    // carry its id (QAction::data).
    void UIUpdateMenu(const QList<QAction*>& actions) const;
    // Gives the changed toolbar entries to these actions, then forgets the changes.
    void UIUpdateToolBar(const QList<QAction*>& actions);

private:
    struct Entry {
        CommandId id;
        unsigned places;
        bool enabled = true;
        bool checked = false;
        unsigned due = 0;  // places still to be brought up to date
    };
    Entry* Find(CommandId id);

    std::vector<Entry> m_entries;
};

// The command id an action carries, or 0.
int CommandOf(const QAction& action);
