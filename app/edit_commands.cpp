#include "app/edit_commands.h"

#include "app/busy_cursor.h"
#include "app/world_commands.h"

#include "edit/body_clipboard.h"
#include "edit/body_edits.h"
#include "view/kinetta_view.h"

#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMainWindow>

#include <memory>

namespace {

QString EditName(const Edit* edit)
{
    return edit != nullptr
               ? QString::fromUtf8(edit->Name().data(), static_cast<qsizetype>(edit->Name().size()))
               : QString();
}

}  // namespace

CEditCommands::CEditCommands(QMainWindow& frame, CKinettaView& view,
                             std::function<void(const QString&)> showMessage)
    : QObject(&frame), m_view(view), m_showMessage(std::move(showMessage))
{
}

bool CEditCommands::HasSelection() const
{
    const WorldDocument* document = m_view.DocumentIfBuilt();
    return document != nullptr && document->Selection().Body() != nullptr;
}

bool CEditCommands::CanUndo() const
{
    const WorldDocument* document = m_view.DocumentIfBuilt();
    return document != nullptr && document->History().CanUndo();
}

bool CEditCommands::CanRedo() const
{
    const WorldDocument* document = m_view.DocumentIfBuilt();
    return document != nullptr && document->History().CanRedo();
}

void CEditCommands::Say(const QString& text) const
{
    if (m_showMessage)
        m_showMessage(text);
}

bool CEditCommands::RefuseWhileOpening() const
{
    // The open's world replaces this one when it ends: an edit made now
    // would be lost without a word.
    const QString refusal = StillOpeningText(m_view);
    if (refusal.isEmpty())
        return false;
    Say(refusal);
    return true;
}

void CEditCommands::Undo()
{
    if (RefuseWhileOpening())
        return;
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr)
        return;
    EditHistory& history = document->History();
    const QString name = EditName(history.NextUndo());
    if (history.Undo())
        Say(QStringLiteral("Undid %1").arg(name));
}

void CEditCommands::Redo()
{
    if (RefuseWhileOpening())
        return;
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr)
        return;
    EditHistory& history = document->History();
    const QString name = EditName(history.NextRedo());
    if (history.Redo())
        Say(QStringLiteral("Redid %1").arg(name));
}

QMimeData* CEditCommands::CopySelection(QString* failure) const
{
    const WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr || document->Selection().Body() == nullptr)
        return nullptr;
    const CopiedBody copied = CopyBodies(*document, document->Selection().Bodies());
    if (!copied.result.ok) {
        if (failure != nullptr)
            *failure = QString::fromStdString(copied.result.error);
        return nullptr;
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(kBulletMimeType), QByteArray::fromStdString(copied.bytes));
    data->setText(QString::fromStdString(copied.description));
    return data.release();
}

void CEditCommands::Copy()
{
    QString failure;
    QMimeData* data = CopySelection(&failure);
    if (data == nullptr) {
        if (!failure.isEmpty())
            Say(QStringLiteral("Kinetta could not copy the body: %1").arg(failure));
        return;
    }
    const QString text = data->text();
    // The clipboard takes the data over.
    QGuiApplication::clipboard()->setMimeData(data);
    Say(QStringLiteral("Copied %1").arg(text));
}

void CEditCommands::Cut()
{
    if (RefuseWhileOpening())
        return;
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr || document->Selection().Body() == nullptr)
        return;
    QString failure;
    QMimeData* data = CopySelection(&failure);
    if (data == nullptr) {
        // A cut that could not copy deletes nothing.
        Say(QStringLiteral("Kinetta could not cut the body: %1").arg(failure));
        return;
    }
    QGuiApplication::clipboard()->setMimeData(data);
    document->History().Push(RemoveBodies(*document, document->Selection().Bodies(),
                                          m_view.m_simulationState, "Cut"));
}

void CEditCommands::Delete()
{
    if (RefuseWhileOpening())
        return;
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr || document->Selection().Body() == nullptr)
        return;
    document->History().Push(RemoveBodies(*document, document->Selection().Bodies(),
                                          m_view.m_simulationState, "Delete"));
}

void CEditCommands::SelectAll()
{
    if (WorldDocument* document = m_view.DocumentIfBuilt())
        document->SelectAllMovable();
}

void CEditCommands::Duplicate()
{
    if (RefuseWhileOpening())
        return;
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr || document->Selection().Body() == nullptr)
        return;
    PastedBodies duplicated;
    {
        BusyCursor busy;
        duplicated = DuplicateBodies(*document, document->Selection().Bodies(),
                                     m_view.m_simulationState);
    }
    if (!duplicated.result.ok) {
        Say(QStringLiteral("Kinetta could not duplicate the selection: %1")
                .arg(QString::fromStdString(duplicated.result.error)));
        return;
    }
    Say(duplicated.count == 1 ? QStringLiteral("Duplicated 1 body")
                              : QStringLiteral("Duplicated %1 bodies").arg(duplicated.count));
}

void CEditCommands::Paste()
{
    PasteFrom(QGuiApplication::clipboard()->mimeData());
}

bool CEditCommands::PasteFrom(const QMimeData* data)
{
    if (RefuseWhileOpening())
        return false;
    const QString type = QString::fromLatin1(kBulletMimeType);
    if (data == nullptr || !data->hasFormat(type)) {
        Say(QStringLiteral("Nothing to paste: the clipboard holds no Bullet bodies"));
        return false;
    }
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr) {
        Say(QStringLiteral("Kinetta could not paste the clipboard: the 3D view could not be set up"));
        return false;
    }
    const QByteArray bytes = data->data(type);
    PastedBodies pasted;
    {
        BusyCursor busy;
        pasted =
            PasteBodies(*document,
                        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        m_view.Eye(), m_view.m_simulationState);
    }
    if (!pasted.result.ok) {
        Say(QStringLiteral("Kinetta could not paste the clipboard: %1")
                .arg(QString::fromStdString(pasted.result.error)));
        return false;
    }
    Say(pasted.count == 1 ? QStringLiteral("Pasted 1 body")
                          : QStringLiteral("Pasted %1 bodies").arg(pasted.count));
    return true;
}
