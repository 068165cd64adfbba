#pragma once
// Writes a video of RGBA frames through FFmpeg's libraries, on a thread of
// its own: Push hands a frame over and returns at once, and the thread
// converts, encodes and writes it. Frames are numbered in simulation steps,
// so the video plays at the simulation's own speed: frame n is shown at
// n / framesPerSecond seconds whatever the moment it was pushed.
//
// The file stays playable however the writing ends: MP4 is written in
// fragments (a moov box up front, then a fragment per second), WebM in
// clusters, and every packet goes to the system as soon as it is muxed. A
// killed process, a full disk or a lost folder leave the frames written up
// to the last complete fragment.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What this FFmpeg can write: H.264 in MP4 when an H.264 encoder (libx264)
// is installed, else VP9 in WebM; nothing when neither is.
struct VideoFormat {
    std::string encoder;    // FFmpeg's encoder name: "libx264" or "libvpx-vp9"
    std::string container;  // FFmpeg's muxer name: "mp4" or "webm"
    std::string extension;  // ".mp4" or ".webm"
    std::string description;  // "H.264 in MP4", for people
};
// Without allowH264, VP9 in WebM whatever is installed: the other path.
std::optional<VideoFormat> ChooseVideoFormat(bool allowH264 = true);

struct VideoSettings {
    std::string path;  // ending in .webm: VP9 in WebM whatever else is installed
    int width = 0;   // of the video; odd sizes lose their last column or row
    int height = 0;
    int framesPerSecond = 60;
    // Frames waiting for the encoder at most; Push waits beyond it, which
    // only a machine far too slow to encode at all ever sees.
    int queueFrames = 48;
    bool allowH264 = true;
};

// One picture to encode: RGBA rows of any size (it is scaled to the video's).
struct VideoFrame {
    int width = 0;
    int height = 0;
    bool bottomRowFirst = false;  // as OpenGL reads them back
    std::vector<std::uint8_t> rgba;
    std::int64_t step = 0;  // the frame's place in the video, in frames
};

struct VideoResult {
    bool ok = false;
    std::string error;            // why writing stopped early, for people
    std::int64_t framesWritten = 0;
};

class VideoEncoder {
public:
    // Opens the file and starts the thread; null, with *error set, when the
    // file cannot be made or no encoder fits.
    static std::unique_ptr<VideoEncoder> Open(const VideoSettings& settings, std::string* error);
    // Finishes, if Finish was not called.
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Steps must rise; a step skipped repeats the previous frame, so the
    // video keeps its pace. False once the writing has failed (Failure()).
    bool Push(VideoFrame frame);
    // Why writing stopped, once it has; the thread drops later frames.
    std::optional<std::string> Failure() const;
    // Encodes what is queued, ends the file and stops the thread. Once.
    VideoResult Finish();

    const VideoFormat& Format() const;

private:
    struct State;
    explicit VideoEncoder(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};
