#pragma once
// Every command of the menu, the toolbar and the accelerators. The numbers
// are the program's stable command identities: tests and the string table
// refer to them.

enum class CommandId : int {
    FileNew = 57600,
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    FilePrintSetup = 57606,
    FilePrint = 57607,
    FilePrintPreview = 57609,
    FileRecent1 = 57616,  // to FileRecent1 + 3: the recent files
    FileRecent4 = 57619,
    EditClear = 57632,  // Edit › Delete
    EditCopy = 57634,
    EditCut = 57635,
    EditPaste = 57637,
    EditUndo = 57643,
    EditRedo = 57644,
    EditSelectAll = 57642,
    AppAbout = 57664,
    AppExit = 57665,
    NextPane = 57680,
    PrevPane = 57681,
    ViewToolbar = 59392,
    ViewStatusBar = 59393,
    ViewProperties = 32778,
    ViewTools = 32779,
    ViewTree = 32780,
    SimulationStart = 32781,
    SimulationPause = 32782,
    SimulationStop = 32783,
    SimulationStep = 32784,
    FileExportPicture = 32790,
    SimulationRecord = 32791,
    ViewGraph = 32799,
    ViewDockPanes = 32792,  // View › Dock All Panes
    // Through the world's history, while paused.
    HistoryStepBack = 32800,
    HistoryStepForward = 32801,
    HistorySecondBack = 32802,
    HistorySecondForward = 32803,
    HistoryFirst = 32804,
    HistoryLast = 32805,
    EditDuplicate = 32793,
    InsertJointPoint = 32810,  // to InsertJointPoint + 4: the joint types in order
    InsertJointSpring = 32814,
    InsertBox = 32820,  // to InsertWall: the Insert menu's bodies, in its order
    InsertBall = 32821,
    InsertCylinder = 32822,
    InsertCapsule = 32823,
    InsertCone = 32824,
    InsertCan = 32825,
    InsertDie = 32826,
    InsertDomino = 32827,
    InsertRamp = 32828,
    InsertWall = 32829,
};

constexpr int ToInt(CommandId id)
{
    return static_cast<int>(id);
}
