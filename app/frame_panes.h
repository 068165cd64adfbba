#pragma once
// The frame's dock panes (Tree, Properties, Tools, Graph), their View
// commands and check marks, the speed shown in the status bar, and the
// panes' record in the saved layout. All panes start hidden. The panes are
// refreshed from the scene a few times a second while they show, never per
// body per tick.

#include "app/command_ids.h"
#include "app/graph_pane.h"
#include "app/sstate/qt_dock_panes.h"
#include "edit/slow_motion.h"
#include "edit/world_tree.h"

#include <QtCore/QObject>
#include <QtCore/QTimer>

#include <array>
#include <functional>
#include <memory>

class CKinettaView;
class CPropertiesPane;
class CToolsPane;
class CTreePane;
class QDockWidget;
class QKeyEvent;
class QLabel;
class QPoint;
class QMainWindow;

class CFramePanes : public QObject {
public:
    // command runs a frame command (the Tools pane's Step); changed tells
    // the frame that a pane was shown or hidden, so its checks follow.
    // graph gives the Graph pane its series and its scrub.
    CFramePanes(QMainWindow& frame, CKinettaView& view, std::function<void(CommandId)> command,
                std::function<void()> changed, CGraphPane::Sources graph);

    // ViewTree, ViewProperties, ViewTools or ViewGraph; null for any other command.
    QDockWidget* DockFor(CommandId id) const;
    bool IsShown(CommandId id) const;
    void Toggle(CommandId id);

    // Keys typed in a pane are the pane's, not the view's.
    bool HasFocus() const;
    // The Graph pane has the keyboard: Copy copies its numbers.
    bool GraphHasFocus() const;
    // A text field of a pane has the keyboard.
    bool EditingField() const;
    // The key is one that field keeps: its own editing keys, never the
    // frame's other shortcuts.
    bool FieldKeeps(const QKeyEvent& key) const;
    // A floated pane's own window, whose keys are the frame's too.
    bool IsPaneWindow(const QObject* window) const;

    // A floated pane goes back where it was docked. On Wayland the floating
    // pane's title is drawn by Qt's window decoration, which keeps every
    // click on it to move the window: neither a drag over the frame nor a
    // double-click on the title ever reaches the pane there. So each pane's
    // context menu offers Dock while it floats, and View offers Dock All.
    void Dock(QDockWidget& dock);
    void DockAll();
    bool AnyFloating() const;

    // The world changed at once (Stop, Open, New): the panes follow now.
    void RefreshNow();
    // The scene's selected body, and selecting one (null clears).
    btRigidBody* Selected() const;
    void Select(const btCollisionObject* body);

    void SetSpeed(SimulationSpeed speed);
    void SetDebugMode(int mode);

    // For the saved layout.
    std::shared_ptr<sstate::IPaneList> LayoutPanes();

    CTreePane* Tree() const { return m_tree; }
    CPropertiesPane* Properties() const { return m_properties; }
    CToolsPane* Tools() const { return m_tools; }
    CGraphPane* Graph() const { return m_graph; }
    QLabel* SpeedLabel() const { return m_speedLabel; }

private:
    // A pane of fields scrolls; a drawing fits itself to its dock instead.
    QDockWidget* NewDock(const QString& title, const QString& name, QWidget* content,
                         Qt::DockWidgetArea area, bool scrolls = true);
    void Refresh();
    void ShowPaneMenu(QDockWidget& dock, const QPoint& at);
    // The Tools pane's timeline over the world's history.
    void ShowHistorySpan();

    QMainWindow& m_frame;
    CKinettaView& m_view;
    std::function<void()> m_changed;
    std::array<QDockWidget*, 4> m_docks{};  // Tree, Properties, Tools, Graph
    CTreePane* m_tree = nullptr;
    CPropertiesPane* m_properties = nullptr;
    CToolsPane* m_tools = nullptr;
    CGraphPane* m_graph = nullptr;
    QLabel* m_speedLabel = nullptr;
    QTimer m_refresh;
    WorldTree m_snapshot;
};
