#pragma once
// The plain description of a world that the reader process sends back: shapes,
// bodies, constraints, multibodies and gravity as numbers, and its text form
// on the pipe.
//
// The text is line based: a header line, records of whitespace-separated
// tokens, and an "end" line, so that a reader that died half way is noticed.
// A multibody's line is followed by one line for each of its links.
// Numbers are written in their shortest exact form and parsed with
// std::from_chars, so nothing depends on the locale. Parsing only checks the
// grammar and bounds every count by what is left of the text; whether the
// numbers make sense is the job of world_file_checks.h.

#include <atomic>
#include <btBulletDynamicsCommon.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The shapes a description can hold. Their text names are Bullet's own enum
// names, so a description reads like the file it came from.
enum class DescribedShapeType {
    Box,           // BOX_SHAPE_PROXYTYPE
    Sphere,        // SPHERE_SHAPE_PROXYTYPE
    Capsule,       // CAPSULE_SHAPE_PROXYTYPE
    Cylinder,      // CYLINDER_SHAPE_PROXYTYPE
    Cone,          // CONE_SHAPE_PROXYTYPE
    ConvexHull,    // CONVEX_HULL_SHAPE_PROXYTYPE
    MultiSphere,   // MULTI_SPHERE_SHAPE_PROXYTYPE
    StaticPlane,   // STATIC_PLANE_PROXYTYPE
    TriangleMesh,  // TRIANGLE_MESH_SHAPE_PROXYTYPE (a BVH triangle mesh)
    Compound,      // COMPOUND_SHAPE_PROXYTYPE
};

enum class DescribedConstraintType {
    PointToPoint,     // POINT2POINT_CONSTRAINT_TYPE
    Hinge,            // HINGE_CONSTRAINT_TYPE
    ConeTwist,        // CONETWIST_CONSTRAINT_TYPE
    Generic6Dof,      // D6_CONSTRAINT_TYPE
    Generic6DofSpring,   // D6_SPRING_CONSTRAINT_TYPE
    Generic6DofSpring2,  // D6_SPRING_2_CONSTRAINT_TYPE
    Slider,           // SLIDER_CONSTRAINT_TYPE
    Fixed,            // FIXED_CONSTRAINT_TYPE
    Gear,             // GEAR_CONSTRAINT_TYPE
};

std::string_view ShapeTypeName(DescribedShapeType type);
std::string_view ConstraintTypeName(DescribedConstraintType type);

struct DescribedTransform {
    btVector3 origin{0, 0, 0};
    btQuaternion rotation{0, 0, 0, 1};
};

struct DescribedCompoundChild {
    int shape = 0;  // index of an earlier shape
    DescribedTransform transform;
};

// One shape. Dimensions are those the shape was constructed with, before its
// local scaling; which fields count depends on the type.
struct DescribedShape {
    DescribedShapeType type = DescribedShapeType::Box;
    // The record's place among the file's shapes, for messages; -1 for a
    // compound's part that has no record of its own.
    int record = -1;
    std::string name;  // empty: the file gave the shape no name
    float margin = 0;
    btVector3 localScaling{1, 1, 1};
    int upAxis = 1;         // capsule, cylinder, cone
    btVector3 extents{0, 0, 0};  // box and cylinder: half extents with the margin;
                                 // sphere: x = radius; capsule: x = radius, y = half height;
                                 // cone: x = radius, y = height; plane: the normal
    float planeConstant = 0;
    std::vector<btVector3> points;  // hull points, sphere centres, mesh vertices
    std::vector<float> radii;       // multi-sphere
    std::vector<int> triangles;     // mesh: three vertex indices each
    std::vector<DescribedCompoundChild> children;
};

struct DescribedBody {
    // The record's place among the file's rigid bodies, for messages.
    int record = 0;
    int shape = 0;
    float mass = 0;
    DescribedTransform transform;
    btVector3 linearVelocity{0, 0, 0};
    btVector3 angularVelocity{0, 0, 0};
    float friction = 0.5f;
    float rollingFriction = 0;
    float restitution = 0;
    float linearDamping = 0;
    float angularDamping = 0;
    int activationState = ACTIVE_TAG;
    // Continuous collision detection; 0 leaves it off.
    float ccdMotionThreshold = 0;
    float ccdSweptSphereRadius = 0;
    // The collision object's name in the file; empty for none. Raw text:
    // the builder makes it fit to show.
    std::string name;
};

// One degree of freedom's spring and motor, and how its limit behaves; the
// six of a constraint are the linear axes x, y, z, then the angular ones.
// The six-degree spring constraints use them all (the first generation only
// the spring), a hinge the motor of its axis (index 3).
struct DescribedAxis {
    bool motor = false;
    float targetVelocity = 0;
    float maxMotorForce = 0;  // hinge: the motor's largest impulse
    bool servo = false;
    float servoTarget = 0;
    bool spring = false;
    float stiffness = 0;
    float damping = 0;
    float equilibrium = 0;
    bool stiffnessLimited = true;
    bool dampingLimited = true;
    float bounce = 0;
    float stopErp = 0.2f;
    float stopCfm = 0;
    float motorErp = 0.9f;
    float motorCfm = 0;
};

struct DescribedConstraint {
    DescribedConstraintType type = DescribedConstraintType::PointToPoint;
    // The record's place among the file's constraints, for messages.
    int record = 0;
    int bodyA = 0;  // -1: the world itself
    int bodyB = -1;
    bool disableCollisionsBetweenBodies = false;
    DescribedTransform frameA;  // point-to-point: only the origins, the pivots;
    DescribedTransform frameB;  // gear: only the origins, the axes
    bool enabled = true;
    // The impulse that breaks the constraint: Bullet's "never" is the
    // largest float, or an infinity (a double file's largest number).
    float breakingImpulseThreshold = 3.40282347e+38f;
    float debugDrawSize = 0.05f;  // how large Bullet's debug drawer draws its frames
    int solverIterations = -1;  // -1: the world's own number
    // Hinge: frames relative to A; 6-dof and slider: linear frame of A.
    bool useReferenceFrameA = false;
    bool useFrameOffset = false;  // 6-dof and slider
    bool angularOnly = false;     // hinge
    // Hinge and cone-twist limits; cone-twist damping; gear ratio.
    float limitSoftness = 0.9f;
    float limitBias = 0.3f;
    float limitRelaxation = 1;
    float damping = 0.01f;
    float ratio = 1;
    int rotateOrder = 0;  // second-generation 6-dof: Bullet's RotateOrder
    DescribedAxis axes[6];
    // Hinge: x = low, y = high. Cone-twist: swing span 1, swing span 2, twist
    // span. 6-dof, fixed and slider: linear and angular limits (slider: x only).
    btVector3 linearLower{0, 0, 0};
    btVector3 linearUpper{0, 0, 0};
    btVector3 angularLower{0, 0, 0};
    btVector3 angularUpper{0, 0, 0};
};

// A multibody's joint to its parent, by Bullet's own names
// (btMultibodyLink::eFeatherstoneJointType); planar joints are not read.
enum class DescribedJointType {
    Revolute,   // eRevolute
    Prismatic,  // ePrismatic
    Spherical,  // eSpherical
    Fixed,      // eFixed
};

std::string_view JointTypeName(DescribedJointType type);

// The collision object of a multibody's base or link: its shape and surface.
struct DescribedCollider {
    int shape = -1;  // index of a described shape; -1: no collider
    float friction = 0.5f;
    float rollingFriction = 0;
    float restitution = 0;
};

// One link of a multibody, in Bullet's terms (btMultiBody::setupRevolute and
// its siblings): where its joint sits and how it is turned or moved.
struct DescribedLink {
    int parent = -1;  // -1: the base; otherwise an earlier link
    DescribedJointType joint = DescribedJointType::Fixed;
    float mass = 0;
    btVector3 inertia{0, 0, 0};  // diagonal, in the link's frame
    btQuaternion rotationParentToThis{0, 0, 0, 1};
    btVector3 parentComToPivot{0, 0, 0};
    btVector3 pivotToThisCom{0, 0, 0};
    btVector3 axis{0, 0, 0};  // revolute and prismatic joints
    // Revolute, prismatic: [0]. Spherical: the rotation as x, y, z, w.
    float positions[4] = {0, 0, 0, 1};
    // Revolute, prismatic: [0]. Spherical: the three angular rates.
    float velocities[3] = {0, 0, 0};
    // The joint's damping, friction, limits, largest force and speed, as the
    // file's link holds them: Bullet's multibody does not act on them by
    // itself (limits are constraints of their own), and Bullet's defaults for
    // the limits are 0 and 0.
    float damping = 0;
    float friction = 0;
    float lowerLimit = 1;  // lower above upper: no limit
    float upperLimit = -1;
    float maxForce = 0;
    float maxVelocity = 0;
    DescribedCollider collider;
    std::string name;  // raw text, as a body's
};

struct DescribedMultiBody {
    // The record's place among the file's multibodies, for messages.
    int record = 0;
    float baseMass = 0;
    // A file marks a fixed base by base mass 0: its record has no flag, and
    // Bullet writes a fixed base's mass as it is, so a writer must write 0.
    bool fixedBase = false;
    btVector3 baseInertia{0, 0, 0};
    DescribedTransform baseTransform;  // the base's place and turn in the world
    btVector3 baseLinearVelocity{0, 0, 0};
    btVector3 baseAngularVelocity{0, 0, 0};
    DescribedCollider baseCollider;
    std::vector<DescribedLink> links;  // parents before children
    std::string name;
};

// The world's solver settings as Bullet's record of them holds them
// (iterations, ERP, ERP2, CFM, solver mode, split impulse and the rest; not
// the articulated warm-starting factor, which Bullet does not write).
using DescribedSolver = btContactSolverInfoFloatData;

struct WorldDescription {
    btVector3 gravity{0, -10, 0};
    // None when the file stores no world settings.
    std::optional<DescribedSolver> solver;
    std::vector<DescribedShape> shapes;
    std::vector<DescribedBody> bodies;  // in the file's order
    std::vector<DescribedConstraint> constraints;
    std::vector<DescribedMultiBody> multiBodies;  // in the file's order
    // What the reader left out, in words ("2 multibodies"), one per entry.
    std::vector<std::string> skipped;
};

// The first line of every description; a new layout gets a new number.
inline constexpr std::string_view kWorldDescriptionHeader = "kinetta-world-description 5";

// Limits on what a description may hold at all, so that parsing a hostile
// text cannot ask for unbounded memory. The checks narrow the numbers further.
inline constexpr int kMaxDescribedShapes = 200000;
inline constexpr int kMaxDescribedBodies = 200000;
inline constexpr int kMaxDescribedConstraints = 200000;
inline constexpr int kMaxShapePoints = 4000000;  // per shape: hull, spheres, mesh vertices
inline constexpr int kMaxMeshTriangles = 4000000;
inline constexpr int kMaxCompoundChildren = 100000;
inline constexpr int kMaxDescribedMultiBodies = 10000;
inline constexpr int kMaxMultiBodyLinks = 1000;  // per multibody
inline constexpr int kMaxShapeNameLength = 200;
inline constexpr int kMaxBodyNameLength = 200;
inline constexpr int kMaxSkippedNotes = 32;
// Levels of compounds within compounds, counting the innermost shape: the
// reader describes no deeper, and the parent accepts no deeper.
inline constexpr int kMaxCompoundDepth = 16;
inline constexpr int kMaxSolverIterations = 10000;

// One axis (0-2 linear, 3-5 angular) of Bullet's second-generation six-degree
// spring constraint, both ways; limits stay with the constraint's vectors.
DescribedAxis DescribeSpring2Axis(btGeneric6DofSpring2Constraint& constraint, int axis);
void ApplySpring2Axis(const DescribedAxis& described, int axis,
                      btGeneric6DofSpring2Constraint* constraint);

// How messages name a record of the file, counted from 1 as a person counts:
// "shape 3 (\"kinetta.can\")", "rigid body 4", "constraint 2 (HINGE_CONSTRAINT_TYPE)".
std::string ShapeRecordName(const DescribedShape& shape);
std::string BodyRecordName(const DescribedBody& body);
std::string ConstraintRecordName(const DescribedConstraint& constraint);
// "multibody 2 (\"robot\")"; a link: "multibody 2, link 5 (\"arm\")", or
// "multibody 2, base" for an index past the links.
std::string MultiBodyRecordName(const DescribedMultiBody& multiBody);
std::string LinkRecordName(const DescribedMultiBody& multiBody, size_t link);

// Bullet's solver settings to their record and back; what the record does
// not hold is left as it was.
DescribedSolver DescribeSolver(const btContactSolverInfo& info);
void ApplySolver(const DescribedSolver& described, btContactSolverInfo* info);

std::string FormatWorldDescription(const WorldDescription& description);

// The description, or std::nullopt with the reason in *error, in the file's
// terms ("rigid body 4 cannot be read (expected a number)").
// With a cancel flag, it looks at it every few thousand lines and, once it
// is set, stops with kWorldOpenCancelled as the error.
std::optional<WorldDescription> ParseWorldDescription(std::string_view text, std::string* error,
                                                      const std::atomic<bool>* cancel = nullptr);
