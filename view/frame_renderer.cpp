#include "view/frame_renderer.h"

#include "view/joint_marks.h"

#include "drawer/primitive_solids.h"

#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>

namespace {

const GLfloat kCylinderColour[3] = {0.0f, 0.6f, 1.0f};
// Magenta is in none of the scene's surfaces: it shows on the yellow balls,
// the white dice, the blue cans, the grey checker and the black sky alike.
const GLfloat kSelectionColour[3] = {1.0f, 0.0f, 1.0f};
constexpr float kSelectionAir = 0.05f;  // between a body and its outline

std::size_t TrianglesOf(const glw::Model& model)
{
    std::size_t triangles = 0;
    for (const glw::Surface& surface : model.surfaces)
        triangles += surface.primitive == 0 ? surface.indices.size() / 3 : 0;
    return triangles;
}

}  // namespace

FrameRenderer::FrameRenderer(RenderOptions options)
    : m_options(options), m_state({}, options.stateEconomy)
{
}

void FrameRenderer::SetOptions(const RenderOptions& options)
{
    m_options = options;
    m_state = glw::GlState({}, options.stateEconomy);
}

void FrameRenderer::Render(const Scene& scene, const CameraState& camera)
{
    // Whatever ran between two frames may have changed OpenGL: nothing is
    // assumed about the scene's context.
    m_state = glw::GlState(scene.Procs(), m_options.stateEconomy);

    LoadCameraTransform(camera);
    // No texture on either unit: a die drawn last in the previous frame
    // leaves its texture on the first unit, which would tint the markers.
    // Unit 1 stays active, as every material leaves it.
    m_state.ActiveTexture(0);
    m_state.Disable(GL_TEXTURE_2D);
    m_state.ActiveTexture(1);
    m_state.Disable(GL_TEXTURE_2D);
    SetLights(scene);

    m_meshTriangles = 0;
    m_levels = nullptr;
    if (m_options.detailLevels && scene.Batches() != nullptr) {
        m_levels = &scene.Batches()->Levels(scene);
        GLfloat projection[16], modelview[16];
        GLint viewport[4] = {0, 0, 0, 0};
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetIntegerv(GL_VIEWPORT, viewport);
        m_pixelsPerUnit = 0.5f * float(viewport[3]) * projection[5];
        m_depthScale = {-projection[11], projection[15]};
        // Minus the camera's translation, turned back.
        for (int i = 0; i < 3; ++i)
            m_eye[i] = -(modelview[i * 4] * modelview[12] + modelview[i * 4 + 1] * modelview[13] +
                         modelview[i * 4 + 2] * modelview[14]);
    }

    const CDynamicsWorld* world = scene.World();
    if (world == nullptr) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawLightMarkers(scene);
        m_state.Commit();
        glFlush();
        return;
    }
    const btCollisionObjectArray& objects = world->getCollisionObjectArray();
    if (m_levelOf.size() > 2 * std::size_t(objects.size()) + 64)
        m_levelOf.clear();
    // The selected body is drawn on its own, with its highlight.
    const btCollisionObject* selected = scene.Selection().Body();
    RestingBatches* batches = m_options.restingBatches ? scene.Batches() : nullptr;
    if (batches != nullptr)
        batches->Update(scene, objects, selected);

    // Debug drawing goes over everything, still or not: no layer under it,
    // and a new one after it. Feedback and selection must see every body.
    GLint renderMode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &renderMode);
    const bool layered = batches != nullptr && m_options.stillLayer != StillLayerKeeping::Off &&
                         renderMode == GL_RENDER;
    if (layered && m_debug.getDebugMode() != 0)
        batches->Layer().Forget();
    StillLayer* layer = layered && m_debug.getDebugMode() == 0 ? &batches->Layer() : nullptr;
    bool kept = false;
    if (layer != nullptr) {
        FillStillKey(scene, objects, selected);
        kept = layer->Begin(m_key, m_options.stillLayer);
    }
    const int flushEvery = m_options.flushEvery;
    int drawn = 0;
    const auto draw = [&](int i) {
        DrawBody(scene, *objects[i], i);
        if (flushEvery > 0 && ++drawn % flushEvery == 0)
            glFlush();
    };
    if (!kept) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawLightMarkers(scene);
        // Resting bodies first, nearest first, and only what the view shows:
        // the rasteriser then skips most of what lies behind them.
        if (batches != nullptr) {
            batches->Cull(m_options.detailLevels);
            DrawRestingBatches(scene);
            m_meshTriangles += batches->TrianglesDrawn();
        }
        if (layer != nullptr) {
            // The rest of the still part: the ground, bodies at rest that no
            // batch holds.
            for (int i = 0; i < objects.size(); ++i) {
                if (StillLayer::Holds(*objects[i], selected) &&
                    !RestingBatches::Batches(*objects[i], selected))
                    draw(i);
            }
            m_state.Commit();
            layer->End();
        }
    }
    for (int i = 0; i < objects.size(); ++i) {
        if (batches != nullptr && RestingBatches::Batches(*objects[i], selected))
            continue;
        if (layer != nullptr && StillLayer::Holds(*objects[i], selected))
            continue;
        draw(i);
    }
    for (const btRigidBody* selectedBody : scene.Selection().Bodies())
        DrawSelectionOutline(*selectedBody, selectedBody == scene.Selection().Body());
    DrawDebugLines(*scene.World());
    m_jointsMarked = 0;
    if (m_overlay.jointMarks || m_debug.getDebugMode() != 0)
        DrawJointMarks(scene);
    if (m_overlay.band)
        DrawBand();
    if (m_handles)
        DrawHandles(*m_handles);
    m_state.Commit();
    glFlush();
}

void FrameRenderer::FillStillKey(const Scene& scene, const btCollisionObjectArray& objects,
                                 const btCollisionObject* selected)
{
    m_key.drawnBy = this;
    m_key.style = (m_options.detailLevels ? 1 : 0) | (m_options.markerList ? 2 : 0);
    glGetIntegerv(GL_VIEWPORT, m_key.viewport.data());
    glGetFloatv(GL_PROJECTION_MATRIX, m_key.projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, m_key.modelview.data());
    m_key.lights.clear();
    for (const auto& light : scene.Lights()) {
        const float* p = light->position;
        const float* d = light->diffuse;
        m_key.lights.push_back({light->enabled ? 1.0f : 0.0f, p[0], p[1], p[2], p[3], d[0], d[1],
                                d[2], d[3]});
    }
    m_key.restingChanges = scene.Batches()->Changes();
    m_key.bodies.clear();
    for (int i = 0; i < objects.size(); ++i) {
        const btCollisionObject& object = *objects[i];
        if (!StillLayer::Holds(object, selected) || RestingBatches::Batches(object, selected))
            continue;
        StillLayer::Body body{&object, object.getCollisionShape(), i, {}};
        btTransform transform = object.getWorldTransform();
        if (const btRigidBody* rigid = btRigidBody::upcast(&object);
            rigid != nullptr && rigid->getMotionState() != nullptr)
            rigid->getMotionState()->getWorldTransform(transform);
        transform.getOpenGLMatrix(body.matrix);
        m_key.bodies.push_back(body);
    }
}

void FrameRenderer::DrawDebugLines(CDynamicsWorld& world)
{
    if (m_debug.getDebugMode() == 0) {
        m_debug.drawWorld(world);  // draws nothing, only counts it
        return;
    }
    // Plain colours: no texture on either unit, as after the markers.
    m_state.ActiveTexture(0);
    m_state.Disable(GL_TEXTURE_2D);
    m_state.ActiveTexture(1);
    m_state.Disable(GL_TEXTURE_2D);
    m_state.Commit();
    m_debug.drawWorld(world);
    m_state.Forget();
}

void FrameRenderer::SetLights(const Scene& scene)
{
    // After the camera transform, so light positions are in world coordinates.
    for (const auto& light : scene.Lights()) {
        if (light->enabled) {
            glEnable(light->lightId);
            glLightfv(light->lightId, GL_POSITION, light->position);
            glLightfv(light->lightId, GL_DIFFUSE, light->diffuse);
        } else {
            glDisable(light->lightId);
        }
    }
}

void FrameRenderer::DrawLightMarkers(const Scene& scene)
{
    // A marker where each light comes from, lit or not.
    for (const auto& light : scene.Lights()) {
        m_state.Disable(GL_LIGHTING);
        glPushMatrix();
        glTranslatef(light->position[0], light->position[1], light->position[2]);
        m_state.Colour(1.0f, 1.0f, 0.0f);
        m_state.Commit();
        if (scene.LightMarkerList() != 0 && m_options.markerList)
            glCallList(scene.LightMarkerList());
        else
            gluSphere(scene.Quadric(), 0.1, 10, 5);
        glPopMatrix();
        m_state.Enable(GL_LIGHTING);
    }
}

void FrameRenderer::DrawBody(const Scene& scene, const btCollisionObject& object, int index)
{
    // A rigid body is drawn where its motion state has it; a multibody's
    // collider, which has none, where the last step put it.
    btTransform transform;
    if (const btRigidBody* body = btRigidBody::upcast(&object)) {
        if (body->getMotionState() == nullptr)
            return;
        body->getMotionState()->getWorldTransform(transform);
    } else if (btMultiBodyLinkCollider::upcast(&object) != nullptr) {
        transform = object.getWorldTransform();
    } else {
        return;
    }
    btScalar m[16];
    transform.getOpenGLMatrix(m);

    const btCollisionShape* shape = object.getCollisionShape();
    switch (KindOf(object)) {
        case BodyKind::Wall:
            return;
        case BodyKind::Domino:
            DrawMeshRow(scene, BodyKind::Domino, MeshFor(scene, object, BodyKind::Domino, m), m);
            return;
        case BodyKind::Die:
            DrawMeshRow(scene, BodyKind::Die, MeshFor(scene, object, BodyKind::Die, m), m);
            return;
        case BodyKind::Ground: {
            // Always the scene's own ground box.
            const btVector3 he = static_cast<const btBoxShape*>(scene.ShapeFor(BodyKind::Ground))
                                     ->getHalfExtentsWithMargin();
            glPushMatrix();
            glMultMatrixf(m);
            scene.GroundSurface()->Apply(m_state);
            m_state.Commit();
            drawTexturedBox(-he.x(), -he.y(), -he.z(), he.x(), he.y(), he.z(), 4.0f, 0.5f, 4.0f);
            glPopMatrix();
            return;
        }
        case BodyKind::Can:
            DrawMeshRow(scene, BodyKind::Can, MeshFor(scene, object, BodyKind::Can, m), m);
            return;
        case BodyKind::Ball:
            // Every ball is drawn with the ball mesh, whatever its radius.
            DrawMeshRow(scene, BodyKind::Ball, MeshFor(scene, object, BodyKind::Ball, m), m);
            return;
        case BodyKind::Other:
            if (scene.ShapeDrawer() != nullptr && shape != nullptr)
                DrawWithShapeDrawer(scene, m, *shape, index);
            return;
    }
}

const glw::Model* FrameRenderer::MeshFor(const Scene& scene, const btCollisionObject& object,
                                         BodyKind kind, const btScalar* m)
{
    const glw::Model* mesh = nullptr;
    if (m_levels == nullptr || m_levels->LevelCount(kind) <= 1) {
        mesh = detail_levels::SceneMesh(scene, kind);
    } else {
        // Sized as its resting chunk would be (view/resting_batches.h).
        const float distance = RestingBatches::DistanceToCell(m_eye, btVector3(m[12], m[13], m[14]));
        const float pixels = detail_levels::PixelsAcross(
            m_levels->Radius(kind), m_depthScale[0] * distance + m_depthScale[1], m_pixelsPerUnit);
        const auto [known, added] = m_levelOf.try_emplace(&object, -1);
        known->second = detail_levels::ChooseLevel(pixels, m_levels->LevelCount(kind),
                                                   added ? -1 : known->second);
        mesh = m_levels->Mesh(scene, kind, known->second);
    }
    if (mesh != nullptr)
        m_meshTriangles += TrianglesOf(*mesh);
    return mesh;
}

void FrameRenderer::DrawJointMarks(const Scene& scene)
{
    CDynamicsWorld* world = scene.World();
    if (world == nullptr || world->getNumConstraints() == 0)
        return;
    const WorldDocument* document = scene.Document();
    m_state.ActiveTexture(0);
    m_state.Disable(GL_TEXTURE_2D);
    m_state.ActiveTexture(1);
    m_state.Disable(GL_TEXTURE_2D);
    m_state.Disable(GL_LIGHTING);
    m_state.Commit();
    // Over the bodies: a pivot inside a body shows where it is.
    glDisable(GL_DEPTH_TEST);
    glLineWidth(2.0f);
    m_jointsMarked = AddJointMarks(m_debug, *world, scene.Selection().Joint(),
                                   document ? document->Drag().Spring() : nullptr);
    m_debug.flushLines();
    glLineWidth(1.0f);
    glEnable(GL_DEPTH_TEST);
    m_state.Enable(GL_LIGHTING);
    m_state.ActiveTexture(1);
}

void FrameRenderer::BeginUnlitLines()
{
    for (int unit : {1, 0}) {
        m_state.ActiveTexture(unit);
        m_state.Disable(GL_TEXTURE_2D);
        m_state.Disable(GL_TEXTURE_GEN_S);
        m_state.Disable(GL_TEXTURE_GEN_T);
    }
    m_state.Disable(GL_LIGHTING);
}

void FrameRenderer::DrawBand()
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0)
        return;
    BeginUnlitLines();
    m_state.Colour(kSelectionColour);
    m_state.Commit();
    glDisable(GL_DEPTH_TEST);
    // Window pixels, rows from the top as the mouse counts them.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, viewport[2], viewport[3], 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_LINE_LOOP);
    glVertex2f(m_overlay.bandX0, m_overlay.bandY0);
    glVertex2f(m_overlay.bandX1, m_overlay.bandY0);
    glVertex2f(m_overlay.bandX1, m_overlay.bandY1);
    glVertex2f(m_overlay.bandX0, m_overlay.bandY1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    m_state.Enable(GL_LIGHTING);
    m_state.ActiveTexture(1);
}

void FrameRenderer::DrawSelectionOutline(const btRigidBody& body, bool primary)
{
    if (body.getMotionState() == nullptr || body.getCollisionShape() == nullptr)
        return;
    btTransform transform;
    body.getMotionState()->getWorldTransform(transform);
    btScalar m[16];
    transform.getOpenGLMatrix(m);
    btVector3 low, high;
    body.getCollisionShape()->getAabb(btTransform::getIdentity(), low, high);
    const btVector3 air(kSelectionAir, kSelectionAir, kSelectionAir);
    low -= air;
    high += air;

    BeginUnlitLines();
    m_state.Colour(kSelectionColour);
    m_state.Commit();
    // Over everything: a body inside the tower shows where it is.
    glDisable(GL_DEPTH_TEST);
    // The primary body, the one a single-body pane shows, stands out.
    glLineWidth(primary ? 3.0f : 1.5f);
    glPushMatrix();
    glMultMatrixf(m);
    glBegin(GL_LINES);
    // The twelve edges of the box: for each axis, the four edges along it.
    const btVector3 corner[2] = {low, high};
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (int k = 0; k < 4; ++k) {
            btVector3 a;
            a[u] = corner[k & 1][u];
            a[v] = corner[k >> 1][v];
            a[axis] = low[axis];
            btVector3 b = a;
            b[axis] = high[axis];
            glVertex3f(a.x(), a.y(), a.z());
            glVertex3f(b.x(), b.y(), b.z());
        }
    }
    glEnd();
    glPopMatrix();
    glLineWidth(1.0f);
    glEnable(GL_DEPTH_TEST);
    m_state.Enable(GL_LIGHTING);
    m_state.ActiveTexture(1);
}

void FrameRenderer::DrawHandles(const HandleDrawing& handles)
{
    BeginUnlitLines();
    m_state.Commit();
    drawTransformHandles(handles);
    // The drawer set the colour itself.
    m_state.Forget();
}

void FrameRenderer::DrawMeshRow(const Scene& scene, BodyKind kind, const glw::Model* model,
                                const btScalar* m)
{
    // State before the matrix, mesh, state after: each row's own order.
    switch (kind) {
        case BodyKind::Domino:
        case BodyKind::Die:
            break;
        case BodyKind::Can:
            m_state.Colour(kCylinderColour);
            break;
        case BodyKind::Ball:
            m_state.Disable(GL_TEXTURE_2D);
            m_state.Colour(1.0f, 1.0f, 0.0f);
            break;
        default:
            return;
    }
    glPushMatrix();
    if (m != nullptr)
        glMultMatrixf(m);
    if (kind == BodyKind::Domino || kind == BodyKind::Die) {
        m_state.Colour(1.0f, 1.0f, 1.0f);
        m_state.BindTexture2D(scene.Textures().dice);
        m_state.Enable(GL_TEXTURE_2D);
    }
    if (model != nullptr)
        model->Draw(m_state);
    else if (m == nullptr)
        scene.Batches()->Draw(kind, m_state);
    glPopMatrix();
    switch (kind) {
        case BodyKind::Domino:
        case BodyKind::Die:
            m_state.Disable(GL_TEXTURE_2D);
            break;
        case BodyKind::Can:
            m_state.Disable(GL_TEXTURE_GEN_S);
            m_state.Disable(GL_TEXTURE_GEN_T);
            m_state.Disable(GL_TEXTURE_2D);
            break;
        default:
            break;
    }
}

void FrameRenderer::DrawRestingBatches(const Scene& scene)
{
    for (const BodyKind kind : {BodyKind::Can, BodyKind::Domino, BodyKind::Die, BodyKind::Ball}) {
        if (scene.Batches()->PickedCount(kind) > 0) {
            DrawMeshRow(scene, kind, nullptr, nullptr);
            glFlush();
        }
    }
}

void FrameRenderer::DrawWithShapeDrawer(const Scene& scene, const btScalar* m,
                                        const btCollisionShape& shape, int index)
{
    // The first body stands out from every other one.
    const btVector3 colour = index == 0 ? btVector3(0.0f, 1.0f, 0.5f) : btVector3(1.0f, 1.0f, 0.5f);
    // The whole world and far beyond: a concave shape shows all its triangles.
    btVector3 low, high;
    scene.World()->getBroadphase()->getBroadphaseAabb(low, high);
    const btVector3 margin(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT);

    // The drawer textures whichever unit is active. A mesh may have left a
    // texture on the other unit, which would tint the checker: the drawer
    // gets the first unit alone.
    m_state.ActiveTexture(1);
    m_state.Disable(GL_TEXTURE_2D);
    m_state.ActiveTexture(0);
    m_state.Commit();
    scene.ShapeDrawer()->drawShape(m, &shape, colour, low - margin, high + margin);
    // The checker's scale stays on the texture matrix, where every other row
    // expects the identity: left there, it would shrink the ground's tiling
    // and the cans' reflections in every frame after.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    // The drawer changed state behind the record's back.
    m_state.Forget();
}
