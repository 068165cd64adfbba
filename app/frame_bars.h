#pragma once
// The frame's bars: the menu bar in a movable band of its own, the toolbar
// band on the row below, the status bar with the menu prompts, and the
// accelerator actions. Every action carries its command id (QAction::data)
// and hands it to one command handler when triggered.

#include "app/command_ids.h"

#include <QtCore/QList>
#include <QtCore/QObject>

#include <functional>

class QAction;
class QKeyEvent;
class QMainWindow;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;
class QToolButton;
class CStatusPane;

class CFrameBars : public QObject {
public:
    struct Handlers {
        std::function<void(CommandId)> command;
        // A drop-down menu is about to open: the moment to give it its state.
        std::function<void(QMenu&)> menuOpening;
    };

    // Adds the bands and the status bar to frame.
    CFrameBars(QMainWindow& frame, Handlers handlers);

    QToolBar* MenuBand() const { return m_menuBand; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    QToolBar* ToolBand() const { return m_toolBand; }
    // The Insert commands' band, beside the toolbar.
    QToolBar* InsertBand() const { return m_insertBand; }
    QStatusBar* StatusBar() const { return m_statusBar; }
    QString StatusText() const;
    // The pane beside the prompt that names the selected body; an empty text
    // hides it.
    void ShowSelection(const QString& text);
    QString SelectionText() const;
    // A line in the prompt pane until the next prompt replaces it.
    void ShowMessage(const QString& text);

    // The top-level menus, File to Help.
    QList<QMenu*> Menus() const;
    // Items of every drop-down menu, separators included.
    QList<QAction*> MenuActions() const;
    // Toolbar buttons, separators included, in order.
    QList<QAction*> ToolActions() const;
    // The first accelerator that matches the key, or null.
    QAction* AcceleratorFor(const QKeyEvent& key) const;
    const QList<QAction*>& AcceleratorActions() const { return m_accelerators; }

    // The File menu's list of recent files below Save As, one item per
    // text, with the commands FileRecent1 onwards; none without texts.
    void SetRecentFiles(const QStringList& texts);

    // Opens the first menu with its first item highlighted, as F10 does.
    void OpenFirstMenu();

    // Shows the hidden toolbar buttons as a menu under the band's chevron;
    // the chosen one is triggered as if it had been clicked.
    void ShowChevronMenu();

    // Gives a menu added later the prompts and the opening handler the
    // band's own menus have.
    void WatchMenu(QMenu& menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenuBand(QMainWindow& frame);
    void CreateToolBand(QMainWindow& frame);
    void CreateInsertBand(QMainWindow& frame);
    void CreateStatusBar(QMainWindow& frame);
    void CreateAccelerators(QMainWindow& frame);
    QAction* NewCommandAction(CommandId id, const QString& text, QObject* parent);
    void ShowPrompt(const QAction* item);
    void ShowReadyWhenMenusClosed();

    Handlers m_handlers;
    QToolBar* m_menuBand = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolBand = nullptr;
    QToolBar* m_insertBand = nullptr;
    QToolButton* m_toolChevron = nullptr;
    QStatusBar* m_statusBar = nullptr;
    CStatusPane* m_statusText = nullptr;
    CStatusPane* m_selectionText = nullptr;
    QList<QAction*> m_accelerators;
    QList<QAction*> m_recentItems;  // a separator, then the files
};
