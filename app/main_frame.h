#pragma once
// The program's one top-level window: the menu and toolbar bands, the status
// bar and the 3D view between them. It routes every command by its id,
// translates the accelerators for all of its windows, keeps the check marks
// in step and drives the simulation tick with a 10 ms timer.

#include "app/command_ids.h"
#include "app/edit_commands.h"
#include "app/insert_commands.h"
#include "app/frame_bars.h"
#include "app/frame_panes.h"
#include "app/joint_commands.h"
#include "app/key_state_filter.h"
#include "app/keyboard_popups.h"
#include "app/message_loop.h"
#include "app/picture_commands.h"
#include "app/recording_commands.h"
#include "app/sstate/window_state_mgr.h"
#include "app/ui_state_table.h"
#include "app/world_commands.h"
#include "view/key_state.h"
#include "view/kinetta_view.h"

#include <QtCore/QBasicTimer>
#include <QtWidgets/QMainWindow>

#include <memory>

class CMainFrame : public QMainWindow, public CMessageFilter, public CIdleHandler {
public:
    // Null when the frame could not be created.
    static std::unique_ptr<CMainFrame> Create();
    ~CMainFrame() override;

    bool FilterMessage(const Message& msg) override;
    bool DoIdle() override;

    // Runs the command's handler: false when the command has none, and then
    // nothing happens.
    bool OnCommand(CommandId id);

    CKinettaView& View() { return m_view; }
    // The keys the view sees held.
    const KeyState& Keys() const { return m_keys; }
    QWidget* ViewContainer() const { return m_viewContainer; }
    CFrameBars& Bars() { return *m_bars; }
    CWorldCommands& World() { return *m_world; }
    CEditCommands& Edit() { return *m_edit; }
    CJointCommands& Joints() { return *m_joints; }
    CFramePanes& Panes() { return *m_panes; }
    CPictureCommands& Pictures() { return *m_pictures; }
    CRecordingCommands& Recording() { return *m_recording; }
    // The saved layout has been put back (it comes just after creation).
    bool LayoutRestored() const { return m_layoutRestored; }

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    CMainFrame();
    bool OnCreate();
    void OnDestroy();
    bool TranslateAccelerator(const Message& msg);
    bool TranslateMenuKey(const Message& msg);
    bool IsFrameKey(const Message& msg) const;
    bool ViewHasKeyboard() const;
    void ReturnFocusToView();
    void OnMenuOpening(QMenu& menu);
    void ShowBarChecks();
    void ShowEditStates();
    void LayoutNow();
    void ShowSelection();
    // Copy while the Graph pane has the keyboard: its numbers as CSV.
    void CopyGraph();
    // Opens the first world file of a drop on the frame or on its view.
    void OpenDropped(const QMimeData& data);

    // Command handlers, by the command table in main_frame.cpp.
    void OnFileNew(CommandId id);
    void OnFileOpen(CommandId id);
    void OnFileSave(CommandId id);
    void OnFileRecent(CommandId id);
    void OnFileExit(CommandId id);
    void OnViewToolbar(CommandId id);
    void OnViewStatusBar(CommandId id);
    void OnViewPane(CommandId id);
    void OnDockPanes(CommandId id);
    void OnSimulation(CommandId id);
    void OnEdit(CommandId id);
    void OnSimulationStep(CommandId id);
    void OnHistory(CommandId id);
    void OnAppAbout(CommandId id);
    void OnPicture(CommandId id);
    void OnRecord(CommandId id);
    void OnInsert(CommandId id);

    struct CommandEntry {
        CommandId id;
        void (CMainFrame::*handler)(CommandId);
    };
    static const CommandEntry kCommands[];

    // Declared before the view: the view polls it while it exists.
    KeyState m_keys;
    CKeyStateFilter m_keyFilter{m_keys, [this] { return ViewHasKeyboard(); }};
    // Held by value; the container below only hosts its native window.
    CKinettaView m_view{m_keys};
    QWidget* m_viewContainer = nullptr;
    CFrameBars* m_bars = nullptr;       // a child QObject of the frame
    CWorldCommands* m_world = nullptr;  // a child QObject of the frame
    CEditCommands* m_edit = nullptr;    // a child QObject of the frame
    CJointCommands* m_joints = nullptr;  // a child QObject of the frame
    CInsertCommands* m_insert = nullptr;  // a child QObject of the frame
    CKeyboardPopups* m_keyboardPopups = nullptr;  // a child QObject of the frame
    CFramePanes* m_panes = nullptr;     // a child QObject of the frame
    CPictureCommands* m_pictures = nullptr;  // a child QObject of the frame
    CRecordingCommands* m_recording = nullptr;  // a child QObject of the frame
    CUpdateUI m_ui;
    // The saved layout: restored once just after creation, saved on close.
    sstate::CWindowStateMgr m_layoutState;
    QBasicTimer m_tickTimer;
    // The selection the status pane last named, and that body's number.
    std::uint64_t m_shownSelection = 0;
    int m_shownBodyCount = 0;
    int m_selectedNumber = 0;
    bool m_destroyed = false;
    bool m_layoutRestored = false;
};
