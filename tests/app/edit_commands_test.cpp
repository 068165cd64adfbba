// The Edit commands in the real frame: their enabled states follow the
// selection and the history, Copy puts a Bullet world and a line of text on
// the system clipboard, Paste takes it back through the reader process, and
// a clipboard Kinetta cannot read changes nothing.

#include "app/main_frame.h"
#include "edit/body_clipboard.h"

#include <gtest/gtest.h>
#include <QtCore/QEventLoop>
#include <QtCore/QMimeData>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>

#include <memory>

namespace {

class EditCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_frame = CMainFrame::Create();
        ASSERT_NE(m_frame, nullptr);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->View().m_simulationState = SimulationState::Paused;
    }
    void TearDown() override { m_frame.reset(); }

    WorldDocument& TheScene() { return *m_frame->View().DocumentIfBuilt(); }
    int Bodies() { return m_frame->View().BodyCount(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&m_frame->View(), key, modifiers);
        m_frame->DoIdle();
    }
    // The enabled state the Edit menu shows when it opens.
    bool Enabled(CommandId id)
    {
        QMenu* edit = m_frame->Bars().Menus().at(1);
        edit->popup(m_frame->mapToGlobal(QPoint(10, 10)));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(edit));
        bool enabled = false;
        for (QAction* item : edit->actions())
            if (CommandOf(*item) == ToInt(id))
                enabled = item->isEnabled();
        edit->hide();
        return enabled;
    }

    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(EditCommandsTest, StatesFollowSelectionAndHistoryAndKeysCopyPasteUndoRedoDelete)
{
    m_frame->DoIdle();
    for (CommandId id : {CommandId::EditUndo, CommandId::EditRedo, CommandId::EditCut,
                         CommandId::EditCopy, CommandId::EditClear})
        EXPECT_FALSE(Enabled(id)) << ToInt(id) << " enabled with nothing to act on";
    EXPECT_TRUE(Enabled(CommandId::EditPaste));

    const int start = Bodies();
    btRigidBody* can = btRigidBody::upcast(TheScene().World().getCollisionObjectArray()[9]);
    TheScene().Selection().Select(can);
    m_frame->DoIdle();
    EXPECT_TRUE(Enabled(CommandId::EditCopy));
    EXPECT_TRUE(Enabled(CommandId::EditCut));
    EXPECT_TRUE(Enabled(CommandId::EditClear));

    Key(Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->data(kBulletMimeType).startsWith("BULLET"));
    EXPECT_TRUE(copied->text().startsWith("Can, 2 kg, at (")) << copied->text().toStdString();

    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Bodies(), start + 1);
    EXPECT_EQ(m_frame->Bars().StatusText(), "Pasted 1 body");
    EXPECT_NE(TheScene().Selection().Body(), can) << "the pasted copy is selected";
    Key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(Bodies(), start + 2);
    EXPECT_TRUE(Enabled(CommandId::EditUndo));

    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(Bodies(), start);
    EXPECT_EQ(m_frame->Bars().StatusText(), "Undid Paste");
    EXPECT_TRUE(Enabled(CommandId::EditRedo));
    Key(Qt::Key_Y, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Bodies(), start + 2);
    EXPECT_FALSE(Enabled(CommandId::EditRedo));

    // Del takes the selected body out; Stop forgets the history.
    TheScene().Selection().Select(can);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Bodies(), start + 1);
    EXPECT_EQ(TheScene().Selection().Body(), nullptr);
    EXPECT_FALSE(Enabled(CommandId::EditClear));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Enabled(CommandId::EditUndo));
    EXPECT_FALSE(Enabled(CommandId::EditRedo));
}

TEST_F(EditCommandsTest, AClipboardKinettaCannotReadSaysSoAndChangesNothing)
{
    const int start = Bodies();
    auto damaged = [](const QByteArray& bytes, const QString& text) {
        auto* data = new QMimeData;
        if (!bytes.isNull())
            data->setData(kBulletMimeType, bytes);
        data->setText(text);
        return data;
    };
    const struct {
        QMimeData* data;
        const char* says;
    } cases[] = {
        {damaged(QByteArray(), QStringLiteral("only text")), "Nothing to paste"},
        {damaged(QByteArray("BULLETf_v324 and then nothing a reader can use"), QString()),
         "Kinetta could not paste the clipboard: "},
        {damaged(QByteArray(100000, '\0'), QString()), "Kinetta could not paste the clipboard: "},
    };
    for (const auto& clip : cases) {
        QGuiApplication::clipboard()->setMimeData(clip.data);
        Key(Qt::Key_V, Qt::ControlModifier);
        const QString said = m_frame->Bars().StatusText();
        EXPECT_TRUE(said.startsWith(clip.says)) << said.toStdString();
        EXPECT_GT(said.size(), qsizetype(std::strlen(clip.says)) + 3) << "no reason given";
        EXPECT_EQ(Bodies(), start);
        EXPECT_FALSE(TheScene().History().CanUndo());
    }
}

}  // namespace
