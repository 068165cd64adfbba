#include "edit/world_tree.h"

#include "physics/body_name.h"

namespace {

// Groups in the order the pane lists them; indexed by BodyKind below.
constexpr BodyKind kGroupOrder[kBodyKindCount] = {BodyKind::Ground, BodyKind::Wall,
                                                  BodyKind::Can,    BodyKind::Domino,
                                                  BodyKind::Die,    BodyKind::Ball,
                                                  BodyKind::Other};

int GroupIndexOf(BodyKind kind)
{
    for (int i = 0; i < kBodyKindCount; ++i)
        if (kGroupOrder[i] == kind)
            return i;
    return kBodyKindCount - 1;
}

const char* ConstraintNounOf(btTypedConstraintType type)
{
    switch (type) {
        case POINT2POINT_CONSTRAINT_TYPE:
            return "Point";
        case HINGE_CONSTRAINT_TYPE:
            return "Hinge";
        case CONETWIST_CONSTRAINT_TYPE:
            return "Cone twist";
        case D6_CONSTRAINT_TYPE:
        case D6_SPRING_CONSTRAINT_TYPE:
        case D6_SPRING_2_CONSTRAINT_TYPE:
            return "Six-axis";
        case SLIDER_CONSTRAINT_TYPE:
            return "Slider";
        case GEAR_CONSTRAINT_TYPE:
            return "Gear";
        case FIXED_CONSTRAINT_TYPE:
            return "Fixed";
        default:
            return "Constraint";
    }
}

}  // namespace

const char* GroupTitleOf(BodyKind kind)
{
    switch (kind) {
        case BodyKind::Ground:
            return "Ground";
        case BodyKind::Wall:
            return "Walls";
        case BodyKind::Can:
            return "Cans";
        case BodyKind::Domino:
            return "Dominoes";
        case BodyKind::Die:
            return "Dice";
        case BodyKind::Ball:
            return "Balls";
        case BodyKind::Other:
            break;
    }
    return "Other";
}

void TakeWorldTree(const btDynamicsWorld& world, WorldTree& tree)
{
    for (int i = 0; i < kBodyKindCount; ++i) {
        tree.groups[i].kind = kGroupOrder[i];
        tree.groups[i].title = GroupTitleOf(kGroupOrder[i]);
        tree.groups[i].bodies.clear();
    }
    tree.constraints.clear();
    tree.constraintObjects.clear();
    tree.awakeCount = 0;

    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    tree.bodyCount = objects.size();
    for (int i = 0; i < objects.size(); ++i) {
        const btCollisionObject* object = objects[i];
        const BodyKind kind = KindOf(*object);
        WorldTreeGroup& group = tree.groups[GroupIndexOf(kind)];
        const bool asleep = object->getActivationState() == ISLAND_SLEEPING;
        if (!asleep && !object->isStaticOrKinematicObject())
            ++tree.awakeCount;
        // A named body still takes its number, so the others keep theirs.
        const std::string_view own = BodyNameOf(*object);
        group.bodies.push_back({object,
                                own.empty() ? std::string(BodyNounOf(kind)) + ' ' +
                                                  std::to_string(group.bodies.size() + 1)
                                            : std::string(own),
                                asleep});
    }

    for (int i = 0; i < world.getNumConstraints(); ++i) {
        const btTypedConstraint* constraint =
            const_cast<btDynamicsWorld&>(world).getConstraint(i);
        std::string name = std::string(ConstraintNounOf(constraint->getConstraintType())) + ' ' +
                           std::to_string(i + 1) + ": " +
                           BodyNameIn(world, &constraint->getRigidBodyA());
        // A constraint to the world has Bullet's fixed body as its second.
        const std::string other = BodyNameIn(world, &constraint->getRigidBodyB());
        name += " \u2013 " + (other.empty() ? std::string("world") : other);
        tree.constraints.push_back(std::move(name));
        tree.constraintObjects.push_back(constraint);
    }
}

std::string BodyNameIn(const btDynamicsWorld& world, const btCollisionObject* body)
{
    if (body == nullptr)
        return {};
    const std::string_view own = BodyNameOf(*body);
    const BodyKind kind = KindOf(*body);
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    int number = 0;
    for (int i = 0; i < objects.size(); ++i) {
        if (KindOf(*objects[i]) != kind)
            continue;
        ++number;
        if (objects[i] == body)
            return own.empty() ? std::string(BodyNounOf(kind)) + ' ' + std::to_string(number)
                               : std::string(own);
    }
    return {};
}
