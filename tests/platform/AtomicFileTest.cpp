#include "platform/AtomicFile.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace krv {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(root); }
    void TearDown() override { fs::remove_all(root); }
    long Entries() const { return std::distance(fs::directory_iterator(root), {}); }

    const fs::path root = fs::temp_directory_path() / ("krv-atomic-" + std::to_string(::getpid()));
};

TEST_F(AtomicFileTest, WritesAndReplacesKeepingPermissions)
{
    const fs::path file = root / "a.ini";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(file, std::string("x\0y", 3), &error)) << error;
    EXPECT_EQ(ReadAll(file), std::string("x\0y", 3));
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    const std::string big(300000, 'Z');
    ASSERT_TRUE(WriteFileAtomically(file, big, &error)) << error;
    EXPECT_EQ(ReadAll(file), big);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Entries(), 1);

    // Through a symbolic link the file it points to is replaced.
    fs::create_symlink(file, root / "link.ini");
    ASSERT_TRUE(WriteFileAtomically(root / "link.ini", "new"));
    EXPECT_TRUE(fs::is_symlink(root / "link.ini"));
    EXPECT_EQ(ReadAll(file), "new");
}

TEST_F(AtomicFileTest, FailureLeavesTheTargetAndNoTemporary)
{
    // A regular file as folder: nothing can be created in it, not even by root.
    std::ofstream(root / "plain") << "x";
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(root / "plain" / "file", "data", &error));
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;

    // A folder as target: the rename fails after the temporary was written.
    fs::create_directories(root / "target" / "inside");
    error.clear();
    EXPECT_FALSE(WriteFileAtomically(root / "target", "data", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(root / "target" / "inside"));
    EXPECT_EQ(Entries(), 2);
}

TEST_F(AtomicFileTest, WhatIsNotARegularFileIsNeverReplaced)
{
    ASSERT_EQ(::mkfifo((root / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", root / "null-link");
    fs::create_symlink("/dev/stdout", root / "stdout-link");
    for (const char* name : {"fifo", "null-link", "stdout-link"}) {
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(root / name, "data", &error)) << name;
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    }
    EXPECT_EQ(fs::status(root / "fifo").type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_symlink(root / "null-link"));
    EXPECT_TRUE(fs::is_symlink(root / "stdout-link"));
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
    EXPECT_EQ(fs::symlink_status("/dev/stdout").type(), fs::file_type::symlink);
    EXPECT_EQ(Entries(), 3);
}

TEST_F(AtomicFileTest, EnsureFolderCreatesParents)
{
    std::string error;
    EXPECT_TRUE(EnsureFolder(root / "a" / "b" / "c", &error)) << error;
    EXPECT_TRUE(EnsureFolder(root / "a" / "b" / "c"));
    EXPECT_TRUE(fs::is_directory(root / "a" / "b" / "c"));
    std::ofstream(root / "file") << "x";
    EXPECT_FALSE(EnsureFolder(root / "file"));
    EXPECT_FALSE(EnsureFolder(root / "file" / "sub", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace krv
