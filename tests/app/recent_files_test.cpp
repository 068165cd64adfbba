#include "app/recent_files.h"
#include "app/sstate/settings_text.h"
#include "app/sstate/settings_tree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using sstate::CMemoryStorage;
using sstate::SettingsKey;

TEST(RecentFiles, NewestFirstFourAtMostAndTheSettingsTextKeepsThemByteForByte)
{
    CRecentFiles recent;
    // Names a settings file must not mangle: spaces, '=', '%', a backslash,
    // a byte that is not UTF-8, and one exactly four bytes long (the store
    // keeps four-byte values as numbers).
    const std::vector<std::string> paths = {
        "/w/a.bullet", "/w/b c=d%.bullet", "/w/\\e.bullet", "/w/\xe9t\xe9.bullet", "/x.b", "",
    };
    for (const std::string& path : paths)
        recent.Add(path);
    recent.Add("/w/\xe9t\xe9.bullet");  // again: moves to the front, listed once
    const std::vector<std::string> expected = {"/w/\xe9t\xe9.bullet", "/x.b", "/w/\\e.bullet",
                                               "/w/b c=d%.bullet"};
    EXPECT_EQ(recent.Paths(), expected);

    auto tree = std::make_shared<SettingsKey>();
    CMemoryStorage store(tree, true);
    recent.Store(store);
    const std::string text = sstate::WriteSettingsText(*tree);
    auto reread = std::make_shared<SettingsKey>(sstate::ParseSettingsText(text));
    CMemoryStorage readBack(reread, false);
    EXPECT_EQ(CRecentFiles::Restore(readBack).Paths(), expected) << text;

    // A shorter list leaves no stale entries behind it.
    recent.Remove("/x.b");
    recent.Remove("/w/\\e.bullet");
    recent.Store(store);
    CMemoryStorage again(tree, false);
    EXPECT_EQ(CRecentFiles::Restore(again).Paths(), recent.Paths());

    EXPECT_EQ(RecentMenuText(0, "/w/slope.bullet"), "&1 slope.bullet");
    EXPECT_EQ(RecentMenuText(3, "/w/R&D.bullet"), "&4 R&&D.bullet");
}

TEST(RecentFiles, DamagedOrRepeatedEntriesAreSkipped)
{
    const std::string text =
        "[RecentFiles]\n"
        "file1=@ByteArray(/w/a.bullet)\n"
        "file2=@Variant(\\0\\0\\0\\x7f)\n"
        "file3=@ByteArray(/w/a.bullet)\n"
        "file4=@ByteArray(/w/\\0nul.bullet)\n"
        "file5=@ByteArray(/w/too-many.bullet)\n";
    auto tree = std::make_shared<SettingsKey>(sstate::ParseSettingsText(text));
    CMemoryStorage store(tree, false);
    EXPECT_EQ(CRecentFiles::Restore(store).Paths(), std::vector<std::string>{"/w/a.bullet"});
}

}  // namespace
