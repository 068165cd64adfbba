#include "app/joint_commands.h"

#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "common/kinetta_assert.h"
#include "edit/joint_edits.h"
#include "view/kinetta_view.h"

#include <QtGui/QAction>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>

namespace {

constexpr const char* kItemTexts[kJointTypeCount] = {"&Point", "&Hinge", "&Slider", "&Fixed",
                                                     "Sp&ring"};

}  // namespace

CJointCommands::CJointCommands(QMainWindow& frame, CKinettaView& view,
                               std::function<void(const QString&)> say,
                               std::function<bool()> opening)
    : QObject(&frame), m_view(view), m_say(std::move(say)), m_opening(std::move(opening))
{
}

void CJointCommands::AddInsertMenu(CFrameBars& bars)
{
    // The Insert menu and its bodies come from the frame's resources; the
    // joints are a submenu below them.
    for (QAction* title : bars.MenuBar()->actions())
        if (title->text() == QStringLiteral("&Insert"))
            m_insert = title->menu();
    KINETTA_ASSERT(m_insert != nullptr, "create the frame's menus before its joint commands");
    m_insert->addSeparator();
    m_joint = m_insert->addMenu(QStringLiteral("&Joint"));
    for (int t = 0; t < kJointTypeCount; ++t) {
        auto* item = new QAction(QString::fromUtf8(kItemTexts[t]), m_joint);
        // The id gives the item its prompt in the status bar.
        item->setData(ToInt(CommandId::InsertJointPoint) + t);
        connect(item, &QAction::triggered, this, [this, t] { Join(static_cast<JointType>(t)); });
        m_joint->addAction(item);
    }
    connect(m_joint, &QMenu::aboutToShow, this, [this] {
        const bool can = CanJoin();
        for (QAction* item : m_joint->actions())
            item->setEnabled(can);
    });
    bars.WatchMenu(*m_joint);
}

bool CJointCommands::CanJoin() const
{
    const WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr || (m_opening && m_opening()))
        return false;
    const std::size_t count = document->Selection().Count();
    return count == 1 || count == 2;
}

bool CJointCommands::Join(JointType type)
{
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr || (m_opening && m_opening())) {
        m_say(QStringLiteral("Kinetta cannot join bodies while a world opens"));
        return false;
    }
    const JoinResult joined =
        JoinSelected(*document, type, -m_view.Camera().camPos, m_view.m_simulationState);
    if (joined.joint == nullptr) {
        m_say(QStringLiteral("Kinetta could not join the bodies: %1")
                  .arg(QString::fromStdString(joined.refusal)));
        return false;
    }
    m_say(document->Selection().Count() == 1
              ? QStringLiteral("%1 joint ties the body to the world").arg(JointNounOf(type))
              : QStringLiteral("%1 joint joins the two bodies").arg(JointNounOf(type)));
    return true;
}
