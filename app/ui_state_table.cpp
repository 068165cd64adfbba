#include "app/ui_state_table.h"

#include <QtGui/QAction>

CUpdateUI::CUpdateUI()
    : m_entries{
          {CommandId::EditUndo, PopupMenu},
          {CommandId::EditRedo, PopupMenu},
          // Their toolbar buttons stay as drawn: only the menu items grey.
          {CommandId::EditCut, PopupMenu},
          {CommandId::EditCopy, PopupMenu},
          {CommandId::EditClear, PopupMenu},
          // Greyed while a file opens.
          {CommandId::EditPaste, PopupMenu},
          {CommandId::FileOpen, PopupMenu},
          {CommandId::FileSave, PopupMenu},
          {CommandId::FileSaveAs, PopupMenu},
          {CommandId::FileRecent1, PopupMenu},
          {static_cast<CommandId>(ToInt(CommandId::FileRecent1) + 1), PopupMenu},
          {static_cast<CommandId>(ToInt(CommandId::FileRecent1) + 2), PopupMenu},
          {CommandId::FileRecent4, PopupMenu},
          {CommandId::SimulationStep, PopupMenu},
          {CommandId::InsertBox, PopupMenu | Toolbar},
          {CommandId::InsertBall, PopupMenu | Toolbar},
          {CommandId::InsertCylinder, PopupMenu | Toolbar},
          {CommandId::InsertCapsule, PopupMenu | Toolbar},
          {CommandId::InsertCone, PopupMenu | Toolbar},
          {CommandId::InsertCan, PopupMenu | Toolbar},
          {CommandId::InsertDie, PopupMenu | Toolbar},
          {CommandId::InsertDomino, PopupMenu | Toolbar},
          {CommandId::InsertRamp, PopupMenu | Toolbar},
          {CommandId::InsertWall, PopupMenu | Toolbar},
          {CommandId::ViewToolbar, PopupMenu},
          {CommandId::ViewStatusBar, PopupMenu},
          {CommandId::ViewTree, PopupMenu},
          {CommandId::ViewProperties, PopupMenu},
          {CommandId::ViewTools, PopupMenu},
          {CommandId::ViewGraph, PopupMenu},
          // Greyed while no pane floats.
          {CommandId::ViewDockPanes, PopupMenu},
          {CommandId::SimulationStart, PopupMenu | Toolbar},
          {CommandId::SimulationPause, PopupMenu | Toolbar},
          {CommandId::SimulationStop, PopupMenu | Toolbar},
      }
{
}

CUpdateUI::Entry* CUpdateUI::Find(CommandId id)
{
    for (Entry& entry : m_entries)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

void CUpdateUI::UISetCheck(CommandId id, bool checked)
{
    // Marked even when unchanged: a checkable QAction flips its own check
    // when clicked, so the places may differ from the table.
    if (Entry* entry = Find(id)) {
        entry->checked = checked;
        entry->due = entry->places;
    }
}

void CUpdateUI::UIEnable(CommandId id, bool enabled)
{
    // Marked only on a change: asked on every idle pass, it must not make
    // the toolbar repaint each time.
    if (Entry* entry = Find(id); entry && entry->enabled != enabled) {
        entry->enabled = enabled;
        entry->due = entry->places;
    }
}

namespace {

template <typename Entry>
void Apply(const Entry& entry, const QList<QAction*>& actions)
{
    for (QAction* action : actions) {
        if (CommandOf(*action) != ToInt(entry.id))
            continue;
        action->setEnabled(entry.enabled);
        action->setChecked(entry.checked);
    }
}

}  // namespace

void CUpdateUI::UIUpdateMenu(const QList<QAction*>& actions) const
{
    for (const Entry& entry : m_entries)
        if (entry.places & PopupMenu)
            Apply(entry, actions);
}

void CUpdateUI::UIUpdateToolBar(const QList<QAction*>& actions)
{
    for (Entry& entry : m_entries) {
        if (!(entry.places & Toolbar) || !(entry.due & Toolbar))
            continue;
        Apply(entry, actions);
        entry.due &= ~Toolbar;
    }
}

int CommandOf(const QAction& action)
{
    return action.data().toInt();
}
