#include "app/frame_resources.h"

#include <array>

namespace {

using enum CommandId;

constexpr MenuItemResource kFileItems[] = {
    {FileNew, "&New\tCtrl+N"},
    {FileOpen, "&Open...\tCtrl+O"},
    {FileSave, "&Save\tCtrl+S"},
    {FileSaveAs, "Save &As..."},
    {FileExportPicture, "Export Pic&ture..."},
    {std::nullopt, ""},
    {FilePrint, "&Print...\tCtrl+P"},
    {FilePrintPreview, "Print Pre&view"},
    {FilePrintSetup, "P&rint Setup..."},
    {std::nullopt, ""},
    {AppExit, "E&xit"},
};
constexpr MenuItemResource kEditItems[] = {
    {EditUndo, "&Undo\tCtrl+Z"},   {EditRedo, "&Redo\tCtrl+Y"},   {std::nullopt, ""},
    {EditCut, "Cu&t\tCtrl+X"},     {EditCopy, "&Copy\tCtrl+C"},   {EditPaste, "&Paste\tCtrl+V"},
    {EditClear, "&Delete\tDel"},
};
constexpr MenuItemResource kInsertItems[] = {
    {InsertBox, "&Box"},         {InsertBall, "B&all"},   {InsertCylinder, "C&ylinder"},
    {InsertCapsule, "Ca&psule"}, {InsertCone, "C&one"},   {std::nullopt, ""},
    {InsertCan, "&Can"},         {InsertDie, "&Die"},     {InsertDomino, "Do&mino"},
    {std::nullopt, ""},          {InsertRamp, "&Ramp"},   {InsertWall, "&Wall"},
};
constexpr CommandId kInsertButtons[] = {
    InsertBox, InsertBall, InsertCylinder, InsertCapsule, InsertCone,
    InsertCan, InsertDie,  InsertDomino,   InsertRamp,    InsertWall,
};
constexpr MenuItemResource kViewItems[] = {
    {ViewToolbar, "&Toolbar"}, {ViewStatusBar, "&Status Bar"},  {std::nullopt, ""},
    {ViewTree, "&Tree"},       {ViewProperties, "&Properties"}, {ViewTools, "&Tools"},
    {ViewGraph, "&Graph"},
    {ViewDockPanes, "&Dock All Panes"},
};
constexpr MenuItemResource kSimulationItems[] = {
    {SimulationStart, "Start"},
    {SimulationPause, "&Pause"},
    {SimulationStop, "S&top"},
    {SimulationStep, "St&ep\tF8"},
    {std::nullopt, ""},
    {HistoryStepBack, "Step &Back\t,"},
    {HistoryStepForward, "Step For&ward\t."},
    {HistorySecondBack, "Second Bac&k\tShift+,"},
    {HistorySecondForward, "Second Forwar&d\tShift+."},
    {HistoryFirst, "&First Kept Moment\tHome"},
    {HistoryLast, "&Last Kept Moment\tEnd"},
    {std::nullopt, ""},
    {SimulationRecord, "&Record..."},
};
constexpr MenuItemResource kHelpItems[] = {
    {AppAbout, "&About Kinetta"},
};

constexpr MenuResource kMenu[] = {
    {"&File", kFileItems}, {"&Edit", kEditItems},
    {"&Insert", kInsertItems},
    {"&View", kViewItems}, {"&Simulation", kSimulationItems},
    {"&Help", kHelpItems},
};

constexpr QKeyCombination Keys(Qt::Modifier modifier, Qt::Key key)
{
    return QKeyCombination(modifier, key);
}

constexpr AcceleratorResource kAccelerators[] = {
    {Keys(Qt::CTRL, Qt::Key_C), EditCopy},
    {Keys(Qt::CTRL, Qt::Key_Insert), EditCopy},
    {Keys(Qt::SHIFT, Qt::Key_Delete), EditCut},
    {Keys(Qt::CTRL, Qt::Key_X), EditCut},
    {Keys(Qt::CTRL, Qt::Key_V), EditPaste},
    {Keys(Qt::SHIFT, Qt::Key_Insert), EditPaste},
    {Keys(Qt::ALT, Qt::Key_Backspace), EditUndo},
    {Keys(Qt::CTRL, Qt::Key_Z), EditUndo},
    {Keys(Qt::CTRL, Qt::Key_N), FileNew},
    {Keys(Qt::CTRL, Qt::Key_O), FileOpen},
    {Keys(Qt::CTRL, Qt::Key_P), FilePrint},
    {Keys(Qt::CTRL, Qt::Key_S), FileSave},
    {QKeyCombination(Qt::Key_F6), NextPane},
    {Keys(Qt::SHIFT, Qt::Key_F6), PrevPane},
    {QKeyCombination(Qt::Key_Return), SimulationStart},
    {QKeyCombination(Qt::Key_Escape), SimulationStop},
    {QKeyCombination(Qt::Key_Delete), EditClear},
    {Keys(Qt::CTRL, Qt::Key_Y), EditRedo},
    {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z), EditRedo},
    {QKeyCombination(Qt::Key_F8), SimulationStep},
    {QKeyCombination(Qt::Key_Comma), HistoryStepBack},
    {QKeyCombination(Qt::Key_Period), HistoryStepForward},
    // Shift+, types '<' on most layouts, and X reports that key.
    {Keys(Qt::SHIFT, Qt::Key_Less), HistorySecondBack},
    {Keys(Qt::SHIFT, Qt::Key_Comma), HistorySecondBack},
    {Keys(Qt::SHIFT, Qt::Key_Greater), HistorySecondForward},
    {Keys(Qt::SHIFT, Qt::Key_Period), HistorySecondForward},
    {QKeyCombination(Qt::Key_Home), HistoryFirst},
    {QKeyCombination(Qt::Key_End), HistoryLast},
    {Keys(Qt::CTRL, Qt::Key_A), EditSelectAll},
    {Keys(Qt::CTRL, Qt::Key_D), EditDuplicate},
};

constexpr std::optional<CommandId> kToolbar[] = {
    FileNew,         FileOpen,       FileSave,     FilePrint,    std::nullopt,
    EditCut,         EditCopy,       EditPaste,    std::nullopt, SimulationStart,
    SimulationPause, SimulationStop, SimulationStep, SimulationRecord, std::nullopt, AppAbout,
};

struct StringResource {
    CommandId id;
    const char* text;
};

// Start, Pause, Stop, Tree, Properties and Tools have no string.
constexpr StringResource kStrings[] = {
    {FileNew, "Create a new document\nNew"},
    {FileOpen, "Open an existing document\nOpen"},
    {FileSave, "Save the active document\nSave"},
    {FileSaveAs, "Save the active document with a new name\nSave As"},
    {FileExportPicture, "Save the view as a PNG picture at a size you choose\nExport Picture"},
    {FilePrintSetup, "Change the printer and printing options\nPrint Setup"},
    {FilePrint, "Print the active document\nPrint"},
    {FilePrintPreview, "Display full pages\nPrint Preview"},
    {FileRecent1, "Open this document"},
    {static_cast<CommandId>(ToInt(FileRecent1) + 1), "Open this document"},
    {static_cast<CommandId>(ToInt(FileRecent1) + 2), "Open this document"},
    {FileRecent4, "Open this document"},
    {EditCopy, "Copy the selection and put it on the Clipboard\nCopy"},
    {EditCut, "Cut the selection and put it on the Clipboard\nCut"},
    {EditPaste, "Insert Clipboard contents\nPaste"},
    {EditUndo, "Undo the last action\nUndo"},
    {EditRedo, "Redo the previously undone action\nRedo"},
    {EditClear, "Delete the selection\nDelete"},
    {EditSelectAll, "Select every body that can move\nSelect All"},
    {EditDuplicate, "Copy the selection and place the copy beside it\nDuplicate"},
    {InsertJointPoint, "Join the selected bodies at a point, free to turn every way\nPoint Joint"},
    {static_cast<CommandId>(ToInt(InsertJointPoint) + 1),
     "Join the selected bodies with a hinge turning about the line of sight\nHinge"},
    {static_cast<CommandId>(ToInt(InsertJointPoint) + 2),
     "Join the selected bodies with a slider along the line of sight\nSlider"},
    {static_cast<CommandId>(ToInt(InsertJointPoint) + 3),
     "Join the selected bodies rigidly\nFixed Joint"},
    {InsertJointSpring, "Join the selected bodies with a spring along the line of sight\nSpring"},
    {AppAbout, "Display program information, version number and copyright\nAbout"},
    {AppExit, "Quit the application; prompts to save documents\nExit"},
    {ViewToolbar, "Show or hide the toolbar\nToggle ToolBar"},
    {ViewStatusBar, "Show or hide the status bar\nToggle StatusBar"},
    {ViewGraph, "Show or hide the graph of the kept history; Ctrl+C in it copies its numbers\nGraph"},
    {ViewDockPanes, "Put every floating pane back where it was docked\nDock All Panes"},
    {SimulationStep, "Advance the simulation by one step\nStep"},
    {HistoryStepBack, "Show the kept step before this one, while paused\nStep Back"},
    {HistoryStepForward, "Show the kept step after this one, while paused\nStep Forward"},
    {HistorySecondBack, "Show the moment a simulated second earlier, while paused\nSecond Back"},
    {HistorySecondForward,
     "Show the moment a simulated second later, while paused\nSecond Forward"},
    {HistoryFirst, "Show the first kept moment, while paused\nFirst Kept Moment"},
    {HistoryLast, "Show the last kept moment, while paused\nLast Kept Moment"},
    {InsertBox, "Add a box of 1 m in front of the eye\nBox"},
    {InsertBall, "Add a ball of 1 m across in front of the eye\nBall"},
    {InsertCylinder, "Add an upright cylinder in front of the eye\nCylinder"},
    {InsertCapsule, "Add an upright capsule in front of the eye\nCapsule"},
    {InsertCone, "Add an upright cone in front of the eye\nCone"},
    {InsertCan, "Add a can like the tower's in front of the eye\nCan"},
    {InsertDie, "Add a die in front of the eye\nDie"},
    {InsertDomino, "Add a domino in front of the eye\nDomino"},
    {InsertRamp, "Add a static ramp, tilted 30 degrees, in front of the eye\nRamp"},
    {InsertWall, "Add a static wall in front of the eye\nWall"},
    {SimulationRecord, "Record a video of the view, 60 frames per simulated second; choose again "
                       "to stop\nRecord"},
};

}  // namespace

std::span<const MenuResource> MainMenu()
{
    return kMenu;
}

std::span<const CommandId> InsertButtons()
{
    return kInsertButtons;
}

std::span<const AcceleratorResource> Accelerators()
{
    return kAccelerators;
}

std::span<const std::optional<CommandId>> ToolbarButtons()
{
    return kToolbar;
}

QString CommandString(CommandId id)
{
    for (const StringResource& entry : kStrings)
        if (entry.id == id)
            return QString::fromUtf8(entry.text);
    return {};
}

QString PromptOf(CommandId id)
{
    const QString text = CommandString(id);
    return text.left(text.indexOf(QLatin1Char('\n')));
}

QString TooltipOf(CommandId id)
{
    const QString text = CommandString(id);
    const qsizetype lineBreak = text.indexOf(QLatin1Char('\n'));
    if (lineBreak < 0)
        return {};
    return text.mid(lineBreak + 1, kMaxTooltipLength);
}

QString FrameTitle()
{
    return QStringLiteral("Kinetta");
}

QString ReadyText()
{
    return QStringLiteral("Ready");
}
