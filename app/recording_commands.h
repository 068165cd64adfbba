#pragma once
// Simulation › Record: a video of the view as the world runs, one frame per
// simulation step at 60 frames per simulated second, so that it plays at the
// world's own speed however slowly the window ran. The frames are the ones
// the window showed, read back without stalling it; the encoder runs on its
// own thread. Record again, Stop, Open, New and closing the window end the
// video; a write that fails ends it too, with a message, and what was
// written still plays.

#include "media/video_encoder.h"

#include <QtCore/QObject>
#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CKinettaView;
class FrameReadback;
class QMainWindow;

class CRecordingCommands : public QObject {
public:
    // say puts a line in the status bar; changed runs when recording starts
    // or ends, for the frame's check marks. The view must outlive this.
    CRecordingCommands(QMainWindow& frame, CKinettaView& view,
                       std::function<void(const QString&)> say, std::function<void()> changed);
    // Ends a recording still running.
    ~CRecordingCommands() override;

    bool Recording() const { return m_encoder != nullptr; }
    // The Record command: asks for a file and starts, or ends the recording.
    void Toggle();
    // Without a dialog; false, with *error set, when the file cannot be made.
    bool StartTo(const std::string& path, std::string* error);
    // Ends the video and says where it went, or why it ended early. Nothing
    // while not recording.
    VideoResult Stop();
    // The file being written, or last written.
    const std::string& Path() const { return m_path; }

private:
    void OnFrame();
    void FailLater(const std::string& reason);

    QMainWindow& m_frame;
    CKinettaView& m_view;
    std::function<void(const QString&)> m_say;
    std::function<void()> m_changed;
    std::unique_ptr<VideoEncoder> m_encoder;
    // Made and deleted with the view's context current.
    std::unique_ptr<FrameReadback> m_readback;
    std::uint64_t m_startSteps = 0;
    std::uint64_t m_lastSteps = 0;
    std::string m_path;
    bool m_failing = false;
};
