// The data folder found relative to the program: an installation's
// <prefix>/share/seasky, a build tree's copy beside its programs, and nothing
// where neither is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <stdlib.h>

#include "app/data_paths.h"

namespace seasky {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed at the end.
class FolderTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "seasky-data-paths-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        root_ = name;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path Make(const fs::path& relative) {
        fs::create_directories(root_ / relative);
        return root_ / relative;
    }
    fs::path root_;
};

TEST_F(FolderTree, InstallationFindsShareBesideBin) {
    const fs::path bin = Make("prefix/bin");
    const fs::path profiles = Make("prefix/share/seasky/profiles");
    Make("prefix/share/seasky/sensors");
    EXPECT_EQ(InstalledDataFolder("profiles", bin), profiles);
    EXPECT_EQ(InstalledDataFolder("sensors", bin), root_ / "prefix/share/seasky/sensors");
    EXPECT_FALSE(InstalledDataFolder("other", bin));
}

TEST_F(FolderTree, BuildTreeFindsShareBesideItsPrograms) {
    const fs::path build = Make("build");
    const fs::path profiles = Make("build/share/seasky/profiles");
    EXPECT_EQ(InstalledDataFolder("profiles", build), profiles);
    // The test programs two folders down find the same copy.
    EXPECT_EQ(InstalledDataFolder("profiles", Make("build/tests/gui")), profiles);
    // Three folders down is too far: no unrelated folder higher up is taken.
    EXPECT_FALSE(InstalledDataFolder("profiles", Make("build/a/b/c")));
}

TEST_F(FolderTree, NearestFolderWins) {
    // A program in <prefix>/bin with a copy of its own beside it takes that one.
    const fs::path bin = Make("prefix/bin");
    Make("prefix/share/seasky/profiles");
    const fs::path own = Make("prefix/bin/share/seasky/profiles");
    EXPECT_EQ(InstalledDataFolder("profiles", bin), own);
}

TEST_F(FolderTree, MovedPrefixFindsItsOwnData) {
    Make("old/bin");
    Make("old/share/seasky/profiles");
    fs::rename(root_ / "old", root_ / "new");
    EXPECT_EQ(InstalledDataFolder("profiles", root_ / "new/bin"), root_ / "new/share/seasky/profiles");
    EXPECT_FALSE(InstalledDataFolder("profiles", root_ / "old/bin"));
}

TEST_F(FolderTree, FileInPlaceOfFolderIsNotTaken) {
    const fs::path bin = Make("prefix/bin");
    Make("prefix/share/seasky");
    { std::ofstream(root_ / "prefix/share/seasky/profiles") << "not a folder"; }
    EXPECT_FALSE(InstalledDataFolder("profiles", bin));
}

TEST(DataPaths, NoProgramFolderFindsNothing) {
    EXPECT_FALSE(InstalledDataFolder("profiles", fs::path()));
    EXPECT_FALSE(InstalledDataFolder("profiles", fs::path("/")));
}

TEST(DataPaths, ProgramFolderIsThisTestProgramsFolder) {
    const fs::path folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::exists(folder / "test_app")) << folder;
}

// The build tree's copy of the data, made beside its programs, is what this
// test program (two folders below them) finds.
TEST(DataPaths, BuildTreeCopyOfTheStandardAtmospheres) {
    const auto folder = InstalledDataFolder("profiles");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(fs::is_regular_file(*folder / "midlatitude-summer.txt")) << *folder;
    EXPECT_TRUE(fs::is_regular_file(*folder / "README.md")) << *folder;
    const auto sensors = InstalledDataFolder("sensors");
    ASSERT_TRUE(sensors);
    EXPECT_TRUE(fs::is_regular_file(*sensors / "amsr2.json")) << *sensors;
}

}  // namespace
}  // namespace seasky
