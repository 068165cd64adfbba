// Building the scene when the view's window is created, and tearing it down
// in a fixed order when it is destroyed. Both run with the context current.
#include "view/scene.h"

#include "common/kinetta_assert.h"
#include "glw/cube_mapper.h"
#include "glw/lwo_decoder.h"
#include "glw/texture_loader.h"
#include "physics/scene_content.h"

#include <algorithm>

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

    content->groundShape = std::make_unique<btBoxShape>(kGroundHalfExtents);
    content->wallShape = std::make_unique<btBoxShape>(kWallHalfExtents);
    content->coneShape = std::make_unique<btConeShape>(kConeRadius, kConeHeight);
    SetColour(content->groundSurface, 1.0f, 1.0f, 1.0f);
    content->groundSurface.diffuseTexture = content->groundTexture.Name();

    m_content = std::move(content);
    KindShapes shapes;
    for (int k = 0; k < kBodyKindCount; ++k)
        shapes.byKind[std::size_t(k)] = ShapeFor(static_cast<BodyKind>(k));
    Content& c = *m_content;
    c.document.emplace(shapes);
    c.document->OnShapeGone(
        [drawer = c.shapeDrawer.get()](const btCollisionShape& shape) {
            drawer->releaseHullCaches(&shape);
        });
}

void Scene::Destroy()
{
    m_content.reset();
}

int Scene::BodyCount() const
{
    return m_content ? m_content->document->BodyCount() : 0;
}

int Scene::AwakeCount() const
{
    return m_content ? m_content->document->AwakeCount() : 0;
}

WorldDocument* Scene::Document() const
{
    return m_content ? &*m_content->document : nullptr;
}

CDynamicsWorld* Scene::World() const
{
    return m_content ? &m_content->document->World() : nullptr;
}

const BodySelection& Scene::Selection() const
{
    static const BodySelection none;
    return m_content ? m_content->document->Selection() : none;
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

int Scene::AddRestingBodies(int count)
{
    return m_content ? m_content->document->AddRestingBodies(count) : 0;
}
