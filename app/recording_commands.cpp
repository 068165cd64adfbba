#include "app/recording_commands.h"

#include "view/frame_readback.h"
#include "view/kinetta_view.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtGui/QOpenGLContext>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMessageBox>

namespace {

constexpr int kFramesPerSecond = 60;

glw::GlProc CurrentContextProc(const char* name)
{
    return QOpenGLContext::currentContext()->getProcAddress(name);
}

QString Seconds(std::int64_t frames)
{
    return QString::number(double(frames) / kFramesPerSecond, 'f', 1) + QStringLiteral(" s");
}

}  // namespace

CRecordingCommands::CRecordingCommands(QMainWindow& frame, CKinettaView& view,
                                       std::function<void(const QString&)> say,
                                       std::function<void()> changed)
    : QObject(&frame),
      m_frame(frame),
      m_view(view),
      m_say(std::move(say)),
      m_changed(std::move(changed))
{
}

CRecordingCommands::~CRecordingCommands()
{
    Stop();
}

void CRecordingCommands::Toggle()
{
    if (Recording()) {
        Stop();
        return;
    }
    const std::optional<VideoFormat> format = ChooseVideoFormat();
    if (!format) {
        QMessageBox::warning(&m_frame, QStringLiteral("Kinetta"),
                             QStringLiteral("Cannot record: this system's FFmpeg libraries have "
                                            "no H.264 or VP9 encoder."));
        return;
    }
    const QString extension = QString::fromStdString(format->extension);
    const QString path = QFileDialog::getSaveFileName(
        &m_frame, QStringLiteral("Record"),
        QDir::home().filePath(QStringLiteral("kinetta") + extension),
        QStringLiteral("%1 (*%2)").arg(QString::fromStdString(format->description), extension));
    if (path.isEmpty())
        return;
    std::string error;
    const QString chosen = QFileInfo(path).suffix().isEmpty() ? path + extension : path;
    if (!StartTo(QFile::encodeName(chosen).toStdString(), &error))
        QMessageBox::warning(&m_frame, QStringLiteral("Kinetta"),
                             QStringLiteral("Cannot record to %1.\n\n%2")
                                 .arg(chosen, QString::fromStdString(error)));
}

bool CRecordingCommands::StartTo(const std::string& path, std::string* error)
{
    if (Recording())
        Stop();
    const int width = m_view.ViewportWidth();
    const int height = m_view.ViewportHeight();
    if (width < 2 || height < 2) {
        if (error)
            *error = "the view is too small to record";
        return false;
    }
    VideoSettings settings;
    settings.path = path;
    settings.width = width;
    settings.height = height;
    settings.framesPerSecond = kFramesPerSecond;
    m_encoder = VideoEncoder::Open(settings, error);
    if (!m_encoder)
        return false;
    m_view.WithContext([this] { m_readback = std::make_unique<FrameReadback>(&CurrentContextProc); });
    m_path = path;
    m_startSteps = m_lastSteps = m_view.Stats().steps;
    m_failing = false;
    m_view.SetFrameTap([this] { OnFrame(); });
    m_say(QStringLiteral("Recording\u2026 0.0 s"));
    if (m_changed)
        m_changed();
    return true;
}

void CRecordingCommands::OnFrame()
{
    // One frame per step: a frame drawn without a step (paused, or a
    // repaint) is not a new moment of the world.
    const std::uint64_t steps = m_view.Stats().steps;
    if (!m_encoder || !m_readback || steps == m_lastSteps || m_failing)
        return;
    m_lastSteps = steps;
    std::optional<VideoFrame> frame = m_readback->Capture(
        m_view.ViewportWidth(), m_view.ViewportHeight(), std::int64_t(steps - m_startSteps));
    if (frame && !m_encoder->Push(std::move(*frame)))
        FailLater(m_encoder->Failure().value_or("the encoder stopped"));
    const std::int64_t recorded = std::int64_t(steps - m_startSteps);
    if (recorded % 6 == 0)
        m_say(QStringLiteral("Recording\u2026 ") + Seconds(recorded));
}

void CRecordingCommands::FailLater(const std::string& reason)
{
    // Not from inside a paint: the message box runs a loop of its own.
    m_failing = true;
    QTimer::singleShot(0, this, [this] {
        if (Recording())
            Stop();
    });
    (void)reason;
}

VideoResult CRecordingCommands::Stop()
{
    if (!Recording())
        return {};
    m_view.SetFrameTap({});
    m_view.WithContext([this] {
        if (std::optional<VideoFrame> last = m_readback->Drain())
            m_encoder->Push(std::move(*last));
        m_readback.reset();
    });
    // Without a context the buffers went with it; only the object is left.
    if (m_readback)
        m_readback->Abandon();
    m_readback.reset();
    const VideoResult result = m_encoder->Finish();
    m_encoder.reset();
    const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(m_path))).fileName();
    if (m_changed)
        m_changed();
    if (result.ok) {
        m_say(QStringLiteral("Recorded %1 (%2)").arg(name, Seconds(result.framesWritten)));
    } else {
        m_say(QStringLiteral("Recording stopped: %1").arg(name));
        QMessageBox::warning(
            &m_frame, QStringLiteral("Kinetta"),
            QStringLiteral("Recording to %1 stopped.\n\n%2\n\nThe %3 written before it plays.")
                .arg(name, QString::fromStdString(result.error), Seconds(result.framesWritten)));
    }
    return result;
}
