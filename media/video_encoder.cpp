#include "media/video_encoder.h"

#include "common/kinetta_assert.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <condition_variable>
#include <strings.h>
#include <deque>
#include <mutex>
#include <thread>

namespace {

std::string AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct FormatContextDeleter {
    void operator()(AVFormatContext* context) const
    {
        if (context->pb != nullptr)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

}  // namespace

std::optional<VideoFormat> ChooseVideoFormat(bool allowH264)
{
    // H.264 first: every player plays it. Debian's FFmpeg links libx264, but
    // a build without it (or a system that left it out) still has VP9.
    if (allowH264 && avcodec_find_encoder_by_name("libx264") != nullptr)
        return VideoFormat{"libx264", "mp4", ".mp4", "H.264 in MP4"};
    if (avcodec_find_encoder_by_name("libvpx-vp9") != nullptr)
        return VideoFormat{"libvpx-vp9", "webm", ".webm", "VP9 in WebM"};
    return std::nullopt;
}

struct VideoEncoder::State {
    VideoSettings settings;
    VideoFormat format;
    std::unique_ptr<AVFormatContext, FormatContextDeleter> muxer;
    std::unique_ptr<AVCodecContext, CodecContextDeleter> codec;
    AVStream* stream = nullptr;  // the muxer's
    std::unique_ptr<AVFrame, FrameDeleter> frame;
    std::unique_ptr<AVPacket, PacketDeleter> packet;
    std::unique_ptr<SwsContext, ScaleDeleter> scale;

    // Shared with the thread, under the lock.
    mutable std::mutex lock;
    std::condition_variable changed;
    std::deque<VideoFrame> queue;
    bool finishing = false;
    std::optional<std::string> failure;

    // The thread's own.
    std::int64_t firstStep = -1;
    std::int64_t lastPts = -1;
    std::int64_t framesWritten = 0;
    std::int64_t lastPushedStep = -1;  // Push's own, on the caller's thread
    bool finished = false;
    VideoResult result;
    std::thread thread;

    void Fail(std::string why)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (!failure)
                failure = std::move(why);
        }
        // Push may be waiting for room that will now never come.
        changed.notify_all();
    }
    bool Failed() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return failure.has_value();
    }

    // Sends the frame (or, for null, the end) and writes what comes out.
    bool Send(AVFrame* picture)
    {
        int status = avcodec_send_frame(codec.get(), picture);
        if (status < 0) {
            Fail("the encoder refused a frame: " + AvError(status));
            return false;
        }
        for (;;) {
            status = avcodec_receive_packet(codec.get(), packet.get());
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
                return true;
            if (status < 0) {
                Fail("the encoder failed: " + AvError(status));
                return false;
            }
            packet->duration = 1;  // one frame, in the codec's time base
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            status = av_interleaved_write_frame(muxer.get(), packet.get());
            if (status < 0 || muxer->pb->error < 0) {
                Fail("cannot write " + settings.path + ": " +
                     AvError(status < 0 ? status : muxer->pb->error));
                return false;
            }
        }
    }

    void Encode(const VideoFrame& input)
    {
        if (firstStep < 0)
            firstStep = input.step;
        const std::int64_t pts = input.step - firstStep;
        // A step that was never shown repeats the frame before it.
        while (lastPts >= 0 && lastPts + 1 < pts) {
            frame->pts = ++lastPts;
            if (!Send(frame.get()))
                return;
            ++framesWritten;
        }
        scale.reset(sws_getCachedContext(scale.release(), input.width, input.height,
                                         AV_PIX_FMT_RGBA, codec->width, codec->height,
                                         codec->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!scale || av_frame_make_writable(frame.get()) < 0) {
            Fail("out of memory for a frame");
            return;
        }
        const int stride = input.width * 4;
        const std::uint8_t* source[1] = {input.rgba.data()};
        int sourceStride[1] = {stride};
        if (input.bottomRowFirst) {
            source[0] = input.rgba.data() + std::size_t(stride) * (input.height - 1);
            sourceStride[0] = -stride;
        }
        sws_scale(scale.get(), source, sourceStride, 0, input.height, frame->data,
                  frame->linesize);
        frame->pts = lastPts = pts;
        if (Send(frame.get()))
            ++framesWritten;
    }

    void Run()
    {
        for (;;) {
            VideoFrame next;
            {
                std::unique_lock<std::mutex> guard(lock);
                changed.wait(guard, [this] { return !queue.empty() || finishing; });
                if (queue.empty())
                    break;
                next = std::move(queue.front());
                queue.pop_front();
            }
            changed.notify_all();
            if (!Failed())
                Encode(next);
        }
        if (!Failed())
            Send(nullptr);
        // Ends the last fragment or cluster; after a failed write it may fail
        // too, and the fragments written before still play.
        const int status = av_write_trailer(muxer.get());
        if (status < 0 && !Failed())
            Fail("cannot end " + settings.path + ": " + AvError(status));
        if (muxer->pb != nullptr) {
            avio_flush(muxer->pb);
            if (muxer->pb->error < 0 && !Failed())
                Fail("cannot write " + settings.path + ": " + AvError(muxer->pb->error));
            avio_closep(&muxer->pb);
        }
    }
};

std::unique_ptr<VideoEncoder> VideoEncoder::Open(const VideoSettings& settings,
                                                 std::string* error)
{
    auto state = std::make_unique<State>();
    state->settings = settings;
    const auto fail = [&](std::string why) {
        if (error)
            *error = std::move(why);
        return nullptr;
    };
    // The encoders' notes (x264's statistics) are not for Kinetta's users;
    // failures come back as results.
    av_log_set_level(AV_LOG_ERROR);
    // A name that ends in .webm gets a WebM file, never MP4 under that name.
    const std::string& name = settings.path;
    const bool webmName = name.size() >= 5 && strcasecmp(name.c_str() + name.size() - 5, ".webm") == 0;
    const std::optional<VideoFormat> format = ChooseVideoFormat(settings.allowH264 && !webmName);
    if (!format)
        return fail("this system's FFmpeg has no H.264 or VP9 encoder (install libavcodec59)");
    state->format = *format;
    // 4:2:0 chroma needs even sides.
    const int width = settings.width & ~1;
    const int height = settings.height & ~1;
    if (width < 2 || height < 2)
        return fail("a video must be at least 2 x 2 pixels");
    KINETTA_ASSERT(settings.framesPerSecond > 0 && settings.queueFrames > 0,
                   "give VideoSettings a frame rate and a queue");

    const AVCodec* encoder = avcodec_find_encoder_by_name(format->encoder.c_str());
    AVFormatContext* muxer = nullptr;
    int status = avformat_alloc_output_context2(&muxer, nullptr, format->container.c_str(),
                                                settings.path.c_str());
    if (status < 0 || muxer == nullptr)
        return fail("cannot make a " + format->container + " file: " + AvError(status));
    state->muxer.reset(muxer);
    state->stream = avformat_new_stream(muxer, nullptr);
    state->codec.reset(avcodec_alloc_context3(encoder));
    state->frame.reset(av_frame_alloc());
    state->packet.reset(av_packet_alloc());
    if (!state->stream || !state->codec || !state->frame || !state->packet)
        return fail("out of memory");

    AVCodecContext* codec = state->codec.get();
    codec->width = width;
    codec->height = height;
    codec->time_base = AVRational{1, settings.framesPerSecond};
    codec->framerate = AVRational{settings.framesPerSecond, 1};
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    // A key frame every second: a cut-off file loses at most its last second.
    codec->gop_size = settings.framesPerSecond;
    codec->max_b_frames = 0;
    if (muxer->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (format->encoder == "libx264") {
        // Fast enough to keep up with the view on two cores, with no frames
        // held back, so the end of a recording is written at once.
        av_opt_set(codec->priv_data, "preset", "veryfast", 0);
        av_opt_set(codec->priv_data, "tune", "zerolatency", 0);
        av_opt_set(codec->priv_data, "crf", "20", 0);
    } else {
        av_opt_set(codec->priv_data, "deadline", "realtime", 0);
        av_opt_set(codec->priv_data, "cpu-used", "8", 0);
        av_opt_set(codec->priv_data, "row-mt", "1", 0);
        av_opt_set(codec->priv_data, "crf", "32", 0);
        codec->bit_rate = 0;
    }
    status = avcodec_open2(codec, encoder, nullptr);
    if (status < 0)
        return fail("cannot start the " + format->encoder + " encoder: " + AvError(status));
    avcodec_parameters_from_context(state->stream->codecpar, codec);
    state->stream->time_base = codec->time_base;

    state->frame->format = codec->pix_fmt;
    state->frame->width = width;
    state->frame->height = height;
    if (av_frame_get_buffer(state->frame.get(), 0) < 0)
        return fail("out of memory");

    status = avio_open(&muxer->pb, settings.path.c_str(), AVIO_FLAG_WRITE);
    if (status < 0)
        return fail("cannot write " + settings.path + ": " + AvError(status));
    muxer->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "flush_packets", "1", 0);
    if (format->container == "mp4")
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    else
        av_dict_set(&options, "cluster_time_limit", "1000", 0);
    status = avformat_write_header(muxer, &options);
    av_dict_free(&options);
    if (status < 0)
        return fail("cannot write " + settings.path + ": " + AvError(status));

    State* running = state.get();
    state->thread = std::thread([running] { running->Run(); });
    return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(state)));
}

VideoEncoder::VideoEncoder(std::unique_ptr<State> state) : m_state(std::move(state)) {}

VideoEncoder::~VideoEncoder()
{
    Finish();
}

const VideoFormat& VideoEncoder::Format() const
{
    return m_state->format;
}

bool VideoEncoder::Push(VideoFrame frame)
{
    State& s = *m_state;
    KINETTA_ASSERT(!s.finished, "push frames only before Finish");
    KINETTA_ASSERT(frame.step > s.lastPushedStep, "push frames in rising steps");
    KINETTA_ASSERT(frame.width > 0 && frame.height > 0 &&
                       frame.rgba.size() == std::size_t(frame.width) * frame.height * 4,
                   "give a VideoFrame width * height * 4 bytes");
    s.lastPushedStep = frame.step;
    std::unique_lock<std::mutex> guard(s.lock);
    if (s.failure)
        return false;
    s.changed.wait(guard, [&s] {
        return s.queue.size() < std::size_t(s.settings.queueFrames) || s.failure;
    });
    if (s.failure)
        return false;
    s.queue.push_back(std::move(frame));
    guard.unlock();
    s.changed.notify_all();
    return true;
}

std::optional<std::string> VideoEncoder::Failure() const
{
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->failure;
}

VideoResult VideoEncoder::Finish()
{
    State& s = *m_state;
    if (s.finished)
        return s.result;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.finishing = true;
    }
    s.changed.notify_all();
    s.thread.join();
    s.finished = true;
    s.result.framesWritten = s.framesWritten;
    s.result.ok = !s.failure;
    s.result.error = s.failure.value_or(std::string());
    return s.result;
}
