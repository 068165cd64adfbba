#include "app/command_line.h"
#include "app/stats_report.h"

#include <gtest/gtest.h>

TEST(CommandLine, RecognisesItsOptionsAndIgnoresTheRest)
{
    const char* argv[] = {"kinetta", "--stats", "whatever", "-x", "--version"};
    const CommandLine cl = ParseCommandLine(5, argv);
    EXPECT_TRUE(cl.stats);
    EXPECT_TRUE(cl.version);
    EXPECT_FALSE(cl.help);

    const char* none[] = {"kinetta", "file.bullet"};
    const CommandLine plain = ParseCommandLine(2, none);
    EXPECT_FALSE(plain.stats || plain.version || plain.help);

    const char* afterDashes[] = {"kinetta", "--", "--help"};
    EXPECT_FALSE(ParseCommandLine(3, afterDashes).help);
}

TEST(CommandLine, HelpNamesTheOptionsAndTheDisplayNeed)
{
    const std::string help = HelpText("kinetta");
    EXPECT_NE(help.find("--stats"), std::string::npos);
    EXPECT_NE(help.find("--version"), std::string::npos);
    EXPECT_NE(help.find("xvfb-run"), std::string::npos);
    EXPECT_EQ(VersionText().rfind("kinetta 1.0.0.1", 0), 0u);
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
    EXPECT_EQ(FormatStatsLine(before, now, 246, 1.0),
              "stats: seconds=1.00 ticks=98 frames=50 bodies=246 step_ms=1.500 render_ms=10.000");
}

TEST(StatsLine, NoStepsWhilePausedGivesZeroNotNaN)
{
    ViewStats s;
    EXPECT_EQ(FormatStatsLine(s, s, 241, 1.0),
              "stats: seconds=1.00 ticks=0 frames=0 bodies=241 step_ms=0.000 render_ms=0.000");
}
