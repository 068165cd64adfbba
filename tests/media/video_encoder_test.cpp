// The video encoder, read back by FFmpeg's own ffprobe: one frame per step
// with skipped steps filled in, the size and codec asked for, and a file cut
// short by a write that fails still playing up to where it ended.
#include "media/video_encoder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Probe {
    std::string codec;
    int width = 0;
    int height = 0;
    long frames = -1;
    std::string errors;  // what ffprobe said was wrong while decoding
};

// Decodes every frame, as a player would.
Probe ProbeVideo(const fs::path& path)
{
    Probe probe;
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 "
                                "-show_entries stream=codec_name,width,height,nb_read_frames "
                                "-of csv=p=0 '" + path.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return probe;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char codec[64] = {};
        if (std::sscanf(line, "%63[^,],%d,%d,%ld", codec, &probe.width, &probe.height,
                        &probe.frames) == 4)
            probe.codec = codec;
        else
            probe.errors += line;
    }
    pclose(pipe);
    return probe;
}

// A frame that changes from step to step, with noise that compresses badly.
VideoFrame Frame(int width, int height, std::int64_t step)
{
    VideoFrame frame{width, height, true, std::vector<std::uint8_t>(std::size_t(width) * height * 4),
                     step};
    std::uint32_t noise = std::uint32_t(step) * 2654435761u + 1;
    for (std::size_t i = 0; i < frame.rgba.size(); ++i) {
        noise = noise * 1664525u + 1013904223u;
        frame.rgba[i] = std::uint8_t((i / 4 % std::size_t(width)) + step * 3 + (noise >> 28));
    }
    return frame;
}

// Files of this process may grow no larger while it lives; writes beyond
// fail with EFBIG instead of the signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_bytes(bytes) {}
    bool Set()
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (getrlimit(RLIMIT_FSIZE, &m_before) != 0)
            return false;
        rlimit small = m_before;
        small.rlim_cur = m_bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &small) == 0;
        return m_set;
    }
    ~FileSizeLimit()
    {
        if (m_set)
            setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlim_t m_bytes;
    rlimit m_before{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_set = false;
};

struct ScratchFolder {
    ScratchFolder() : path(fs::temp_directory_path() / ("kinetta-video-" + std::to_string(getpid())))
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~ScratchFolder() { fs::remove_all(path); }
    fs::path path;
};

class VideoEncoderFormats : public ::testing::TestWithParam<bool> {};

// Both formats: the one this system's FFmpeg gives first, and VP9 in WebM,
// which a system without an H.264 encoder gets.
TEST_P(VideoEncoderFormats, WritesAFrameForEveryStepAtTheSizeAndCodecChosen)
{
    const bool allowH264 = GetParam();
    const std::optional<VideoFormat> format = ChooseVideoFormat(allowH264);
    ASSERT_TRUE(format) << "no H.264 or VP9 encoder";
    EXPECT_EQ(format->container, allowH264 ? "mp4" : "webm");
    ScratchFolder folder;
    const fs::path path = folder.path / ("steps" + format->extension);
    std::string error;
    // An odd width loses its last column: 4:2:0 needs even sides.
    VideoSettings settings{path.string(), 161, 120, 60, 4};
    settings.allowH264 = allowH264;
    auto encoder = VideoEncoder::Open(settings, &error);
    ASSERT_NE(encoder, nullptr) << error;
    EXPECT_EQ(encoder->Format().encoder, format->encoder);
    // Steps 10 to 69, then 75 to 99: the five skipped show the frame before.
    for (std::int64_t step = 10; step < 100; ++step) {
        if (step < 70 || step >= 75) {
            ASSERT_TRUE(encoder->Push(Frame(161, 120, step)));
        }
    }
    const VideoResult result = encoder->Finish();
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.framesWritten, 90);

    const Probe probe = ProbeVideo(path);
    EXPECT_EQ(probe.codec, format->encoder == "libx264" ? "h264" : "vp9");
    EXPECT_EQ(probe.width, 160);
    EXPECT_EQ(probe.height, 120);
    EXPECT_EQ(probe.frames, 90);
    EXPECT_EQ(probe.errors, "");

    // A name ending in .webm is a WebM file whatever comes first.
    auto named = VideoEncoder::Open({(folder.path / "named.WebM").string(), 64, 64}, &error);
    ASSERT_NE(named, nullptr) << error;
    EXPECT_EQ(named->Format().container, "webm");
    named->Finish();

    // A folder that is not there fails at once, saying so.
    EXPECT_EQ(VideoEncoder::Open({(folder.path / "none" / "v.mp4").string(), 64, 64}, &error),
              nullptr);
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST_P(VideoEncoderFormats, AFileCutShortByAFailingWriteStillPlaysWhatWasWritten)
{
    ScratchFolder folder;
    const fs::path path = folder.path / "cut.video";
    // A limit on file size fails writes as a full disk does.
    std::optional<FileSizeLimit> limit(std::in_place, 400 * 1024);
    ASSERT_TRUE(limit->Set());

    std::string error;
    VideoSettings settings{path.string(), 320, 240, 60, 8};
    settings.allowH264 = GetParam();
    auto encoder = VideoEncoder::Open(settings, &error);
    ASSERT_NE(encoder, nullptr) << error;
    std::int64_t step = 0;
    while (step < 1200 && encoder->Push(Frame(320, 240, step)))
        ++step;
    const VideoResult result = encoder->Finish();
    limit.reset();

    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("too large"), std::string::npos) << result.error;
    EXPECT_LT(step, 1200) << "the failure never reached Push";
    const Probe probe = ProbeVideo(path);
    EXPECT_EQ(probe.width, 320);
    // At least the first whole second, in its own fragment or cluster.
    EXPECT_GE(probe.frames, 60) << probe.errors;
}

INSTANTIATE_TEST_SUITE_P(BothFormats, VideoEncoderFormats, ::testing::Bool());

}  // namespace
