#include "app/command_line.h"
#include "app/stats_report.h"

#include <BulletDynamics/Featherstone/btMultiBodyConstraintSolver.h>
#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>
#include <btBulletDynamicsCommon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

CommandLine Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "kinetta");
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

}  // namespace

TEST(CommandLine, ReadsEveryOptionInBothSpellings)
{
    const CommandLine cl = Parse({"--stats", "--throw", "40", "--version", "-h"});
    EXPECT_TRUE(cl.error.empty()) << cl.error;
    EXPECT_TRUE(cl.stats && cl.version && cl.help);
    EXPECT_EQ(cl.throwCount, 40);

    const CommandLine attached = Parse({"--throw=100000", "--"});
    EXPECT_TRUE(attached.error.empty()) << attached.error;
    EXPECT_EQ(attached.throwCount, kMaxThrowCount);
    EXPECT_FALSE(attached.stats || attached.version || attached.help);
}

TEST(CommandLine, TakesOneFileAnywhereAndAfterDashDashEvenANameLikeAnOption)
{
    const CommandLine plain = Parse({"--stats", "slope.bullet", "--throw", "3"});
    EXPECT_TRUE(plain.error.empty()) << plain.error;
    EXPECT_EQ(plain.file, "slope.bullet");
    EXPECT_TRUE(plain.stats);
    EXPECT_EQ(plain.throwCount, 3);

    const CommandLine dashed = Parse({"--stats", "--", "--help"});
    EXPECT_TRUE(dashed.error.empty()) << dashed.error;
    EXPECT_EQ(dashed.file, "--help");
    EXPECT_FALSE(dashed.help);
    EXPECT_TRUE(dashed.stats);

    // "-" is a name, and so is "": it cannot be opened, which the window says.
    EXPECT_EQ(Parse({"-"}).file, "-");
    EXPECT_EQ(Parse({""}).file, "");
    EXPECT_EQ(Parse({"--stats"}).file, std::nullopt);
    // The value of --throw is not a file.
    EXPECT_EQ(Parse({"--throw", "7"}).file, std::nullopt);
}

TEST(CommandLine, RejectsWhatItDoesNotKnowAsGnuToolsDo)
{
    const std::pair<std::vector<const char*>, std::string> cases[] = {
        {{"--unknown-option"}, "unrecognized option '--unknown-option'"},
        {{"--stats", "-x"}, "invalid option -- 'x'"},
        {{"-hv"}, "invalid option -- 'v'"},
        {{"a.bullet", "b.bullet"}, "extra operand 'b.bullet'"},
        {{"--", "a.bullet", "--help"}, "extra operand '--help'"},
        {{"--version=2"}, "option '--version' doesn't allow an argument"},
        {{"--throw"}, "option '--throw' requires an argument"},
        {{"--throw", "abc"}, "invalid number of bodies to throw: 'abc'"},
        {{"--throw", "12abc"}, "invalid number of bodies to throw: '12abc'"},
        {{"--throw", "-5"}, "invalid number of bodies to throw: '-5'"},
        {{"--throw=100001"}, "invalid number of bodies to throw: '100001'"},
        {{"--throw="}, "invalid number of bodies to throw: ''"},
    };
    for (const auto& [args, error] : cases) {
        const CommandLine cl = Parse(args);
        EXPECT_EQ(cl.error.rfind(error, 0), 0u) << args.front() << " gave: " << cl.error;
    }

    // The error goes to stderr with the usage lines, nothing to stdout, and
    // the exit status is 2 even when --help was asked for too.
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    EXPECT_EQ(AnswerInformationalOptions(Parse({"--help", "--bogus"}), out, err), 2);
    EXPECT_EQ(std::ftell(out), 0L);
    std::string message(static_cast<std::size_t>(std::ftell(err)), '\0');
    std::rewind(err);
    ASSERT_EQ(std::fread(message.data(), 1, message.size(), err), message.size());
    EXPECT_EQ(message,
              "kinetta: unrecognized option '--bogus'\n"
              "Usage: kinetta [OPTION]... [FILE]\n"
              "Try 'kinetta --help' for more information.\n");
    std::fclose(out);
    std::fclose(err);

    EXPECT_EQ(AnswerInformationalOptions(Parse({"--stats"}), stdout, stderr), std::nullopt);
}

TEST(CommandLine, ScriptOptionsReadTheirValuesAndRefuseWhatDoesNotGoTogether)
{
    const CommandLine record =
        Parse({"--record", "out.mp4", "--seconds=2.5", "--size", "640x480", "w.bullet"});
    EXPECT_TRUE(record.error.empty()) << record.error;
    EXPECT_EQ(record.record, "out.mp4");
    EXPECT_DOUBLE_EQ(record.seconds, 2.5);
    EXPECT_EQ(std::pair(record.width, record.height), std::pair(640, 480));
    EXPECT_EQ(record.file, "w.bullet");

    const CommandLine picture = Parse({"--picture=a.png", "--at", "0", "--size=8192x1"});
    EXPECT_TRUE(picture.error.empty()) << picture.error;
    EXPECT_EQ(picture.picture, "a.png");
    EXPECT_EQ(std::pair(picture.width, picture.height), std::pair(8192, 1));
    // The default size.
    const CommandLine plain = Parse({"--picture", "b.png"});
    EXPECT_EQ(std::pair(plain.width, plain.height), std::pair(1024, 768));

    const std::pair<std::vector<const char*>, const char*> bad[] = {
        {{"--record", "a.mp4"}, "needs '--seconds'"},
        {{"--record", "a.mp4", "--seconds", "0"}, "more than 0"},
        {{"--record", "a.mp4", "--seconds", "3600.5"}, "invalid number of seconds"},
        {{"--record", "a.mp4", "--seconds", "1e3"}, "invalid number of seconds"},
        {{"--record", "a.mp4", "--seconds", "-1"}, "invalid number of seconds"},
        {{"--picture", "a.png", "--record", "b.mp4", "--seconds", "1"}, "together"},
        {{"--picture", "a.png", "--seconds", "1"}, "goes with '--record'"},
        {{"--record", "a.mp4", "--seconds", "1", "--at", "1"}, "goes with '--picture'"},
        {{"--size", "10x10"}, "goes with"},
        {{"--picture", "a.png", "--size", "8193x10"}, "invalid size"},
        {{"--picture", "a.png", "--size", "0x10"}, "invalid size"},
        {{"--picture", "a.png", "--size", "640"}, "invalid size"},
        {{"--picture", "a.png", "--size", "64x48x2"}, "invalid size"},
        {{"--picture", ""}, "empty file name"},
        {{"--record"}, "requires an argument"},
    };
    for (const auto& [args, message] : bad) {
        const CommandLine cl = Parse(args);
        EXPECT_NE(cl.error.find(message), std::string::npos)
            << args.front() << " gives '" << cl.error << "'";
    }
}

TEST(CommandLine, HelpListsEveryOptionAndKeyOfTheTables)
{
    const std::string help = HelpText("kinetta");
    for (const OptionDoc& option : OptionDocs())
        EXPECT_NE(help.find(option.longName), std::string::npos) << option.longName;
    for (const KeyDoc& key : KeyDocs())
        EXPECT_NE(help.find(std::string(key.keys) + "  "), std::string::npos) << key.keys;
    EXPECT_NE(help.find("xvfb-run"), std::string::npos);
    for (std::size_t start = 0, end; start < help.size(); start = end + 1) {
        end = help.find('\n', start);
        EXPECT_LE(end - start, 79u) << help.substr(start, end - start);
    }
    EXPECT_EQ(VersionText().rfind("kinetta " KINETTA_VERSION "\n", 0), 0u);
}

TEST(StatsLine, ReportsTheLastIntervalsMeans)
{
    ViewStats before;
    before.ticks = 100;
    before.frames = 90;
    before.steps = 80;
    before.stepMilliseconds = 160.0;
    before.renderMilliseconds = 900.0;
    ViewStats now = before;
    now.ticks += 98;
    now.frames += 50;
    now.steps += 40;
    now.stepMilliseconds += 60.0;   // 1.5 ms per step
    now.renderMilliseconds += 500;  // 10 ms per frame
    now.shownSeconds = 11.5;
    now.historySeconds = 20.0;
    EXPECT_EQ(FormatStatsLine(before, now, 246, 5, 1.0),
              "stats: seconds=1.00 ticks=98 frames=50 bodies=246 awake=5 step_ms=1.500 "
              "render_ms=10.000 time=11.500 history=20.000");
}

// A world with multibodies names them and their links; their colliders are
// no bodies of their own.
TEST(StatsLine, CountsMultibodiesAndLinksOnlyWhenThereAreAny)
{
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher(&configuration);
    btDbvtBroadphase broadphase;
    btMultiBodyConstraintSolver solver;
    btMultiBodyDynamicsWorld world(&dispatcher, &broadphase, &solver, &configuration);
    btSphereShape ball(0.5f);
    btRigidBody ground(0, nullptr, &ball);
    world.addRigidBody(&ground);
    EXPECT_EQ(CountForStats(&world).bodies, 1);
    EXPECT_EQ(CountForStats(&world).multiBodies, 0);

    btMultiBody arm(2, 1, btVector3(1, 1, 1), true, true);
    for (int i = 0; i < 2; ++i)
        arm.setupRevolute(i, 1, btVector3(1, 1, 1), i - 1, btQuaternion::getIdentity(),
                          btVector3(0, 0, 1), btVector3(0, -1, 0), btVector3(0, -1, 0));
    arm.finalizeMultiDof();
    btMultiBodyLinkCollider collider(&arm, 1);
    collider.setCollisionShape(&ball);
    world.addCollisionObject(&collider);
    world.addMultiBody(&arm);
    const StatsCounts counts = CountForStats(&world);
    EXPECT_EQ(counts.bodies, 1);
    EXPECT_EQ(counts.multiBodies, 1);
    EXPECT_EQ(counts.links, 2);
    EXPECT_EQ(FormatStatsLine(ViewStats{}, ViewStats{}, counts.bodies, 0, 1.0, counts.multiBodies,
                              counts.links),
              "stats: seconds=1.00 ticks=0 frames=0 bodies=1 awake=0 step_ms=0.000 render_ms=0.000 "
              "multibodies=1 links=2 time=0.000 history=0.000");
    EXPECT_EQ(CountForStats(nullptr).bodies, 0);
    world.removeMultiBody(&arm);
    world.removeCollisionObject(&collider);
    world.removeRigidBody(&ground);
}

TEST(StatsLine, NoStepsWhilePausedGivesZeroNotNaN)
{
    ViewStats s;
    EXPECT_EQ(FormatStatsLine(s, s, 241, 0, 1.0),
              "stats: seconds=1.00 ticks=0 frames=0 bodies=241 awake=0 step_ms=0.000 "
              "render_ms=0.000 time=0.000 history=0.000");
}
