#pragma once
// Reads the frames a window shows back into memory for a video without
// stalling the frame: each frame is copied into one of two pixel buffer
// objects, and the copy begun one frame earlier, which has had a whole frame
// to finish, is the one mapped and handed on. Without buffer objects the
// pixels are read at once instead.
//
// Plain C++ over OpenGL; call it with the window's context current, after
// the frame is drawn and before it is swapped.

#include "glw/gl_procs.h"
#include "media/video_encoder.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <optional>

class FrameReadback {
public:
    explicit FrameReadback(glw::GlProcLookup lookup);
    // With the same context current (checked), which gets its buffers back.
    ~FrameReadback();
    FrameReadback(const FrameReadback&) = delete;
    FrameReadback& operator=(const FrameReadback&) = delete;

    bool UsesBufferObjects() const { return m_usesBuffers; }
    // The context went away with the buffers in it: nothing to give back.
    void Abandon() { m_usesBuffers = false; }

    // Starts reading the drawn frame (width x height from the bottom left)
    // as the given step; returns the frame started by the call before, if any.
    std::optional<VideoFrame> Capture(int width, int height, std::int64_t step);
    // The frame still on its way, if any: for the end of a recording.
    std::optional<VideoFrame> Drain();

private:
    struct Pending {
        GLuint buffer = 0;
        int width = 0;
        int height = 0;
        std::int64_t step = 0;
        bool started = false;
    };
    std::optional<VideoFrame> Collect(Pending& pending);

    void(APIENTRY* m_genBuffers)(GLsizei, GLuint*) = nullptr;
    void(APIENTRY* m_deleteBuffers)(GLsizei, const GLuint*) = nullptr;
    void(APIENTRY* m_bindBuffer)(GLenum, GLuint) = nullptr;
    void(APIENTRY* m_bufferData)(GLenum, std::ptrdiff_t, const void*, GLenum) = nullptr;
    void*(APIENTRY* m_mapBuffer)(GLenum, GLenum) = nullptr;
    GLboolean(APIENTRY* m_unmapBuffer)(GLenum) = nullptr;
    bool m_usesBuffers = false;
    std::array<Pending, 2> m_pending;
    int m_next = 0;  // the buffer the next Capture reads into
};
