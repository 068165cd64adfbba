// Building the scene when the view's window is created, and tearing it down
// in a fixed order when it is destroyed. Both run with the context current.
#include "view/scene.h"

#include "glw/cube_mapper.h"
#include "glw/lwo_decoder.h"
#include "glw/texture_loader.h"
#include "physics/rigid_body.h"
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

void Scene::LoadTextures()
{
    // The loader's session ends with this scope, also when a load throws;
    // the textures stay valid.
    glw::TextureLoader loader;
    m_diceTexture = loader.LoadTexture(kDiceImage);
    m_groundTexture = loader.LoadTexture(kGroundImage);
    m_cylinderTexture = loader.LoadTexture(kCylinderImage);
    m_extraTexture = loader.LoadTexture(kExtraImage);
    m_boxTexture = loader.LoadTexture(kBoxImage);
    loader.Shutdown();
}

void Scene::DeleteTextures()
{
    for (GLuint* name :
         {&m_groundTexture, &m_cylinderTexture, &m_diceTexture, &m_extraTexture, &m_boxTexture})
        glw::DeleteTexture(*name);
}

void Scene::CreateModels()
{
    glw::LwoDecoder decoder;

    auto cylinder = std::make_unique<models::CylinderModel>(kCylinderHalfExtents);
    decoder.DecodeResource(*cylinder, kCylinderMesh, "LWO");
    for (std::size_t i : {0u, 1u})
        EditSurface(*cylinder, i,
                    [&](glw::Surface& s) { s.material.reflectionTexture = m_cylinderTexture; });
    EditSurface(*cylinder, 1, [](glw::Surface& s) { SetColour(s.material, 1.0f, 1.0f, 1.0f); });
    cylinder->SetDrawFlags(glw::kDrawNormals);
    m_cylinderModel = cylinder.release();

    auto sphere = std::make_unique<models::SphereModel>(kSphereRadius);
    decoder.DecodeResource(*sphere, kSphereMesh, "LWO");
    EditSurface(*sphere, 0, [](glw::Surface& s) {
        SetColour(s.material, 1.0f, 1.0f, 0.0f);
        s.material.smooth = true;
        s.ComputeNormals();
    });
    sphere->SetDrawFlags(glw::kDrawNormals);
    m_sphereModel = sphere.release();

    auto box = std::make_unique<models::BoxModel>(kBoxHalfExtents);
    decoder.DecodeResource(*box, kBoxMesh, "LWO");
    glw::CubeMapper mapper({0.9f, 1.8f, 0.9f}, {0.5f, 0.5f, 0.0f}, 0);
    EditSurface(*box, 0, [&](glw::Surface& s) {
        s.material.diffuseTexture = m_boxTexture;
        s.ApplyMapper(mapper);
    });
    // Mapped for its domino image, so its coordinates are sent, as the dice's.
    box->SetDrawFlags(glw::kDrawTexCoords | glw::kDrawNormals);
    box->ComputeNormals();
    m_boxModel = box.release();

    auto dice = std::make_unique<models::DiceModel>(kDiceHalfExtents);
    EditSurface(*dice, 0, [&](glw::Surface& s) { s.material.diffuseTexture = m_diceTexture; });
    // Its faces carry the coordinates of their pips in the dice image: they
    // are sent, or every face would show one texel of it.
    dice->SetDrawFlags(glw::kDrawTexCoords | glw::kDrawNormals);
    m_diceModel = dice.release();

    // The meshes are final now: OpenGL keeps its own copy from here on
    // instead of taking the arrays in again on every draw.
    for (glw::Model* model : Meshes())
        model->UploadBuffers(m_glProcs);
}

std::array<glw::Model*, 4> Scene::Meshes()
{
    return {m_cylinderModel, m_sphereModel, m_boxModel, m_diceModel};
}

void Scene::CreateShapes()
{
    m_groundShape = new btBoxShape(kGroundHalfExtents);
    m_wallShape = new btBoxShape(kWallHalfExtents);
    m_coneShape = new btConeShape(kConeRadius, kConeHeight);
}

void Scene::DeleteShapes()
{
    for (glw::Model* model : Meshes()) {
        if (model)
            model->ReleaseBuffers(m_glProcs);
    }
    // Models are deleted through their Bullet shape, as every shape is.
    btCollisionShape* shapes[] = {m_groundShape, m_wallShape, m_cylinderModel, m_coneShape,
                                  m_sphereModel, m_boxModel,  m_diceModel};
    for (btCollisionShape* shape : shapes)
        delete shape;
    m_groundShape = m_wallShape = m_coneShape = nullptr;
    m_cylinderModel = nullptr;
    m_sphereModel = nullptr;
    m_boxModel = nullptr;
    m_diceModel = nullptr;
}

void Scene::Init(glw::GlProcLookup lookup)
{
    m_glProcs = glw::GlProcs::Load(lookup);
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
    // Compiled once: GLU allocates on every sphere it makes.
    m_lightMarkerList = glGenLists(1);
    if (m_lightMarkerList != 0) {
        glNewList(m_lightMarkerList, GL_COMPILE);
        gluSphere(m_quadric, 0.1, 10, 5);
        glEndList();
    }

    LoadTextures();
    CreateModels();

    m_shapeDrawer = std::make_unique<GL_ShapeDrawer>();
    m_shapeDrawer->setTextureEnabled(true);

    m_world = CreateDynamicsWorld();
    ApplyWorldSettings(*m_world);

    CreateShapes();
    SetColour(m_groundSurface, 1.0f, 1.0f, 1.0f);
    m_groundSurface.diffuseTexture = m_groundTexture;

    AddStartBodies(*m_world, m_groundShape, m_cylinderModel);
}

void Scene::Destroy()
{
    if (m_quadric) {
        gluDeleteQuadric(m_quadric);
        m_quadric = nullptr;
    }
    if (m_lightMarkerList != 0) {
        glDeleteLists(m_lightMarkerList, 1);
        m_lightMarkerList = 0;
    }
    // Bodies go before the shapes they use, and the world is empty when it goes.
    if (m_world)
        DestroyAllCollisionObjects(*m_world);
    DeleteTextures();
    m_lights.clear();
    DeleteShapes();
    m_world.reset();
    // Its checker texture goes with it, so the context must still be current.
    m_shapeDrawer.reset();
}
