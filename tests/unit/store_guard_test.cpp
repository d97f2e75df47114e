// Where paths lead (links, "..", doubled slashes) and which places the
// settings store's guard counts as the store's.
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine_fixture.h"
#include "library/files/store_guard.h"
#include "platform/linux/file_settings_store.h"
#include "temp_folder.h"

namespace qel {
namespace {

TEST(ResolvedPlace, FollowsLinksAsTheSystemDoesAndKeepsMissingPartsAsWritten) {
    testing::TempFolder temp;
    const std::string& t = temp.path;
    PosixFileSystem files;
    temp.file("real/inner/f.txt", "x");
    ASSERT_EQ(symlink("real/inner", (t + "/rel").c_str()), 0);
    ASSERT_EQ(symlink((t + "/real").c_str(), (t + "/abs").c_str()), 0);
    ASSERT_EQ(symlink("real/not-yet.txt", (t + "/dangling").c_str()), 0);
    ASSERT_EQ(symlink("loop", (t + "/loop").c_str()), 0);
    const std::string real = files.resolvedPlace(t + "/real", true);

    EXPECT_EQ(files.resolvedPlace(t + "//real/./inner/../inner/f.txt", true),
              real + "/inner/f.txt");
    // ".." after a link climbs from where the link leads, not on the text.
    EXPECT_EQ(files.resolvedPlace(t + "/rel/../inner/f.txt", true), real + "/inner/f.txt");
    EXPECT_EQ(files.resolvedPlace(t + "/abs/inner/new/deeper", true), real + "/inner/new/deeper");
    // A link to a file not made yet leads where the file would be made.
    EXPECT_EQ(files.resolvedPlace(t + "/dangling", true), real + "/not-yet.txt");
    // Without followLast the last link is the place; a trailing slash follows.
    const std::string here = files.resolvedPlace(t, true);
    EXPECT_EQ(files.resolvedPlace(t + "/rel", false), here + "/rel");
    EXPECT_EQ(files.resolvedPlace(t + "/rel/", false), real + "/inner");
    // A link loop ends.
    EXPECT_EQ(files.resolvedPlace(t + "/loop", true), here + "/loop");
    // Relative paths start from the current folder.
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    ASSERT_EQ(chdir(t.c_str()), 0);
    const std::string relative = files.resolvedPlace("rel/f.txt", true);
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(relative, real + "/inner/f.txt");
}

class StoreGuardTest : public testing::EngineTest {
  protected:
    StoreGuardTest() {
        qel().platform().settings = std::make_unique<FileSettingsStore>(temp_.path + "/cfg/app");
        // A write makes the store's folder and files.
        qel().platform().settings->write(SettingsArea::Application, u"Qelscript\\Secure", u"Key",
                                         u"115");
    }
    std::string at(const std::string& name) const { return temp_.path + "/" + name; }
    StoreGuard guard() { return StoreGuard(engine()); }

    testing::TempFolder temp_;
};

TEST_F(StoreGuardTest, TheFolderItsFilesAndWhatHoldsThemAreTheStores) {
    StoreGuard g = guard();
    EXPECT_TRUE(g.writes(at("cfg/app/settings.ini")));
    EXPECT_TRUE(g.writes(at("cfg/app/.settings-Ab12Cd")));  // a temporary of a change
    EXPECT_TRUE(g.writes(at("cfg/app/new/folder")));
    EXPECT_FALSE(g.writes(at("cfg/app-beside.ini")));
    EXPECT_FALSE(g.writes(at("cfg/other.ini")));
    // Removing the folder that holds the store takes the store with it;
    // writing a file beside the store does not touch it.
    EXPECT_TRUE(g.removes(at("cfg")));
    EXPECT_TRUE(g.removes(at("cfg/app/settings.lock")));
    EXPECT_FALSE(g.removes(at("cfg/other.ini")));
    EXPECT_FALSE(g.writes(at("cfg")));
}

TEST_F(StoreGuardTest, OtherNamesForTheSamePlaceAreTheStoresToo) {
    ASSERT_EQ(symlink(at("cfg/app").c_str(), at("into").c_str()), 0);
    ASSERT_EQ(symlink(at("cfg/app/settings.ini").c_str(), at("to-file").c_str()), 0);
    ASSERT_EQ(link(at("cfg/app/settings.ini").c_str(), at("hard.ini").c_str()), 0);
    StoreGuard g = guard();
    EXPECT_TRUE(g.writes(at("into/settings.ini")));
    EXPECT_TRUE(g.writes(at("to-file")));
    EXPECT_TRUE(g.removes(at("into/settings.ini")));
    // A second name of the file: writing through it would change the store's
    // bytes; removing that name leaves them alone.
    EXPECT_TRUE(g.writes(at("hard.ini")));
    EXPECT_FALSE(g.removes(at("hard.ini")));
    // The link itself may go: what it points to stays.
    EXPECT_FALSE(g.removes(at("into")));
    EXPECT_FALSE(g.removes(at("to-file")));
}

TEST_F(StoreGuardTest, TreesPlacedAboveTheStoreAreCheckedByTheNamesOnTheWay) {
    StoreGuard g = guard();
    EXPECT_EQ(g.nameLeadingIn(temp_.path), std::optional<std::string>("cfg"));
    EXPECT_EQ(g.nameLeadingIn(at("cfg")), std::optional<std::string>("app"));
    EXPECT_EQ(g.nameLeadingIn(at("cfg/app")), std::nullopt);  // in it: a write
    EXPECT_EQ(g.nameLeadingIn(at("elsewhere")), std::nullopt);
    EXPECT_TRUE(g.treeReaches(at("cfg"), {"readme", "app"}));
    // Letter case is ignored, for file systems that ignore it.
    EXPECT_TRUE(g.treeReaches(at("cfg"), {"APP"}));
    EXPECT_FALSE(g.treeReaches(at("cfg"), {"readme", "app2"}));
    EXPECT_TRUE(g.treeReaches(at("cfg/app"), {"anything"}));
}

TEST_F(StoreGuardTest, AStoreNotMadeYetIsGuardedByItsPlace) {
    std::filesystem::remove_all(at("cfg"));
    StoreGuard g = guard();
    EXPECT_TRUE(g.writes(at("cfg/app")));
    EXPECT_TRUE(g.writes(at("cfg/./app/settings.ini")));
    EXPECT_FALSE(g.writes(at("cfg/other")));
    EXPECT_EQ(g.nameLeadingIn(at("cfg")), std::optional<std::string>("app"));
}

}  // namespace
}  // namespace qel
