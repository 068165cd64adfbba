#include "app/message_loop.h"
#include "app/app_module.h"
#include "app/run.h"

#include <gtest/gtest.h>
#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QMouseEvent>
#include <QtGui/QPaintEvent>
#include <QtWidgets/QWidget>

#include <thread>
#include <vector>

namespace {

const QEvent::Type kProbeEvent = static_cast<QEvent::Type>(QEvent::User + 17);

// Records the probe events it is shown and consumes them if told to.
class RecordingFilter : public CMessageFilter {
public:
    RecordingFilter(std::vector<int>& log, int id, bool consume)
        : m_log(log), m_id(id), m_consume(consume)
    {
    }
    bool FilterMessage(const Message& msg) override
    {
        if (msg.event->type() != kProbeEvent)
            return false;
        m_log.push_back(m_id);
        return m_consume;
    }

private:
    std::vector<int>& m_log;
    int m_id;
    bool m_consume;
};

class ProbeTarget : public QObject {
public:
    int received = 0;
    bool event(QEvent* e) override
    {
        if (e->type() == kProbeEvent) {
            ++received;
            return true;
        }
        return QObject::event(e);
    }
};

// Notes the time of every idle pass.
class TimedIdle : public CIdleHandler {
public:
    explicit TimedIdle(bool result) : m_result(result) { clock.start(); }
    bool DoIdle() override
    {
        passes.push_back(clock.elapsed());
        if (onFirstPass && passes.size() == 1)
            onFirstPass();
        return m_result;
    }
    QElapsedTimer clock;
    std::vector<qint64> passes;
    std::function<void()> onFirstPass;

private:
    bool m_result;
};

int CountBetween(const std::vector<qint64>& times, qint64 from, qint64 to)
{
    int n = 0;
    for (qint64 t : times)
        n += (t >= from && t < to) ? 1 : 0;
    return n;
}

}  // namespace

TEST(MessageLoop, LastFilterAddedIsAskedFirstAndConsumingStopsTheEvent)
{
    std::vector<int> log;
    RecordingFilter first(log, 1, false), second(log, 2, false), consumer(log, 3, true);
    ProbeTarget target;
    CMessageLoop loop;
    loop.AddFilter(&first);
    loop.AddFilter(&second);

    QTimer::singleShot(0, [&] {
        QCoreApplication::postEvent(&target, new QEvent(kProbeEvent));
        QTimer::singleShot(20, [&] {
            // Now a consumer joins last, so it is asked first.
            loop.AddFilter(&consumer);
            QCoreApplication::postEvent(&target, new QEvent(kProbeEvent));
            QTimer::singleShot(20, [] { QCoreApplication::exit(7); });
        });
    });
    EXPECT_EQ(loop.Run(), 7);

    EXPECT_EQ(log, (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(target.received, 1) << "the consumed event must not reach its target";
}

TEST(MessageLoop, RemovedFilterIsNoLongerAsked)
{
    std::vector<int> log;
    RecordingFilter filter(log, 1, true);
    ProbeTarget target;
    CMessageLoop loop;
    loop.AddFilter(&filter);
    EXPECT_TRUE(loop.RemoveFilter(&filter));
    EXPECT_FALSE(loop.RemoveFilter(&filter));

    QTimer::singleShot(0, [&] {
        QCoreApplication::postEvent(&target, new QEvent(kProbeEvent));
        QTimer::singleShot(10, [] { QCoreApplication::exit(0); });
    });
    loop.Run();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(target.received, 1);
}

// Asked first, it takes itself and the filter below it off the list, as a
// filter that ends a mode does; it consumes nothing.
class RemovingFilter : public CMessageFilter {
public:
    RemovingFilter(std::vector<int>& log, CMessageLoop& loop, CMessageFilter& alsoRemove)
        : m_log(log), m_loop(loop), m_alsoRemove(alsoRemove)
    {
    }
    bool FilterMessage(const Message&) override
    {
        m_log.push_back(9);
        m_loop.RemoveFilter(this);
        m_loop.RemoveFilter(&m_alsoRemove);
        return false;
    }

private:
    std::vector<int>& m_log;
    CMessageLoop& m_loop;
    CMessageFilter& m_alsoRemove;
};

TEST(MessageLoop, FiltersRemovedDuringTheWalkAreNotAskedAndTheRestAre)
{
    std::vector<int> log;
    RecordingFilter first(log, 1, false), second(log, 2, true);
    CMessageLoop loop;
    RemovingFilter remover(log, loop, second);
    loop.AddFilter(&first);
    loop.AddFilter(&second);
    loop.AddFilter(&remover);

    QEvent probe(kProbeEvent);
    EXPECT_FALSE(loop.PreTranslate(Message{nullptr, &probe}))
        << "the removed consumer must not have been asked";
    EXPECT_EQ(log, (std::vector<int>{9, 1}));

    log.clear();
    EXPECT_FALSE(loop.PreTranslate(Message{nullptr, &probe}));
    EXPECT_EQ(log, (std::vector<int>{1}));
}

// Mouse moves and paints arrive in bursts: they must not cause idle passes.
// A timer (or any other event) re-arms idle processing for exactly one pass.
class IdlePassTest : public ::testing::TestWithParam<bool> {};

TEST_P(IdlePassTest, OnePassPerReArmingEventNoneAfterMouseMovesOrPaints)
{
    QObject target;
    TimedIdle idle(GetParam());
    CMessageLoop loop;
    loop.AddIdle(&idle);

    qint64 timerFiredAt = -1;
    qint64 quitAt = -1;
    idle.onFirstPass = [&] {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::postEvent(
                &target, new QMouseEvent(QEvent::MouseMove, QPointF(i, i), QPointF(i, i),
                                         Qt::NoButton, Qt::NoButton, Qt::NoModifier));
            QCoreApplication::postEvent(&target, new QPaintEvent(QRect(0, 0, 4, 4)));
            QCoreApplication::postEvent(&target, new QEvent(QEvent::UpdateRequest));
        }
        QTimer::singleShot(100, [&] {
            timerFiredAt = idle.clock.elapsed();
            // The timer and this probe together arm one pass, not two.
            QCoreApplication::postEvent(&target, new QEvent(kProbeEvent));
            QTimer::singleShot(100, [&] {
                quitAt = idle.clock.elapsed();
                QCoreApplication::exit(0);
            });
        });
    };
    loop.Run();

    ASSERT_GE(timerFiredAt, 0);
    ASSERT_GE(quitAt, timerFiredAt);
    EXPECT_EQ(CountBetween(idle.passes, 0, timerFiredAt), 1)
        << "only the start pass before the timer";
    EXPECT_EQ(CountBetween(idle.passes, timerFiredAt, quitAt), 1)
        << "exactly one pass after the timer";
}

// An idle handler's own answer does not ask for another pass.
INSTANTIATE_TEST_SUITE_P(HandlerResult, IdlePassTest, ::testing::Bool());

TEST(MessageLoop, IdleNeutralEventsAreMotionAndPaintingOnly)
{
    EXPECT_TRUE(CMessageLoop::IsIdleNeutral(QEvent(QEvent::MouseMove)));
    EXPECT_TRUE(CMessageLoop::IsIdleNeutral(QEvent(QEvent::HoverMove)));
    EXPECT_TRUE(CMessageLoop::IsIdleNeutral(QEvent(QEvent::Paint)));
    EXPECT_TRUE(CMessageLoop::IsIdleNeutral(QEvent(QEvent::UpdateRequest)));
    EXPECT_FALSE(CMessageLoop::IsIdleNeutral(QEvent(QEvent::Timer)));
    EXPECT_FALSE(CMessageLoop::IsIdleNeutral(QEvent(QEvent::KeyPress)));
    EXPECT_FALSE(CMessageLoop::IsIdleNeutral(QEvent(QEvent::MouseButtonPress)));
}

TEST(AppModule, FindsEachThreadsLoopFromAnyThread)
{
    CAppModule module;
    module.Init();
    CMessageLoop mainLoop, workerLoop;
    ASSERT_TRUE(module.AddLoop(&mainLoop));
    const std::thread::id mainThread = std::this_thread::get_id();

    std::thread::id workerId;
    CMessageLoop* seenFromWorker = nullptr;
    std::thread worker([&] {
        workerId = std::this_thread::get_id();
        module.AddLoop(&workerLoop);
        seenFromWorker = module.GetLoop(mainThread);
        module.RemoveLoop();
    });
    worker.join();

    EXPECT_EQ(seenFromWorker, &mainLoop);
    EXPECT_EQ(module.GetLoop(workerId), nullptr) << "the worker removed only its own entry";
    EXPECT_EQ(module.GetLoop(), &mainLoop);
    EXPECT_EQ(module.MainThread(), mainThread);
    module.RemoveLoop();
    EXPECT_EQ(module.GetLoop(), nullptr);
    module.RemoveLoop();  // nothing left to remove: harmless
    module.Term();
}

TEST(Run, ReturnsZeroAndUnregistersTheLoopWhenTheFrameCannotBeCreated)
{
    g_module.Init();
    CMessageLoop* loopDuringCreation = nullptr;
    const int code = ::Run([&]() -> std::unique_ptr<QWidget> {
        loopDuringCreation = g_module.GetLoop();
        return nullptr;
    });
    EXPECT_EQ(code, 0);
    EXPECT_NE(loopDuringCreation, nullptr) << "the frame must find its loop while it is created";
    EXPECT_EQ(g_module.GetLoop(), nullptr) << "a dead loop must not stay registered";
    g_module.Term();
}

TEST(Run, ReturnsTheLoopsExitCodeAfterTheFrameCloses)
{
    g_module.Init();
    bool shown = false;
    const int code = ::Run([&]() -> std::unique_ptr<QWidget> {
        auto frame = std::make_unique<QWidget>();
        QTimer::singleShot(0, [&, widget = frame.get()] {
            shown = widget->isVisible();
            widget->close();
            QCoreApplication::exit(1);
        });
        return frame;
    });
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(shown);
    EXPECT_EQ(g_module.GetLoop(), nullptr);
    g_module.Term();
}
