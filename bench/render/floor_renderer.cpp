#include "floor_renderer.h"

#include "drawer/primitive_solids.h"
#include "glw/buffer_objects.h"

#include <algorithm>
#include <iterator>
#include <cstddef>
#include <cstdint>

namespace {

using Matrix = std::array<float, 16>;

// a * b, column-major.
Matrix Multiply(const float* a, const float* b)
{
    Matrix r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[col * 4 + k];
            r[static_cast<std::size_t>(col * 4 + row)] = sum;
        }
    return r;
}

const void* Offset(std::size_t bytes)
{
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(bytes));
}

}  // namespace

void FloorRenderer::Render(const Scene& scene, const CameraState& camera)
{
    LoadCameraTransform(camera);
    float view[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    glDisable(GL_TEXTURE_2D);
    for (const auto& light : scene.Lights()) {
        glEnable(light->lightId);
        glLightfv(light->lightId, GL_POSITION, light->position);
        glLightfv(light->lightId, GL_DIFFUSE, light->diffuse);
    }

    for (auto& kind : m_runs)
        for (auto& run : kind)
            run.clear();
    const DetailLevels& levels = scene.Batches()->Levels(scene);
    GLfloat projection[16];
    GLint viewport[4] = {0, 0, 0, 0};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float pixelsPerUnit = 0.5f * float(viewport[3]) * projection[5];
    btVector3 eye;
    for (int i = 0; i < 3; ++i)
        eye[i] = -(view[i * 4] * view[12] + view[i * 4 + 1] * view[13] + view[i * 4 + 2] * view[14]);
    const btCollisionObjectArray& objects = scene.World()->getCollisionObjectArray();
    RestingBatches* batches = m_restingBatches ? scene.Batches() : nullptr;
    if (batches != nullptr)
        batches->Update(scene, objects, nullptr);

    // The still layer as the program keeps it: markers, resting batches and
    // the ground, drawn again only when one of them or the view changed.
    StillLayer* layer =
        batches != nullptr && m_keeping != StillLayerKeeping::Off ? &batches->Layer() : nullptr;
    bool kept = false;
    if (layer != nullptr) {
        m_key.drawnBy = this;
        std::copy(viewport, viewport + 4, m_key.viewport.begin());
        std::copy(projection, projection + 16, m_key.projection.begin());
        std::copy(view, view + 16, m_key.modelview.begin());
        m_key.lights.clear();
        for (const auto& light : scene.Lights()) {
            const float* p = light->position;
            const float* d = light->diffuse;
            m_key.lights.push_back({1.0f, p[0], p[1], p[2], p[3], d[0], d[1], d[2], d[3]});
        }
        m_key.restingChanges = batches->Changes();
        m_key.bodies.clear();
        for (int i = 0; i < objects.size(); ++i) {
            if (KindOf(*objects[i]) != BodyKind::Ground)
                continue;
            StillLayer::Body ground{objects[i], objects[i]->getCollisionShape(), i, {}};
            objects[i]->getWorldTransform().getOpenGLMatrix(ground.matrix);
            m_key.bodies.push_back(ground);
        }
        kept = layer->Begin(m_key, m_keeping);
    }
    const auto drawGround = [&](const btRigidBody& body) {
        btTransform transform;
        body.getMotionState()->getWorldTransform(transform);
        float m[16];
        transform.getOpenGLMatrix(m);
        const btVector3 he =
            static_cast<const btBoxShape*>(body.getCollisionShape())->getHalfExtentsWithMargin();
        glPushMatrix();
        glMultMatrixf(m);
        scene.GroundSurface()->Apply(scene.Procs());
        drawTexturedBox(-he.x(), -he.y(), -he.z(), he.x(), he.y(), he.z(), 4.0f, 0.5f, 4.0f);
        glPopMatrix();
    };
    if (!kept) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const auto& light : scene.Lights()) {
            glDisable(GL_LIGHTING);
            glPushMatrix();
            glTranslatef(light->position[0], light->position[1], light->position[2]);
            glColor3f(1.0f, 1.0f, 0.0f);
            glCallList(scene.LightMarkerList());
            glPopMatrix();
            glEnable(GL_LIGHTING);
        }
        // Resting bodies first, nearest first and only what the view shows,
        // as the program draws them; each kind's state set once.
        if (batches != nullptr) {
            batches->Cull();
            glw::GlState direct(scene.Procs());
            batches->Draw(BodyKind::Can, direct);
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
            glDisable(GL_TEXTURE_2D);
            batches->Draw(BodyKind::Ball, direct);
            batches->Draw(BodyKind::Die, direct);
            glDisable(GL_TEXTURE_2D);
            glFlush();
        }
        if (layer != nullptr) {
            for (int i = 0; i < objects.size(); ++i)
                if (KindOf(*objects[i]) == BodyKind::Ground)
                    drawGround(*btRigidBody::upcast(objects[i]));
            layer->End();
        }
    }
    for (int i = 0; i < objects.size(); ++i) {
        if (batches != nullptr && RestingBatches::Batches(*objects[i], nullptr))
            continue;
        const btRigidBody* body = btRigidBody::upcast(objects[i]);
        btTransform transform;
        body->getMotionState()->getWorldTransform(transform);
        float m[16];
        transform.getOpenGLMatrix(m);
        switch (KindOf(*body)) {
            case BodyKind::Ground:
                if (layer == nullptr)
                    drawGround(*body);
                break;
            case BodyKind::Can:
            case BodyKind::Ball:
            case BodyKind::Die: {
                const BodyKind kind = KindOf(*body);
                const float distance =
                    RestingBatches::DistanceToCell(eye, btVector3(m[12], m[13], m[14]));
                const int level = detail_levels::ChooseLevel(
                    detail_levels::PixelsAcross(levels.Radius(kind),
                                                -projection[11] * distance + projection[15],
                                                pixelsPerUnit),
                    levels.LevelCount(kind), -1);
                m_runs[std::size_t(kind)][std::size_t(level)].push_back(Multiply(view, m));
                break;
            }
            default:
                break;
        }
    }

    DrawKind(scene, BodyKind::Can);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
    DrawKind(scene, BodyKind::Ball);
    DrawKind(scene, BodyKind::Die);
    glDisable(GL_TEXTURE_2D);
    glLoadMatrixf(view);
    glFlush();
}

void FloorRenderer::DrawKind(const Scene& scene, BodyKind kind)
{
    const DetailLevels& levels = scene.Batches()->Levels(scene);
    for (int level = 0; level < levels.LevelCount(kind); ++level)
        DrawRun(levels.Mesh(scene, kind, level), m_runs[std::size_t(kind)][std::size_t(level)],
                scene.Procs());
}

void FloorRenderer::DrawRun(const glw::Model* mesh, const std::vector<Matrix>& bodies,
                            const glw::GlProcs& procs)
{
    if (bodies.empty() || mesh == nullptr)
        return;
    const glw::Model& model = *mesh;
    for (const glw::Surface& surface : model.surfaces) {
        surface.material.Apply(procs);
        if (!glw::BindBuffersFor(surface, procs))
            continue;
        constexpr GLsizei stride = sizeof(glw::Vertex);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, stride, Offset(offsetof(glw::Vertex, position)));
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, Offset(offsetof(glw::Vertex, normal)));
        if (model.drawFlags & glw::kDrawTexCoords) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, stride, Offset(offsetof(glw::Vertex, texCoord)));
        }
        const auto count = static_cast<GLsizei>(surface.indices.size());
        for (const Matrix& matrix : bodies) {
            glLoadMatrixf(matrix.data());
            glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
            // Rasterisation overlaps submission here too.
            if (++m_sinceFlush == 80) {
                glFlush();
                m_sinceFlush = 0;
            }
        }
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glw::UnbindBuffers(procs);
    }
}
