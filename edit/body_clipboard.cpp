#include "edit/body_clipboard.h"

#include "physics/body_kind.h"
#include "physics/constraint_copy.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "edit/body_edits.h"
#include "edit/world_document.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// How far in front of the eye pasted bodies go, in metres.
constexpr float kPasteDistance = 10.0f;
// Bounds larger than this (a static plane's) are no obstacle to clear.
constexpr float kUnboundedExtent = 1.0e4f;
constexpr int kMaxRaises = 200;
// Duplicates of resting bodies touch the floor the originals rest on.
constexpr float kDuplicateResting = 0.2f;

// A private folder for the one file a Save makes; gone with the object.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::error_code error;
        std::filesystem::path base = runtime != nullptr && *runtime != '\0'
                                         ? std::filesystem::path(runtime)
                                         : std::filesystem::temp_directory_path(error);
        std::string pattern = (base / "kinetta-copy-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;  // empty when none could be made
};

// The bytes as a file only this process can name, for the reader's input.
class MemoryFile {
public:
    explicit MemoryFile(std::string_view bytes)
        : m_fd(::memfd_create("kinetta-clipboard", MFD_CLOEXEC))
    {
        std::size_t done = 0;
        while (m_fd >= 0 && done < bytes.size()) {
            const ssize_t written = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                ::close(m_fd);
                m_fd = -1;
            } else {
                done += static_cast<std::size_t>(written);
            }
        }
    }
    ~MemoryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool Ok() const { return m_fd >= 0; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};

float MassOf(const btRigidBody& body)
{
    return body.getInvMass() > 0 ? 1.0f / body.getInvMass() : 0.0f;
}

}  // namespace

std::string DescribeBody(const btRigidBody& body)
{
    const btVector3& at = body.getWorldTransform().getOrigin();
    char text[160];
    std::snprintf(text, sizeof text, "%s, %g kg, at (%.2f, %.2f, %.2f)", BodyNounOf(KindOf(body)),
                  static_cast<double>(MassOf(body)), static_cast<double>(at.x()),
                  static_cast<double>(at.y()), static_cast<double>(at.z()));
    return text;
}

CopiedBody CopyBody(const WorldDocument& document, const btRigidBody& body)
{
    return CopyBodies(document, {const_cast<btRigidBody*>(&body)});
}

CopiedBody CopyBodies(const WorldDocument& document, const std::vector<btRigidBody*>& bodies)
{
    CopiedBody copied;
    if (bodies.size() == 1) {
        copied.description = DescribeBody(*bodies.front());
    } else {
        float mass = 0;
        for (const btRigidBody* body : bodies)
            mass += MassOf(*body);
        char text[80];
        std::snprintf(text, sizeof text, "%zu bodies, %g kg", bodies.size(),
                      static_cast<double>(mass));
        copied.description = text;
    }

    // The bodies alone in a world of their own, with the world's gravity:
    // what a Save of them would write. The copies borrow the bodies' shapes.
    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    ApplyWorldSettings(*world);
    world->setGravity(document.World().getGravity());
    std::vector<btRigidBody*> copies;
    for (const btRigidBody* body : bodies) {
        const btTransform& where = body->getWorldTransform();
        btRigidBody* copy = CreateRigidBody(
            const_cast<btCollisionShape*>(body->getCollisionShape()), MassOf(*body),
            where.getOrigin(), where.getRotation(), body->getCcdMotionThreshold(),
            body->getCcdSweptSphereRadius());
        copy->setFriction(body->getFriction());
        copy->setRollingFriction(body->getRollingFriction());
        copy->setRestitution(body->getRestitution());
        copy->setDamping(body->getLinearDamping(), body->getAngularDamping());
        world->addRigidBody(copy);
        copies.push_back(copy);
    }
    // Joints among the bodies, and to what stands for the world (a body in no
    // world and without a shape); never the mouse's spring.
    btRigidBody anchor(0.0f, nullptr, nullptr);
    anchor.setMassProps(0.0f, btVector3(0, 0, 0));
    const auto copyOf = [&](const btRigidBody& body) -> btRigidBody* {
        for (std::size_t i = 0; i < bodies.size(); ++i)
            if (bodies[i] == &body)
                return copies[i];
        return body.getCollisionShape() == nullptr ? &anchor : nullptr;
    };
    std::vector<std::unique_ptr<btTypedConstraint>> joints;
    btDynamicsWorld& from = const_cast<CDynamicsWorld&>(document.World());
    for (int i = 0; i < from.getNumConstraints(); ++i) {
        const btTypedConstraint& joint = *from.getConstraint(i);
        if (&joint == document.Drag().Spring())
            continue;
        btRigidBody* a = copyOf(joint.getRigidBodyA());
        btRigidBody* b = copyOf(joint.getRigidBodyB());
        if (a == nullptr || b == nullptr || (a == &anchor && b == &anchor))
            continue;
        if (std::unique_ptr<btTypedConstraint> copy = CopyConstraint(joint, *a, *b, btVector3(0, 0, 0))) {
            world->addConstraint(copy.get(), true);
            joints.push_back(std::move(copy));
        }
    }

    ScratchFolder folder;
    if (folder.Path().empty()) {
        copied.result = WorldFileResult::Failure(std::strerror(errno));
    } else {
        const std::string path = folder.Path() + "/body.bullet";
        copied.result = SaveWorldFile(*world, path, document.ShapeNamer());
        if (copied.result.ok) {
            std::ifstream file(path, std::ios::binary);
            copied.bytes.assign(std::istreambuf_iterator<char>(file), {});
            if (!file.good() && !file.eof())
                copied.result = WorldFileResult::Failure("the copy could not be read back");
        }
    }
    for (const auto& joint : joints)
        world->removeConstraint(joint.get());
    joints.clear();
    for (btRigidBody* copy : copies)
        DestroyCollisionObject(*world, copy);
    return copied;
}

btVector3 ClearPlacement(const btCollisionWorld& world, const btVector3& min, const btVector3& max,
                         const btVector3& target, float resting)
{
    struct Overlap : btBroadphaseAabbCallback {
        bool hit = false;
        bool process(const btBroadphaseProxy* proxy) override
        {
            const btVector3 extent = proxy->m_aabbMax - proxy->m_aabbMin;
            if (extent.x() > kUnboundedExtent || extent.y() > kUnboundedExtent ||
                extent.z() > kUnboundedExtent)
                return true;
            hit = true;
            return false;
        }
    };
    const btVector3 gap(0.05f, 0.05f, 0.05f);
    btVector3 offset = target - (min + max) * 0.5f;
    const float step = (max.y() - min.y()) + 2 * gap.y();
    auto* broadphase = const_cast<btCollisionWorld&>(world).getBroadphase();
    for (int i = 0; i < kMaxRaises; ++i) {
        Overlap overlap;
        broadphase->aabbTest(min + offset - gap + btVector3(0, resting, 0), max + offset + gap,
                             overlap);
        if (!overlap.hit)
            break;
        offset.setY(offset.y() + step);
    }
    return offset;
}

namespace {

// Reads the bytes as File › Open would and adds their bodies at the place
// `target` picks for the group's bounds, as one edit.
template <typename Target>
PastedBodies AddFromBytes(WorldDocument& document, std::string_view bytes, SimulationState state,
                          const WorldFileOpenOptions& options, Target target, const char* name,
                          float resting = 0)
{
    PastedBodies pasted;
    MemoryFile file(bytes);
    if (!file.Ok()) {
        pasted.result = WorldFileResult::Failure(std::strerror(errno));
        return pasted;
    }
    OpenedWorldFile opened = OpenWorldFile(file.Path(), document.ShapeLookup(), options);
    if (!opened.result.ok) {
        pasted.result = opened.result;
        return pasted;
    }
    LoadedWorld& source = *opened.world;
    if (source.BodyCount() == 0) {
        pasted.result = WorldFileResult::Failure("it holds no bodies");
        return pasted;
    }
    btVector3 min(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT);
    btVector3 max = -min;
    for (int i = 0; i < source.BodyCount(); ++i) {
        const btRigidBody& body = source.BodyAt(i);
        btVector3 bodyMin, bodyMax;
        body.getCollisionShape()->getAabb(body.getWorldTransform(), bodyMin, bodyMax);
        min.setMin(bodyMin);
        max.setMax(bodyMax);
    }
    // A body that fills the world (a plane) is pasted where it was.
    const btVector3 extent = max - min;
    btVector3 offset(0, 0, 0);
    if (extent.x() < kUnboundedExtent && extent.y() < kUnboundedExtent &&
        extent.z() < kUnboundedExtent) {
        offset = ClearPlacement(document.World(), min, max, target(min, max), resting);
    }
    std::vector<btRigidBody*> added = document.AddCopies(std::move(opened.world), offset, state);
    pasted.count = static_cast<int>(added.size());
    // As in any editor, what was pasted is what is selected.
    document.Selection().SelectAll(added);
    document.History().Push(MakeAddEdit(document, std::move(added), state, name));
    pasted.result = opened.result;
    return pasted;
}

}  // namespace

PastedBodies PasteBodies(WorldDocument& document, std::string_view bytes, const CameraPose& eye,
                         SimulationState state, const WorldFileOpenOptions& options)
{
    const btVector3 target = -eye.camPos + ViewDirection(eye) * kPasteDistance;
    return AddFromBytes(
        document, bytes, state, options,
        [&target](const btVector3&, const btVector3&) { return target; }, "Paste");
}

PastedBodies DuplicateBodies(WorldDocument& document, const std::vector<btRigidBody*>& bodies,
                             SimulationState state, const WorldFileOpenOptions& options)
{
    const CopiedBody copied = CopyBodies(document, bodies);
    if (!copied.result.ok)
        return {copied.result, 0};
    // Beside the originals along x, a little apart, standing on what they
    // stand on: raised from there only if something is in the way.
    return AddFromBytes(
        document, copied.bytes, state, options,
        [](const btVector3& min, const btVector3& max) {
            return (min + max) * 0.5f + btVector3(max.x() - min.x() + 0.25f, 0, 0);
        },
        "Duplicate", kDuplicateResting);
}
