#include "app/frame_bars.h"

#include "app/frame_images.h"
#include "app/frame_resources.h"
#include "app/status_pane.h"
#include "app/ui_state_table.h"

#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QFontMetrics>
#include <QtGui/QKeyEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>

namespace {

// Commands whose check mark the frame keeps.
bool HasCheckMark(CommandId id)
{
    switch (id) {
        case CommandId::ViewToolbar:
        case CommandId::ViewStatusBar:
        case CommandId::ViewTree:
        case CommandId::ViewProperties:
        case CommandId::ViewTools:
        case CommandId::ViewGraph:
        case CommandId::SimulationStart:
        case CommandId::SimulationPause:
        case CommandId::SimulationStop:
            return true;
        default:
            return false;
    }
}

// Index of the command's toolbar image, or -1.
int ToolbarImageIndex(CommandId id)
{
    int index = 0;
    for (const std::optional<CommandId>& button : ToolbarButtons()) {
        if (!button)
            continue;
        if (*button == id)
            return index;
        ++index;
    }
    return -1;
}

// Index of the command's image in the Insert strip, or -1.
int InsertImageIndex(CommandId id)
{
    const std::span<const CommandId> buttons = InsertButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == id)
            return static_cast<int>(i);
    return -1;
}

// A band of the top area: movable along it, never floating or docked
// elsewhere, and without Qt's context menu that could hide the menu bar.
QToolBar* NewBand(QMainWindow& frame, const QString& title, const QString& name)
{
    auto* band = new QToolBar(title, &frame);
    band->setObjectName(name);
    band->setMovable(true);
    band->setFloatable(false);
    band->setAllowedAreas(Qt::TopToolBarArea);
    band->setContextMenuPolicy(Qt::PreventContextMenu);
    return band;
}

}  // namespace

CFrameBars::CFrameBars(QMainWindow& frame, Handlers handlers)
    : QObject(&frame), m_handlers(std::move(handlers))
{
    CreateMenuBand(frame);
    CreateToolBand(frame);
    CreateInsertBand(frame);
    CreateStatusBar(frame);
    CreateAccelerators(frame);
}

QAction* CFrameBars::NewCommandAction(CommandId id, const QString& text, QObject* parent)
{
    auto* action = new QAction(text, parent);
    action->setData(ToInt(id));
    connect(action, &QAction::triggered, this, [this, id] {
        if (m_handlers.command)
            m_handlers.command(id);
    });
    return action;
}

void CFrameBars::CreateMenuBand(QMainWindow& frame)
{
    m_menuBand = NewBand(frame, QStringLiteral("Menu Bar"), QStringLiteral("menuBarBand"));
    m_menuBar = new QMenuBar(m_menuBand);
    m_menuBar->setNativeMenuBar(false);
    // Lets the band squeeze the bar below its full width: the bar then
    // offers the menus that no longer fit behind its own chevron.
    m_menuBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    for (const MenuResource& resource : MainMenu()) {
        QMenu* menu = m_menuBar->addMenu(QString::fromUtf8(resource.title));
        for (const MenuItemResource& item : resource.items) {
            if (!item.id) {
                menu->addSeparator();
                continue;
            }
            QAction* action = NewCommandAction(*item.id, QString::fromUtf8(item.text), menu);
            const int image = ToolbarImageIndex(*item.id);
            if (image >= 0)
                action->setIcon(ToolbarImage(image));
            else if (const int insert = InsertImageIndex(*item.id); insert >= 0)
                action->setIcon(InsertImage(insert));
            if (HasCheckMark(*item.id)) {
                action->setCheckable(true);
                // An icon would replace the tick with a framed picture.
                action->setIconVisibleInMenu(false);
            }
            menu->addAction(action);
        }
        WatchMenu(*menu);
    }
    if (auto* chevron = m_menuBar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
        chevron != nullptr && chevron->menu() != nullptr)
        WatchMenu(*chevron->menu());
    m_menuBand->addWidget(m_menuBar);
    frame.addToolBar(Qt::TopToolBarArea, m_menuBand);
}

void CFrameBars::CreateToolBand(QMainWindow& frame)
{
    frame.addToolBarBreak(Qt::TopToolBarArea);
    m_toolBand = NewBand(frame, QStringLiteral("Toolbar"), QStringLiteral("toolBarBand"));
    m_toolBand->setIconSize(QSize(kToolbarImageWidth, kToolbarImageHeight));
    m_toolBand->setToolButtonStyle(Qt::ToolButtonIconOnly);
    int image = 0;
    for (const std::optional<CommandId>& button : ToolbarButtons()) {
        if (!button) {
            m_toolBand->addSeparator();
            continue;
        }
        // The text is what the chevron menu shows; commands without a
        // string have none, and so no tooltip either.
        const QString tip = TooltipOf(*button);
        QAction* action = NewCommandAction(*button, tip, m_toolBand);
        action->setToolTip(tip);
        action->setIcon(ToolbarImage(image++));
        action->setCheckable(HasCheckMark(*button));
        m_toolBand->addAction(action);
    }
    m_toolChevron = m_toolBand->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
    if (m_toolChevron != nullptr)
        m_toolChevron->installEventFilter(this);
    frame.addToolBar(Qt::TopToolBarArea, m_toolBand);
}

void CFrameBars::CreateInsertBand(QMainWindow& frame)
{
    // On the toolbar's row, after it.
    m_insertBand = NewBand(frame, QStringLiteral("Insert"), QStringLiteral("insertBand"));
    m_insertBand->setIconSize(QSize(kToolbarImageWidth, kToolbarImageHeight));
    m_insertBand->setToolButtonStyle(Qt::ToolButtonIconOnly);
    int image = 0;
    for (const CommandId id : InsertButtons()) {
        const QString tip = TooltipOf(id);
        QAction* action = NewCommandAction(id, tip, m_insertBand);
        action->setToolTip(tip);
        action->setIcon(InsertImage(image++));
        m_insertBand->addAction(action);
    }
    frame.addToolBar(Qt::TopToolBarArea, m_insertBand);
}

void CFrameBars::CreateStatusBar(QMainWindow& frame)
{
    m_statusBar = new QStatusBar(&frame);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    // The prompt lives in a pane of its own: Qt's temporary messages cannot
    // show an empty text while a submenu is highlighted.
    m_statusText = new CStatusPane(ReadyText(), m_statusBar);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_statusBar->addWidget(m_statusText, 1);
    m_selectionText = new CStatusPane(QString(), m_statusBar);
    m_selectionText->setObjectName(QStringLiteral("selectionText"));
    m_selectionText->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_selectionText->hide();
    m_statusBar->addPermanentWidget(m_selectionText);
    frame.setStatusBar(m_statusBar);
}

void CFrameBars::CreateAccelerators(QMainWindow& frame)
{
    // No shortcut is set on them: the frame's message filter translates the
    // keys, whichever of its windows has the focus.
    for (const AcceleratorResource& accelerator : Accelerators())
        m_accelerators.append(NewCommandAction(
            accelerator.id, QKeySequence(accelerator.keys).toString(QKeySequence::NativeText),
            &frame));
}

QString CFrameBars::StatusText() const
{
    return m_statusText->Text();
}

void CFrameBars::ShowSelection(const QString& text)
{
    m_selectionText->SetText(text);
    // Room for the whole text and a little more, whatever the style adds
    // around a status bar item: the prompt pane gives way, never this one.
    const QFontMetrics metrics = m_selectionText->fontMetrics();
    m_selectionText->setMinimumWidth(metrics.horizontalAdvance(text) + 2 * metrics.averageCharWidth());
    m_selectionText->setVisible(!text.isEmpty());
}

QString CFrameBars::SelectionText() const
{
    return m_selectionText->Text();
}

void CFrameBars::ShowMessage(const QString& text)
{
    m_statusText->SetText(text);
}

QList<QMenu*> CFrameBars::Menus() const
{
    QList<QMenu*> menus;
    for (QAction* title : m_menuBar->actions())
        if (QMenu* menu = title->menu())
            menus.append(menu);
    return menus;
}

QList<QAction*> CFrameBars::MenuActions() const
{
    QList<QAction*> actions;
    for (QMenu* menu : Menus())
        actions += menu->actions();
    return actions;
}

QList<QAction*> CFrameBars::ToolActions() const
{
    return m_toolBand->actions();
}

QAction* CFrameBars::AcceleratorFor(const QKeyEvent& key) const
{
    constexpr Qt::KeyboardModifiers kCompared =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    // The keypad's Enter is the same key as Return here.
    const int code = key.key() == Qt::Key_Enter ? Qt::Key_Return : key.key();
    const Qt::KeyboardModifiers modifiers = key.modifiers() & kCompared;
    const auto accelerators = Accelerators();
    for (std::size_t i = 0; i < accelerators.size(); ++i) {
        const QKeyCombination keys = accelerators[i].keys;
        if (keys.key() == code && (keys.keyboardModifiers() & kCompared) == modifiers)
            return m_accelerators.at(static_cast<qsizetype>(i));
    }
    return nullptr;
}

void CFrameBars::WatchMenu(QMenu& menu)
{
    connect(&menu, &QMenu::aboutToShow, this, [this, &menu] {
        // The highlighted item is the submenu itself: no prompt.
        m_statusText->SetText(QString());
        if (m_handlers.menuOpening)
            m_handlers.menuOpening(menu);
    });
    connect(&menu, &QMenu::hovered, this, [this](QAction* item) { ShowPrompt(item); });
    connect(&menu, &QMenu::aboutToHide, this, [this] { ShowReadyWhenMenusClosed(); });
}

void CFrameBars::ShowPrompt(const QAction* item)
{
    const int id = item != nullptr && item->menu() == nullptr ? CommandOf(*item) : 0;
    m_statusText->SetText(id != 0 ? PromptOf(static_cast<CommandId>(id)) : QString());
}

void CFrameBars::ShowReadyWhenMenusClosed()
{
    // Moving from one menu to the next closes one popup before the other
    // opens: look again once the move is over.
    QTimer::singleShot(0, this, [this] {
        if (QApplication::activePopupWidget() == nullptr)
            m_statusText->SetText(ReadyText());
    });
}

void CFrameBars::SetRecentFiles(const QStringList& texts)
{
    QMenu* file = Menus().value(0);
    if (file == nullptr)
        return;
    for (QAction* item : std::as_const(m_recentItems))
        delete item;
    m_recentItems.clear();
    if (texts.isEmpty())
        return;
    // Between separators below Save As and Export Picture.
    const QList<QAction*> items = file->actions();
    QAction* before = nullptr;
    for (qsizetype i = 0; i + 1 < items.size(); ++i)
        if (CommandOf(*items[i]) == ToInt(CommandId::FileExportPicture))
            before = items[i + 1];
    m_recentItems.append(file->insertSeparator(before));
    const int count = ToInt(CommandId::FileRecent4) - ToInt(CommandId::FileRecent1) + 1;
    for (qsizetype i = 0; i < texts.size() && i < count; ++i) {
        const auto id = static_cast<CommandId>(ToInt(CommandId::FileRecent1) + int(i));
        QAction* item = NewCommandAction(id, texts[i], file);
        file->insertAction(before, item);
        m_recentItems.append(item);
    }
}

void CFrameBars::OpenFirstMenu()
{
    const QList<QAction*> titles = m_menuBar->actions();
    if (titles.isEmpty() || titles.front()->menu() == nullptr)
        return;
    QMenu* first = titles.front()->menu();
    if (m_menuBar->actionGeometry(titles.front()).isEmpty()) {
        // The bar is too narrow for File: its chevron holds every menu.
        auto* chevron = m_menuBar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
        if (chevron != nullptr && chevron->isVisible())
            chevron->showMenu();
        return;
    }
    // The keys go to the frame's own window while the menus have them, as
    // after Alt: the Esc that leaves the menu bar must reach the bar.
    if (QWindow* frameWindow = m_menuBar->window()->windowHandle())
        frameWindow->requestActivate();
    m_menuBar->setActiveAction(titles.front());
    for (QAction* item : first->actions()) {
        if (!item->isSeparator() && item->isVisible()) {
            first->setActiveAction(item);
            break;
        }
    }
}

void CFrameBars::ShowChevronMenu()
{
    QMenu menu;
    for (QAction* action : m_toolBand->actions()) {
        const QWidget* button = m_toolBand->widgetForAction(action);
        if (button == nullptr || !button->isHidden())
            continue;
        // Leading separators are dropped by the menu itself.
        menu.addAction(action);
    }
    if (menu.isEmpty())
        return;
    WatchMenu(menu);
    const QWidget* anchor =
        m_toolChevron != nullptr ? static_cast<QWidget*>(m_toolChevron) : m_toolBand;
    menu.exec(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

bool CFrameBars::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_toolChevron)
        return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                // Instead of Qt's expansion of the band over the window.
                ShowChevronMenu();
                return true;
            }
            return false;
        case QEvent::MouseButtonRelease:
            return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        default:
            return false;
    }
}
