#pragma once
// The 3D view: a native OpenGL window that owns the scene, moves the camera
// and steps the world on every tick, and draws a frame on every paint.

#include "physics/body_thrower.h"
#include "physics/simulation_control.h"
#include "worlds/world_file_opening.h"
#include "worlds/world_file_result.h"
#include "view/camera_control.h"
#include "view/frame_renderer.h"
#include "view/key_state.h"
#include "view/ogl_window.h"
#include "view/pixel_ray.h"
#include "view/scene.h"
#include "view/scene_tick.h"
#include "view/slow_step_guard.h"
#include "view/view_stats.h"

#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QFocusEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWheelEvent>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CKinettaView : public COGLWindowImpl<CKinettaView> {
public:
    // keys is polled on every tick, which forgets the taps it read; it must
    // outlive the view.
    explicit CKinettaView(KeyState& keys);
    ~CKinettaView() override;

    // The window-base hooks.
    bool InitScene();
    void Render();
    void DestroyScene();
    bool OnTick();

    // Stop: start bodies back in place, thrown bodies gone.
    void ResetSimulation();

    // World files. Opening replaces the world; when it fails the world is
    // exactly as it was. New goes back to the start scene. The camera and
    // the lights stay.
    WorldFileResult OpenWorld(const std::string& path);
    WorldFileResult SaveWorld(const std::string& path);
    void NewWorld();
    // Opening without blocking and without a loop of its own: the file is
    // read and its world built on a thread of its own while the view draws
    // and steps; the first tick that finds it finished hands the world to the
    // document (or, on failure, changes nothing) and then calls the ended
    // callback. One at a time: false while another runs or before the scene
    // is built.
    bool BeginOpening(const std::string& path, const WorldFileOpenOptions& options = {});
    // Runs on that tick, after the world changed hands, with the outcome.
    // It must not start a loop of its own (a modal box): post that instead.
    void OnOpeningEnded(std::function<void(const std::string& path, const WorldFileResult&)> ended)
    {
        m_openingEnded = std::move(ended);
    }
    // Null when none runs.
    const WorldFileOpening* Opening() const { return m_opening.get(); }
    // A press of the left button while an open runs picks and holds
    // nothing (the world is about to be replaced): this says so instead.
    void OnRefusedWhileOpening(std::function<void()> refused) { m_refused = std::move(refused); }
    // Marks the open cancelled and forgets it at once, without waiting: its
    // thread ends by itself and a later tick reaps it. No ended callback.
    void CancelOpening();

    // A step of the running world took so long that the view paused it: the
    // step's length in seconds, once; nothing otherwise.
    std::optional<double> TakeSlowStepPause();
    // The user runs the world on after that pause: no such pause again
    // until another world comes.
    void RunOnAfterSlowSteps() { m_slowSteps.RunOn(); }
    // What steps are timed with (tests).
    void SetStepClock(StepClock clock) { m_stepClock = std::move(clock); }

    // How many bodies fell out of the running world since last asked.
    int TakeFallenCount() { return std::exchange(m_fallen, 0); }

    // One step while paused or stopped (the caller pauses first).
    void StepOnce();
    SimulationSpeed Speed() const { return m_slowMotion.Speed(); }
    void SetSpeed(SimulationSpeed speed);
    // The parts of view/debug_drawing.h drawn over the bodies; 0 for none.
    void SetDebugMode(int mode) { m_renderer.SetDebugMode(mode); }
    int DebugMode() const { return m_renderer.DebugMode(); }
    // The scene, for the panes that show and edit it. Null until built.
    Scene* SceneIfBuilt() { return m_scene.Built() ? &m_scene : nullptr; }
    // The user's world, for the commands and panes that edit it. Null until built.
    WorldDocument* DocumentIfBuilt() { return m_scene.Document(); }
    // The world changed under the drawing (a body moved or removed by hand).
    void ForgetDrawnMotion();

    // Balls and dice at rest around the tower, for measuring a busy scene.
    int AddRestingBodies(int count);

    // The world's history, for the panes that show it; null until built.
    const WorldHistory* History() const;
    // While Paused, shows the kept moment nearest the simulated seconds, or
    // the one `steps` away from the moment shown (negative: back); false
    // otherwise or when nothing is kept. Start or F8 then runs on from it.
    bool ShowMomentAt(double seconds);
    bool MoveThroughHistory(std::int64_t steps);

    int BodyCount() const { return m_scene.BodyCount(); }
    int AwakeCount() const { return m_scene.AwakeCount(); }
    const BodySelection& Selection() const { return m_scene.Selection(); }
    const CDynamicsWorld* World() const { return m_scene.World(); }
    bool Dragging() const { return m_scene.Document() && m_scene.Document()->Drag().Active(); }
    const CameraState& Camera() const { return m_camera; }
    // The ray through a point of the window, in its own (logical) pixels,
    // with the projection the last frame was drawn with.
    std::optional<PickRay> RayAt(QPointF point) const;
    // The bodies a band between the two points (logical pixels) encloses.
    std::vector<btRigidBody*> BodiesInBandOf(QPointF from, QPointF to) const;
    // The selection's move and turn handles while the world stands still.
    std::optional<HandleDrawing> HandlesToDraw() const;
    // Lets go of the held body and ends a turn, as losing the mouse does.
    void LetGo();
    // The eye the Edit commands paste in front of.
    // Files dragged onto the view are the frame's to take: wanted says
    // whether a drag's data would be taken, take takes the dropped data.
    struct DropHandlers {
        std::function<bool(const QMimeData&)> wanted;
        std::function<void(const QMimeData&)> take;
    };
    void TakeDropsWith(DropHandlers handlers) { m_drops = std::move(handlers); }
    CameraPose Eye() const { return {m_camera.camPos, m_camera.yaw, m_camera.pitch}; }
    const ViewStats& Stats() const { return m_stats; }
    // Runs after every frame is drawn, before it is shown, with the context
    // current: for reading the frame back. Empty for none.
    void SetFrameTap(std::function<void()> tap) { m_frameTap = std::move(tap); }

    // Read and written by the frame's Simulation commands.
    SimulationState m_simulationState = SimulationState::Running;

protected:
    // The left button picks and holds (with Ctrl it adds or removes a body
    // from the selection; with Shift, from empty space, it draws a rubber
    // band that selects what it encloses), the right one turns the view, the
    // wheel walks. Qt sends the moves and the release of a press to the
    // window pressed, wherever the pointer goes: that is the capture.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void TakeFinishedOpening();
    bool ShowStep(std::int64_t step);
    // A world shown at an earlier moment becomes the present before it steps.
    void RunOnFromShownMoment();
    void NoteHistory();

    KeyState& m_keys;
    CameraState m_camera;
    Scene m_scene;
    // Their threads read the scene's shapes: they go before the scene does.
    std::unique_ptr<WorldFileOpening> m_opening;
    std::vector<std::unique_ptr<WorldFileOpening>> m_cancelledOpenings;
    std::function<void(const std::string&, const WorldFileResult&)> m_openingEnded;
    std::function<void()> m_refused;
    FrameRenderer m_renderer;
    BodyThrower m_thrower;
    SlowMotion m_slowMotion;
    SlowStepGuard m_slowSteps;
    std::optional<double> m_slowStepPause;
    int m_fallen = 0;
    DropHandlers m_drops;
    QList<QUrl> m_draggedUrls;  // of the drag over the view, as it last moved
    StepClock m_stepClock;
    ViewStats m_stats;
    std::function<void()> m_frameTap;
    // The band's first corner while one is drawn, in logical pixels.
    std::optional<QPointF> m_bandFrom;
    bool m_leftHeld = false;
    QPointF m_cursor;  // where the left button last was, while held
    std::optional<QPointF> m_turnFrom;  // while the right button turns the view
    int m_wheelEighths = 0;  // a wheel's turn not yet a whole notch
};
