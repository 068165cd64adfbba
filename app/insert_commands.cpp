#include "app/insert_commands.h"

#include "app/world_commands.h"
#include "edit/body_insertion.h"
#include "physics/throw_aim.h"
#include "view/kinetta_view.h"

#include <QtWidgets/QMainWindow>

CInsertCommands::CInsertCommands(QMainWindow& frame, CKinettaView& view,
                                 std::function<void(const QString&)> showMessage)
    : QObject(&frame), m_view(view), m_showMessage(std::move(showMessage))
{
}

bool CInsertCommands::IsInsert(CommandId id)
{
    return ToInt(id) >= ToInt(CommandId::InsertBox) && ToInt(id) <= ToInt(CommandId::InsertWall);
}

bool CInsertCommands::Insert(CommandId id)
{
    if (!IsInsert(id))
        return false;
    // The open's world replaces this one when it ends: the body would be
    // lost without a word.
    if (const QString refusal = StillOpeningText(m_view); !refusal.isEmpty()) {
        m_showMessage(refusal);
        return false;
    }
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr) {
        m_showMessage(QStringLiteral("Kinetta could not add the body: the 3D view could not be set up"));
        return false;
    }
    const auto which = static_cast<InsertedBody>(ToInt(id) - ToInt(CommandId::InsertBox));
    const CameraPose eye = m_view.Eye();
    InsertBody(*document, which, -eye.camPos, ViewDirection(eye), m_view.m_simulationState);
    m_showMessage(QStringLiteral("Inserted %1").arg(QString::fromUtf8(RecipeFor(which).name)));
    return true;
}
