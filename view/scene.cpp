// Building the scene when the view's window is created, and tearing it down
// in a fixed order when it is destroyed. Both run with the context current.
#include "view/scene.h"

#include "common/kinetta_assert.h"
#include "glw/cube_mapper.h"
#include "glw/lwo_decoder.h"
#include "glw/texture_loader.h"
#include "physics/body_thrower.h"
#include "physics/fallen_bodies.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "physics/simulation_control.h"
#include "view/body_edits.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

// Resource ids of the embedded meshes and images.
constexpr std::uint32_t kCylinderMesh = 207;
constexpr std::uint32_t kSphereMesh = 213;
constexpr std::uint32_t kBoxMesh = 215;
constexpr std::uint32_t kDiceImage = 221;
constexpr std::uint32_t kGroundImage = 226;
constexpr std::uint32_t kCylinderImage = 225;
constexpr std::uint32_t kExtraImage = 220;
constexpr std::uint32_t kBoxImage = 222;

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

void SetColour(glw::Material& material, float r, float g, float b)
{
    material.colour[0] = r;
    material.colour[1] = g;
    material.colour[2] = b;
    material.colour[3] = 0.0f;
}

// The meshes are the program's own, but a surface that failed to decode is
// left alone rather than invented: the body then draws without it.
template <typename Edit>
void EditSurface(glw::Model& model, std::size_t index, Edit edit)
{
    if (index < model.SurfaceCount())
        edit(model.GetSurface(index));
}

}  // namespace

Scene::Scene()
{
    m_selection.OnForget([this](const btCollisionObject& object) {
        if (m_drag.Body() == &object)
            Release();
    });
}

Scene::~Scene()
{
    KINETTA_ASSERT(!Built(), "call Scene::Destroy(), with the context current, before deleting it");
}

void Scene::LoadTextures(Content& content)
{
    // The loader's session ends with this scope, also when a load throws;
    // the textures stay valid.
    glw::TextureLoader loader;
    content.diceTexture = OwnedTexture(loader.LoadTexture(kDiceImage));
    content.groundTexture = OwnedTexture(loader.LoadTexture(kGroundImage));
    content.cylinderTexture = OwnedTexture(loader.LoadTexture(kCylinderImage));
    content.extraTexture = OwnedTexture(loader.LoadTexture(kExtraImage));
    content.boxTexture = OwnedTexture(loader.LoadTexture(kBoxImage));
    loader.Shutdown();
}

void Scene::CreateModels(Content& content)
{
    glw::LwoDecoder decoder;

    const ModelDeleter deleter{&m_glProcs};
    content.canModel = {new models::CylinderModel(kCylinderHalfExtents), deleter};
    models::CylinderModel& cylinder = *content.canModel;
    decoder.DecodeResource(cylinder, kCylinderMesh, "LWO");
    const GLuint reflection = content.cylinderTexture.Name();
    for (std::size_t i : {0u, 1u})
        EditSurface(cylinder, i,
                    [&](glw::Surface& s) { s.material.reflectionTexture = reflection; });
    EditSurface(cylinder, 1, [](glw::Surface& s) { SetColour(s.material, 1.0f, 1.0f, 1.0f); });
    cylinder.SetDrawFlags(glw::kDrawNormals);

    content.ballModel = {new models::SphereModel(kSphereRadius), deleter};
    models::SphereModel& sphere = *content.ballModel;
    decoder.DecodeResource(sphere, kSphereMesh, "LWO");
    EditSurface(sphere, 0, [](glw::Surface& s) {
        SetColour(s.material, 1.0f, 1.0f, 0.0f);
        s.material.smooth = true;
        s.ComputeNormals();
    });
    sphere.SetDrawFlags(glw::kDrawNormals);

    content.dominoModel = {new models::BoxModel(kBoxHalfExtents), deleter};
    models::BoxModel& box = *content.dominoModel;
    decoder.DecodeResource(box, kBoxMesh, "LWO");
    glw::CubeMapper mapper({0.9f, 1.8f, 0.9f}, {0.5f, 0.5f, 0.0f}, 0);
    const GLuint boxImage = content.boxTexture.Name();
    EditSurface(box, 0, [&](glw::Surface& s) {
        s.material.diffuseTexture = boxImage;
        s.ApplyMapper(mapper);
    });
    // Mapped for its domino image, so its coordinates are sent, as the dice's.
    box.SetDrawFlags(glw::kDrawTexCoords | glw::kDrawNormals);
    box.ComputeNormals();

    content.dieModel = {new models::DiceModel(kDiceHalfExtents), deleter};
    models::DiceModel& dice = *content.dieModel;
    const GLuint diceImage = content.diceTexture.Name();
    EditSurface(dice, 0, [&](glw::Surface& s) { s.material.diffuseTexture = diceImage; });
    // Its faces carry the coordinates of their pips in the dice image: they
    // are sent, or every face would show one texel of it.
    dice.SetDrawFlags(glw::kDrawTexCoords | glw::kDrawNormals);

    // The meshes are final now: OpenGL keeps its own copy from here on
    // instead of taking the arrays in again on every draw.
    for (glw::Model* model : std::initializer_list<glw::Model*>{&cylinder, &sphere, &box, &dice})
        model->UploadBuffers(m_glProcs);
}

void Scene::Init(glw::GlProcLookup lookup)
{
    KINETTA_ASSERT(!Built(), "call Scene::Destroy() before building the scene again");
    m_glProcs = glw::GlProcs::Load(lookup);
    // Built aside and taken over whole: if anything throws, what was made
    // goes in the teardown order, with the context still current.
    auto content = std::make_unique<Content>();

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);

    content->lights.push_back(
        MakeLight(GL_LIGHT0, {5.0f, 10.0f, 17.5f, 0.0f}, {1.0f, 1.0f, 1.0f, 0.0f}));
    content->lights.push_back(
        MakeLight(GL_LIGHT1, {-13.0f, 4.0f, 0.0f, 0.0f}, {0.2f, 0.2f, 0.2f, 0.0f}));

    const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 128.0f);

    glColor3f(0.0f, 0.1f, 0.6f);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    content->quadric.reset(gluNewQuadric());
    // Compiled once: GLU allocates on every sphere it makes.
    content->lightMarkerList = OwnedDisplayList(glGenLists(1));
    if (content->lightMarkerList.Name() != 0) {
        glNewList(content->lightMarkerList.Name(), GL_COMPILE);
        gluSphere(content->quadric.get(), 0.1, 10, 5);
        glEndList();
    }

    LoadTextures(*content);
    CreateModels(*content);
    content->restingBatches = std::make_unique<RestingBatches>(m_glProcs);

    content->shapeDrawer = std::make_unique<GL_ShapeDrawer>();
    content->shapeDrawer->setTextureEnabled(true);

    content->world = CreateDynamicsWorld();
    ApplyWorldSettings(*content->world);

    content->groundShape = std::make_unique<btBoxShape>(kGroundHalfExtents);
    content->wallShape = std::make_unique<btBoxShape>(kWallHalfExtents);
    content->coneShape = std::make_unique<btConeShape>(kConeRadius, kConeHeight);
    SetColour(content->groundSurface, 1.0f, 1.0f, 1.0f);
    content->groundSurface.diffuseTexture = content->groundTexture.Name();

    content->bodies.emplace(*content->world);
    content->shelf.emplace(*content->world);
    AddStartBodies(*content->world, content->groundShape.get(), content->canModel.get());

    m_content = std::move(content);
}

void Scene::Destroy()
{
    Release();
    m_history.Clear();
    m_selection.Clear();
    m_content.reset();
}

int Scene::BodyCount() const
{
    return m_content ? m_content->world->getNumCollisionObjects() : 0;
}

int Scene::AwakeCount() const
{
    if (!m_content)
        return 0;
    int awake = 0;
    const btCollisionObjectArray& objects = m_content->world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i)
        awake += !objects[i]->isStaticOrKinematicObject() && objects[i]->isActive();
    return awake;
}

CDynamicsWorld* Scene::World() const
{
    return m_content ? m_content->world.get() : nullptr;
}

const std::vector<std::unique_ptr<LightRecord>>& Scene::Lights() const
{
    static const std::vector<std::unique_ptr<LightRecord>> none;
    return m_content ? m_content->lights : none;
}

LightRecord* Scene::MovableLight() const
{
    return Lights().empty() ? nullptr : Lights().front().get();
}

GLUquadric* Scene::Quadric() const
{
    return m_content ? m_content->quadric.get() : nullptr;
}

GLuint Scene::LightMarkerList() const
{
    return m_content ? m_content->lightMarkerList.Name() : 0;
}

RestingBatches* Scene::Batches() const
{
    return m_content ? m_content->restingBatches.get() : nullptr;
}

GL_ShapeDrawer* Scene::ShapeDrawer() const
{
    return m_content ? m_content->shapeDrawer.get() : nullptr;
}

SceneTextureNames Scene::Textures() const
{
    if (!m_content)
        return {};
    const Content& c = *m_content;
    return {c.diceTexture.Name(), c.groundTexture.Name(), c.cylinderTexture.Name(),
            c.extraTexture.Name(), c.boxTexture.Name()};
}

const glw::Material* Scene::GroundSurface() const
{
    return m_content ? &m_content->groundSurface : nullptr;
}

btCollisionShape* Scene::ShapeFor(BodyKind kind) const
{
    if (!m_content)
        return nullptr;
    const Content& c = *m_content;
    switch (kind) {
        case BodyKind::Ground:
            return c.groundShape.get();
        case BodyKind::Wall:
            return c.wallShape.get();
        case BodyKind::Can:
            return c.canModel.get();
        case BodyKind::Domino:
            return c.dominoModel.get();
        case BodyKind::Die:
            return c.dieModel.get();
        case BodyKind::Ball:
            return c.ballModel.get();
        case BodyKind::Other:
            break;
    }
    return nullptr;
}

btCollisionShape* Scene::ConeShape() const
{
    return m_content ? m_content->coneShape.get() : nullptr;
}

models::CylinderModel* Scene::CanModel() const
{
    return m_content ? m_content->canModel.get() : nullptr;
}

models::BoxModel* Scene::DominoModel() const
{
    return m_content ? m_content->dominoModel.get() : nullptr;
}

models::SphereModel* Scene::BallModel() const
{
    return m_content ? m_content->ballModel.get() : nullptr;
}

models::DiceModel* Scene::DieModel() const
{
    return m_content ? m_content->dieModel.get() : nullptr;
}

void Scene::ResetSimulation()
{
    Release();
    m_history.Clear();
    if (!m_content)
        return;
    // Stop deletes thrown bodies: a selected one must be let go first.
    if (const btRigidBody* selected = m_selection.Body(); selected && WasThrown(*selected))
        m_selection.Clear();
    m_content->shelf->PutBackForStop();
    ::ResetSimulation(*m_content->world);
    m_content->bodies->RestoreConstraints();
}

int Scene::TakeOutFallen()
{
    if (!m_content)
        return 0;
    const std::vector<btRigidBody*> fallen = FallenBodies(*m_content->world);
    if (fallen.empty())
        return 0;
    m_history.Clear();
    for (btRigidBody* body : fallen) {
        const bool thrown = WasThrown(*body);
        TakeOut(*body, SimulationState::Running);
        if (thrown)
            ReleaseOut(body);
    }
    return static_cast<int>(fallen.size());
}

bool Scene::PressAt(const PickRay& ray, SimulationState state)
{
    Release();
    if (!m_content)
        return false;
    const std::optional<PickHit> hit = PickBody(*m_content->world, ray);
    m_selection.Select(hit ? hit->body : nullptr);
    return hit && m_drag.Begin(*m_content->world, *hit, state);
}

void Scene::DragTo(const PickRay& ray)
{
    m_drag.MoveTo(ray);
}

void Scene::Release()
{
    if (!m_drag.Active())
        return;
    btRigidBody& body = *m_drag.Body();
    const bool carried = m_drag.Carries();
    const btTransform before = m_drag.TransformAtBegin();
    const SimulationState state = m_drag.State();
    m_drag.End();
    const btTransform after = body.getCenterOfMassTransform();
    // A press that did not move the body is no edit.
    if (carried && !(after == before))
        m_history.Push(MakeMoveEdit(*m_content->world, body, before, after, state));
}

int Scene::AddRestingBodies(int count)
{
    if (!m_content)
        return 0;
    return AddRestingThrownBodies(*m_content->world, BallModel(), DieModel(), count);
}

void Scene::EmptyWorld(Content& content)
{
    // An opened world's own shapes go with it. The drawer finds a hull
    // through the shape it drew, so it cannot tell when a shape goes: it is
    // told here, or it would keep every hull of every file opened.
    if (const LoadedWorld* opened = content.bodies->Opened()) {
        for (int i = 0; i < opened->OwnedShapeCount(); ++i)
            content.shapeDrawer->releaseHullCaches(&opened->OwnedShapeAt(i));
    }
    content.shelf->Clear();
    content.bodies->Clear();
    for (const auto& pasted : content.pastedSources)
        for (int i = 0; i < pasted->OwnedShapeCount(); ++i)
            content.shapeDrawer->releaseHullCaches(&pasted->OwnedShapeAt(i));
    content.pastedSources.clear();
    ApplyWorldSettings(*content.world);
    content.world->getConstraintSolver()->reset();
}

void Scene::NewWorld()
{
    if (!m_content)
        return;
    Release();
    m_history.Clear();
    Content& c = *m_content;
    m_selection.Clear();
    EmptyWorld(c);
    AddStartBodies(*c.world, c.groundShape.get(), c.canModel.get());
}

btCollisionShape* Scene::ShapeNamed(std::string_view name) const
{
    return ShapeFor(KindFromShapeName(name));
}

SceneShapeLookup Scene::ShapeLookup() const
{
    std::array<btCollisionShape*, kBodyKindCount> shapes{};
    for (int k = 0; k < kBodyKindCount; ++k)
        shapes[std::size_t(k)] = ShapeFor(static_cast<BodyKind>(k));
    return [shapes](std::string_view name) {
        return shapes[std::size_t(KindFromShapeName(name))];
    };
}

void Scene::TakeWorld(std::unique_ptr<LoadedWorld> opened)
{
    KINETTA_ASSERT(m_content != nullptr, "build the scene before handing it a world");
    KINETTA_ASSERT(opened != nullptr, "hand over an opened world");
    // A shape under a kind's name but with its own dimensions is no kind.
    for (int i = 0; i < opened->BodyCount(); ++i) {
        btRigidBody& body = opened->BodyAt(i);
        const BodyKind kind = KindFromShapeName(opened->ShapeNameAt(i));
        SetBodyKind(body, ShapeFor(kind) == body.getCollisionShape() ? kind : BodyKind::Other);
    }
    Release();
    m_history.Clear();
    Content& c = *m_content;
    m_selection.Clear();
    EmptyWorld(c);
    c.bodies->Adopt(std::move(opened));
}

WorldFileResult Scene::OpenWorld(const std::string& path, const WorldFileOpenOptions& options)
{
    if (!m_content)
        return WorldFileResult::Failure("the 3D view could not be set up");
    OpenedWorldFile opened = OpenWorldFile(
        path, [this](std::string_view name) { return ShapeNamed(name); }, options);
    if (!opened.result.ok)
        return opened.result;
    TakeWorld(std::move(opened.world));
    return opened.result;
}

WorldFileResult Scene::SaveWorld(const std::string& path)
{
    if (!m_content)
        return WorldFileResult::Failure("the 3D view could not be set up");
    // The mouse's spring is no part of the world a user saves.
    m_drag.DetachSpring();
    WorldFileResult result = SaveWorldFile(*m_content->world, path, ShapeNamer());
    m_drag.AttachSpring();
    return result;
}

ShapeNameLookup Scene::ShapeNamer() const
{
    // The scene's shapes under their kinds' names; an opened or pasted
    // file's own shapes, compounds' parts among them, keep the names the
    // file gave them.
    auto names = std::make_shared<std::unordered_map<const btCollisionShape*, std::string>>();
    for (int k = 1; k < kBodyKindCount; ++k) {
        const auto kind = static_cast<BodyKind>(k);
        (*names)[ShapeFor(kind)] = std::string(ShapeNameOf(kind));
    }
    std::vector<const LoadedWorld*> files;
    if (m_content) {
        if (const LoadedWorld* opened = m_content->bodies->Opened())
            files.push_back(opened);
        for (const auto& pasted : m_content->pastedSources)
            files.push_back(pasted.get());
    }
    return [names, files](const btCollisionShape& shape) {
        if (const auto found = names->find(&shape); found != names->end())
            return found->second;
        for (const LoadedWorld* file : files)
            if (std::string name = file->NameOf(shape); !name.empty())
                return name;
        return std::string();
    };
}

void Scene::TakeOut(btRigidBody& body, SimulationState state)
{
    KINETTA_ASSERT(m_content != nullptr, "build the scene before editing its bodies");
    bool fromFile = false;
    if (const LoadedWorld* opened = m_content->bodies->Opened()) {
        for (int i = 0; i < opened->BodyCount() && !fromFile; ++i)
            fromFile = &opened->BodyAt(i) == &body;
    }
    const bool backAtStop = state != SimulationState::Stopped && !WasThrown(body);
    // A held body lets go without a move edit: this may run inside an Undo,
    // where no edit may be pushed, and the body is leaving anyway.
    if (m_drag.Body() == &body)
        m_drag.End();
    m_selection.Forget(&body);
    m_content->shelf->TakeOut(body, !fromFile, backAtStop);
}

void Scene::PutBack(btRigidBody& body)
{
    KINETTA_ASSERT(m_content != nullptr, "build the scene before editing its bodies");
    m_content->shelf->PutBack(body);
}

void Scene::ReleaseOut(const btRigidBody* body)
{
    if (m_content)
        m_content->shelf->Release(body);
}

std::vector<btRigidBody*> Scene::AddCopies(std::unique_ptr<LoadedWorld> source,
                                           const btVector3& offset, SimulationState state)
{
    KINETTA_ASSERT(m_content != nullptr, "build the scene before adding bodies");
    KINETTA_ASSERT(source != nullptr, "hand over the world to copy from");
    std::vector<btRigidBody*> added;
    for (int i = 0; i < source->BodyCount(); ++i) {
        btRigidBody& from = source->BodyAt(i);
        const float mass = from.getInvMass() > 0 ? 1.0f / from.getInvMass() : 0.0f;
        btTransform where = from.getWorldTransform();
        where.getOrigin() += offset;
        btRigidBody* body =
            CreateRigidBody(from.getCollisionShape(), mass, where.getOrigin(), where.getRotation(),
                            kCcdMotionThreshold, kCcdSweptSphereRadius);
        body->setFriction(from.getFriction());
        body->setRollingFriction(from.getRollingFriction());
        body->setRestitution(from.getRestitution());
        body->setDamping(from.getLinearDamping(), from.getAngularDamping());
        SetBodyKind(*body, KindFromShapeName(source->ShapeNameAt(i)));
        if (state != SimulationState::Stopped)
            MarkThrown(*body);
        m_content->world->addRigidBody(body);
        added.push_back(body);
    }
    if (source->OwnedShapeCount() > 0)
        m_content->pastedSources.push_back(std::move(source));
    return added;
}
