// Drawing one frame: camera, lights with their markers, then every body of
// the world by the drawing path its shape selects.
#include "view/kinetta_view.h"

#include "drawer/primitive_solids.h"

#include <chrono>

namespace {

const float kCylinderColour[3] = {0.0f, 0.6f, 1.0f};

}  // namespace

void CKinettaView::Render()
{
    const auto start = std::chrono::steady_clock::now();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glRotatef(m_camera.pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(m_camera.yaw, 0.0f, 1.0f, 0.0f);
    glTranslatef(m_camera.camPos.x(), m_camera.camPos.y(), m_camera.camPos.z());
    glDisable(GL_TEXTURE_2D);

    // After the camera transform, so light positions are in world coordinates.
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
            DrawBody(*objects[i]);
    }
    glFlush();

    m_stats.renderMilliseconds +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ++m_stats.frames;
}

void CKinettaView::DrawBody(const btCollisionObject& object)
{
    // Every body of the program is a rigid body with a motion state.
    const btRigidBody* body = btRigidBody::upcast(&object);
    if (body == nullptr || body->getMotionState() == nullptr)
        return;
    btTransform transform;
    body->getMotionState()->getWorldTransform(transform);
    btScalar m[16];
    transform.getOpenGLMatrix(m);

    const btCollisionShape* shape = object.getCollisionShape();
    if (shape == m_wallShape)
        return;

    if (shape == m_boxModel || shape == m_diceModel) {
        const glw::Model& model = shape == m_boxModel
                                      ? static_cast<const glw::Model&>(*m_boxModel)
                                      : static_cast<const glw::Model&>(*m_diceModel);
        glPushMatrix();
        glMultMatrixf(m);
        glColor3f(1.0f, 1.0f, 1.0f);
        glBindTexture(GL_TEXTURE_2D, m_diceTexture);
        glEnable(GL_TEXTURE_2D);
        model.Draw();
        glPopMatrix();
        glDisable(GL_TEXTURE_2D);
    } else if (shape == m_groundShape) {
        const btVector3 he = static_cast<const btBoxShape*>(shape)->getHalfExtentsWithMargin();
        glPushMatrix();
        glMultMatrixf(m);
        m_groundSurface.Apply();
        drawTexturedBox(-he.x(), -he.y(), -he.z(), he.x(), he.y(), he.z(), 4.0f, 0.5f, 4.0f);
        glPopMatrix();
    } else if (shape == m_cylinderModel) {
        glColor3fv(kCylinderColour);
        glPushMatrix();
        glMultMatrixf(m);
        m_cylinderModel->Draw();
        glPopMatrix();
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_2D);
    } else if (shape->getShapeType() == BOX_SHAPE_PROXYTYPE) {
        const btVector3 he = static_cast<const btBoxShape*>(shape)->getHalfExtentsWithMargin();
        glPushMatrix();
        glMultMatrixf(m);
        drawBox(-he.x(), -he.y(), -he.z(), he.x(), he.y(), he.z());
        glPopMatrix();
    } else if (shape->getShapeType() == SPHERE_SHAPE_PROXYTYPE) {
        // Every ball is drawn with the ball mesh, whatever its radius.
        glDisable(GL_TEXTURE_2D);
        glColor3f(1.0f, 1.0f, 0.0f);
        glPushMatrix();
        glMultMatrixf(m);
        m_sphereModel->Draw();
        glPopMatrix();
    } else if (shape->getShapeType() == CYLINDER_SHAPE_PROXYTYPE) {
        const auto* cylinder = static_cast<const btCylinderShape*>(shape);
        const btVector3 he = cylinder->getHalfExtentsWithMargin();
        glColor3fv(kCylinderColour);
        glPushMatrix();
        glMultMatrixf(m);
        glTranslatef(0.0f, 0.5f, 0.0f);
        drawCappedCylinder(m_quadric, 2.0f * he.y(), cylinder->getRadius(), cylinder->getRadius(),
                           16, 1, 1);
        glPopMatrix();
    }
}
