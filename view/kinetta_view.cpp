#include "view/kinetta_view.h"

#include "drawer/primitive_solids.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"

#include <chrono>

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

std::unique_ptr<LightRecord> MakeLight(GLenum id, std::initializer_list<float> position,
                                       std::initializer_list<float> diffuse)
{
    auto light = std::make_unique<LightRecord>();
    light->enabled = true;
    light->lightId = id;
    std::copy(position.begin(), position.end(), light->position);
    std::copy(diffuse.begin(), diffuse.end(), light->diffuse);
    return light;
}

}  // namespace

CKinettaView::CKinettaView(const KeyState& keys) : m_keys(keys) {}

CKinettaView::~CKinettaView()
{
    DestroyWindow();
}

void CKinettaView::CreateShapes()
{
    m_groundShape = new btBoxShape(kGroundHalfExtents);
    m_wallShape = new btBoxShape(kWallHalfExtents);
    m_coneShape = new btConeShape(kConeRadius, kConeHeight);
    m_cylinderModel = new btCylinderShape(kCylinderHalfExtents);
    m_boxModel = new btBoxShape(kBoxHalfExtents);
    m_sphereModel = new btSphereShape(kSphereRadius);
    m_diceModel = new btBoxShape(kDiceHalfExtents);
}

void CKinettaView::DeleteShapes()
{
    for (btCollisionShape** shape : {&m_groundShape, &m_wallShape, &m_cylinderModel, &m_coneShape,
                                     &m_sphereModel, &m_boxModel, &m_diceModel}) {
        delete *shape;
        *shape = nullptr;
    }
}

bool CKinettaView::InitScene()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);

    m_lights.push_back(MakeLight(GL_LIGHT0, {5.0f, 10.0f, 17.5f, 0.0f}, {1.0f, 1.0f, 1.0f, 0.0f}));
    m_lights.push_back(MakeLight(GL_LIGHT1, {-13.0f, 4.0f, 0.0f, 0.0f}, {0.2f, 0.2f, 0.2f, 0.0f}));

    const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 128.0f);

    glColor3f(0.0f, 0.1f, 0.6f);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    m_quadric = gluNewQuadric();

    CreateShapes();

    m_world = CreateDynamicsWorld();
    ApplyWorldSettings(*m_world);
    AddStartBodies(*m_world, m_groundShape, m_cylinderModel);
    return true;
}

void CKinettaView::DestroyScene()
{
    if (m_quadric) {
        gluDeleteQuadric(m_quadric);
        m_quadric = nullptr;
    }
    // Bodies go before the shapes they use, and the world is empty when it goes.
    if (m_world)
        DestroyAllCollisionObjects(*m_world);
    m_lights.clear();
    DeleteShapes();
    m_world.reset();
}

void CKinettaView::ResetSimulation()
{
    if (m_world)
        ::ResetSimulation(*m_world, m_sphereModel, m_diceModel);
}

bool CKinettaView::OnTick()
{
    ++m_stats.ticks;
    // Qt builds the scene when the window is first shown, which may come
    // after the frame's timer has started.
    if (!m_world || m_lights.empty())
        return true;

    ApplyCameraKeys(m_keys, m_camera, *m_lights.front());

    if (m_simulationState == SimulationState::Running) {
        const CameraPose pose{m_camera.camPos, m_camera.yaw, m_camera.pitch};
        if (m_keys.IsDown(ViewKey::Space))
            m_thrower.TryThrowSphere(*m_world, m_sphereModel, pose);
        if (m_keys.IsDown(ViewKey::T))
            m_thrower.TryThrowDice(*m_world, m_diceModel, pose);

        const auto start = std::chrono::steady_clock::now();
        StepWorld(*m_world);
        m_stats.stepMilliseconds += MillisecondsSince(start);
        ++m_stats.steps;
    }

    update();
    return true;
}

void CKinettaView::Render()
{
    const auto start = std::chrono::steady_clock::now();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glRotatef(m_camera.pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(m_camera.yaw, 0.0f, 1.0f, 0.0f);
    glTranslatef(m_camera.camPos.x(), m_camera.camPos.y(), m_camera.camPos.z());
    glDisable(GL_TEXTURE_2D);

    for (const auto& light : m_lights) {
        if (light->enabled) {
            glEnable(light->lightId);
            glLightfv(light->lightId, GL_POSITION, light->position);
            glLightfv(light->lightId, GL_DIFFUSE, light->diffuse);
        } else {
            glDisable(light->lightId);
        }
        // A marker where the light comes from, lit or not.
        glDisable(GL_LIGHTING);
        glPushMatrix();
        glTranslatef(light->position[0], light->position[1], light->position[2]);
        glColor3f(1.0f, 1.0f, 0.0f);
        gluSphere(m_quadric, 0.1, 10, 5);
        glPopMatrix();
        glEnable(GL_LIGHTING);
    }

    if (m_world) {
        const btCollisionObjectArray& objects = m_world->getCollisionObjectArray();
        for (int i = 0; i < objects.size(); ++i)
            DrawBody(i, *objects[i]);
    }
    glFlush();

    m_stats.renderMilliseconds += MillisecondsSince(start);
    ++m_stats.frames;
}

void CKinettaView::DrawBody(int, const btCollisionObject& object)
{
    const btRigidBody* body = btRigidBody::upcast(&object);
    if (body == nullptr || body->getMotionState() == nullptr)
        return;
    btTransform transform;
    body->getMotionState()->getWorldTransform(transform);
    btScalar m[16];
    transform.getOpenGLMatrix(m);

    const btCollisionShape* shape = object.getCollisionShape();
    glPushMatrix();
    glMultMatrixf(m);
    if (shape == m_groundShape) {
        const btVector3 he = static_cast<const btBoxShape*>(shape)->getHalfExtentsWithMargin();
        glColor3f(0.9f, 0.9f, 0.9f);
        drawBox(-he.x(), -he.y(), -he.z(), he.x(), he.y(), he.z());
    } else if (shape == m_cylinderModel) {
        const auto* cylinder = static_cast<const btCylinderShape*>(shape);
        const btVector3 he = cylinder->getHalfExtentsWithMargin();
        glColor3f(0.0f, 0.6f, 1.0f);
        glTranslatef(0.0f, he.y(), 0.0f);
        drawCappedCylinder(m_quadric, 2.0f * he.y(), cylinder->getRadius(), cylinder->getRadius(),
                           16, 1, 1);
    } else if (shape == m_sphereModel) {
        glColor3f(1.0f, 1.0f, 0.0f);
        gluSphere(m_quadric, kSphereRadius, 16, 12);
    } else if (shape->getShapeType() == BOX_SHAPE_PROXYTYPE) {
        const btVector3 he = static_cast<const btBoxShape*>(shape)->getHalfExtentsWithMargin();
        glColor3f(1.0f, 1.0f, 1.0f);
        drawBox(-he.x(), -he.y(), -he.z(), he.x(), he.y(), he.z());
    }
    glPopMatrix();
}
