#pragma once
// The picture of what stands still, kept between frames. When the camera,
// the lights and every body at rest are as they were when the layer was
// drawn, a frame starts from the kept colour and depth instead of drawing
// them again, and draws only what moves on top, depth-tested against the
// kept depth. Anything else draws the layer anew.
//
// Two ways to keep it: draw the still part into a framebuffer object of our
// own and copy that to the frame, or draw it into the frame and copy the
// frame into our buffer. Both copy once per frame in steady frames.

#include "glw/gl_procs.h"
#include "glw/render_target.h"

#include <btBulletDynamicsCommon.h>

#include <array>
#include <cstdint>
#include <vector>

enum class StillLayerKeeping {
    Off,             // everything drawn every frame
    // Drawn into our framebuffer, copied to the frame; when the frame is the
    // window system's, drawn as BackBufferCopy does (see Begin).
    Framebuffer,
    BackBufferCopy,  // drawn into the frame, the frame copied into ours
};

class StillLayer {
public:
    // A body drawn in the layer other than from a resting batch: the ground,
    // a sleeping body the scene draws one by one.
    struct Body {
        const btCollisionObject* object;
        const btCollisionShape* shape;
        int index;  // in the world: the first body draws in its own colour
        btScalar matrix[16];
        bool operator==(const Body& other) const;
    };
    // All the layer's picture depends on.
    struct Key {
        // Renderers, and one renderer's options, may draw it differently.
        const void* drawnBy = nullptr;
        int style = 0;
        std::array<int, 4> viewport{};
        std::array<float, 16> projection{}, modelview{};
        // Each light's switch, position and colour.
        std::vector<std::array<float, 9>> lights;
        std::uint64_t restingChanges = 0;  // RestingBatches::Changes()
        std::vector<Body> bodies;
        bool operator==(const Key& other) const;
    };

    // procs belong to the scene's context; destroyed with it current.
    explicit StillLayer(const glw::GlProcs& procs) : m_procs(procs) {}
    ~StillLayer();
    StillLayer(const StillLayer&) = delete;
    StillLayer& operator=(const StillLayer&) = delete;

    // Whether a body belongs to the layer: at rest and not singled out.
    static bool Holds(const btCollisionObject& object, const btCollisionObject* singledOut);

    // Starts a frame in the framebuffer bound now, whose viewport is the
    // key's. True: the kept layer is in it, colour and depth, and only what
    // moves is left to draw. False: draw the still part (clearing first),
    // then call End, then what moves. With Off, or where the context cannot
    // keep a layer, always false and End does nothing; so too in the second
    // and later of frames that each change (a turning camera), which the
    // next frame could not reuse.
    bool Begin(const Key& key, StillLayerKeeping keeping);
    void End();
    // The next frame draws the layer anew.
    void Forget() { m_valid = false; }

    // Frames that drew the layer and frames that reused it.
    int Redraws() const { return m_redraws; }
    int Reuses() const { return m_reuses; }

private:
    bool Allocate(int width, int height);
    void Release();
    // Copies between the frame's framebuffer and ours; true when OpenGL
    // took it.
    bool Copy(bool intoFrame);
    // Around a copy from the window system's buffer: whether that buffer
    // covered the whole viewport, told by our depth cleared to 0 before.
    void ClearOurDepth(float depth);
    bool OurFarCornerWasCopied();

    const glw::GlProcs& m_procs;
    glw::RenderTarget m_target{m_procs};
    // The frame's framebuffers while a layer is drawn.
    GLint m_frameDraw = 0, m_frameRead = 0;
    StillLayerKeeping m_keeping = StillLayerKeeping::Off;
    Key m_key;
    bool m_valid = false;    // m_key describes what our buffer holds
    bool m_drawing = false;  // between a false Begin and End
    bool m_drawsIntoOurs = false;  // the layer being drawn goes into our buffer
    bool m_unusable = false; // a copy failed once: the context cannot keep it
    bool m_changedLastFrame = false;  // the last Begin's key differed from the one before
    int m_redraws = 0, m_reuses = 0;
};
