#pragma once
// What the running world did, kept so that the user can go back to any
// recent step, see it, and run on from it exactly.
//
// Two kinds of record. A key frame is a whole WorldStepState, contact cache
// included: the world put back into it steps on exactly as it did. One is
// taken every half simulated second while something moves and before any
// step that follows an outside change (a throw, an edit, a drag's spring
// coming or going), so no outside change ever falls between a key frame and
// the steps re-run from it. Between key frames, each step keeps only what
// moved: every awake body's place, velocities and activation (and the step
// it fell asleep), every awake multibody's joints, and each constraint whose
// enabled state changed. A body asleep and unchanged costs nothing.
//
// Showing a moment puts every body where the records say it was. Running on
// from it puts the world back into the key frame before it and re-steps to
// it, which is exact, and forgets what came after.
//
// The bodies are named by their place in the world's list. Only appends keep
// the earlier history: bodies thrown later are taken out of the world while
// an earlier moment shows and come back after. Any other change to the
// world's list (a body deleted, fallen, or one not thrown put back) starts
// the history over from that moment.
//
// Plain C++ over Bullet: owned by the world document beside the edit history.

#include "physics/multibody_start.h"
#include "physics/world_step_state.h"

#include <btBulletDynamicsCommon.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class CDynamicsWorld;

// A body's motion at one moment, as kept.
struct BodyMotion {
    btTransform transform;
    btVector3 linearVelocity{0, 0, 0};
    btVector3 angularVelocity{0, 0, 0};
    int activationState = 0;
    btScalar deactivationTime = 0;
};

// Linear plus rotational, with the body's mass and inertia as they are now.
double KineticEnergy(const btRigidBody& body, const BodyMotion& motion);

class WorldHistory {
public:
    static constexpr double kDefaultSeconds = 20.0;
    static constexpr std::size_t kDefaultBudgetBytes = std::size_t(512) << 20;
    // Half a simulated second of fixed steps.
    static constexpr int kStepsBetweenKeyFrames = 30;

    explicit WorldHistory(double seconds = kDefaultSeconds,
                          std::size_t budgetBytes = kDefaultBudgetBytes);
    ~WorldHistory();
    WorldHistory(const WorldHistory&) = delete;
    WorldHistory& operator=(const WorldHistory&) = delete;

    // Around every step the world takes while recording. BeforeStep takes a
    // key frame when one is due; AfterStep keeps the step. The world must be
    // showing its last moment (RunOn first).
    void BeforeStep(const CDynamicsWorld& world);
    void AfterStep(const CDynamicsWorld& world);
    // The world was changed on purpose between steps (an edit, Undo, Redo):
    // at a rewound moment the later history goes, and the changed world
    // becomes that moment's key frame, so running on keeps the change.
    void NoteEdit(CDynamicsWorld& world);

    // Forgets every moment, and with them the bodies of dropped futures,
    // which are deleted: only when nothing else can name them any more
    // (Stop, New, Open, the document's end, with the edit history cleared
    // first). Bodies taken out for an earlier moment come back first.
    void Clear(CDynamicsWorld& world);

    // Steps are counted from the first kept after a Clear.
    bool Empty() const { return m_moments.empty(); }
    std::int64_t FirstStep() const { return m_firstStep; }
    std::int64_t LastStep() const { return m_firstStep + std::int64_t(m_moments.size()) - 1; }
    std::int64_t ShownStep() const { return m_shown; }
    static double SecondsOf(std::int64_t step);
    double ShownSeconds() const { return Empty() ? 0.0 : SecondsOf(m_shown); }
    double FirstSeconds() const { return Empty() ? 0.0 : SecondsOf(m_firstStep); }
    double LastSeconds() const { return Empty() ? 0.0 : SecondsOf(LastStep()); }
    double KeptSeconds() const { return LastSeconds() - FirstSeconds(); }
    // The seconds the history keeps when its budget allows.
    double WantedSeconds() const { return m_wantedSeconds; }
    // Whether the budget dropped moments the wanted span would have kept.
    bool LimitedByMemory() const { return m_limitedByMemory; }
    std::size_t Bytes() const { return m_bytes; }
    // Whether the world shows an earlier moment than the last, or was moved
    // to one and not yet run on (the world then lacks its contact cache).
    bool Rewound() const { return m_scrubbed; }

    // Puts every body where it was at the step (nearest kept one) and returns
    // the bodies this took out of the world (thrown later), for the caller
    // to forget; the caller lets go of any held body first. False when
    // nothing is kept.
    bool Show(CDynamicsWorld& world, std::int64_t step,
              std::vector<btCollisionObject*>* takenOut = nullptr);
    // Makes the shown moment the world's present: the key frame before it is
    // put back and re-stepped to it (exact), and the later history goes.
    // When that key frame no longer fits the world (a drag's spring was in
    // it) the bodies stay as shown and the contact cache is forgotten.
    // Answers whether the run on is exact. Forget puts the key frame back
    // without its contact cache, which no longer repeats the first run.
    bool RunOn(CDynamicsWorld& world, ContactCache cache = ContactCache::Restore);

    // The body's motion at every kept moment, oldest first; empty where it
    // was not yet in the world.
    std::vector<std::optional<BodyMotion>> MotionOf(const btCollisionObject& body) const;
    struct Summary {
        double kineticEnergy = 0;  // of every movable rigid body
        int awake = 0;
    };
    // One per kept moment, oldest first.
    std::vector<Summary> Summaries() const;

    // What one step's record holds for a body: for the bytes it costs.
    struct BodyRecord {
        std::uint32_t index;  // in the world's list
        std::int32_t activationState;
        float deactivationTime;
        float basis[9];
        float origin[3];
        float linearVelocity[3];
        float angularVelocity[3];
    };

private:
    struct Moment {
        std::vector<BodyRecord> bodies;  // by index, ascending
        std::vector<std::pair<int, MultiBodyStart>> multiBodies;
        std::vector<std::pair<int, bool>> constraintsEnabled;  // the changes
        Summary summary;
        // The world as the step after this one starts from it.
        std::shared_ptr<const WorldStepState> keyFrame;
        std::size_t Bytes() const;
    };

    Moment& Live() { return m_moments.back(); }
    std::size_t IndexOf(std::int64_t step) const { return std::size_t(step - m_firstStep); }
    // The nearest moment at or before the index that has a key frame.
    std::size_t KeyFrameAtOrBefore(std::size_t index) const;
    const WorldStepState& LatestKeyFrame() const;
    void TakeKeyFrame(const CDynamicsWorld& world);
    // Whether the world's list is the latest key frame's with thrown bodies
    // added after it; anything else starts over.
    bool OnlyThrownAdded(const CDynamicsWorld& world) const;
    void StartOver(const CDynamicsWorld& world);
    // Drops the moments after the shown one; bodies taken out for it are
    // then no part of any kept moment.
    void DropLater();
    void KeepWithinBounds();
    void TakeOutFrom(CDynamicsWorld& world, std::size_t count,
                     std::vector<btCollisionObject*>* takenOut);
    void PutBackUpTo(CDynamicsWorld& world, std::size_t count);

    double m_wantedSeconds;
    std::size_t m_budgetBytes;
    std::deque<Moment> m_moments;
    std::int64_t m_firstStep = 0;
    std::int64_t m_shown = 0;
    std::size_t m_bytes = 0;
    bool m_limitedByMemory = false;
    bool m_scrubbed = false;
    int m_stepsSinceKeyFrame = 0;
    bool m_movedSinceKeyFrame = false;
    // Which bodies the last step kept, so the step each falls asleep is kept too.
    std::vector<char> m_keptLastStep;
    std::vector<char> m_constraintEnabled;
    std::vector<BodyRecord> m_scratch;
    // Bodies of later moments taken out while an earlier one shows, in the
    // world's order, with their broadphase filters.
    struct OutBody {
        btCollisionObject* object;
        int group;
        int mask;
    };
    std::vector<OutBody> m_out;
    // Thrown bodies of a future that was dropped: no kept moment holds them,
    // but an edit may still name them until the next Clear.
    std::vector<btCollisionObject*> m_dropped;
};
