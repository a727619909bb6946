#include "platform/OutputFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "platform/ThreadName.h"
#include "platform/UniqueFd.h"
#include "support/FileContents.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;

ino_t Inode(const fs::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class OutputFileTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(root); }
    void TearDown() override { fs::remove_all(root); }

    const fs::path root = fs::temp_directory_path() / ("krv-output-" + std::to_string(::getpid()));
};

TEST_F(OutputFileTest, RegularFilesAreReplacedAndEverythingElseWrittenInto)
{
    using Kind = OutputTarget::Kind;
    struct Case {
        const char* what;
        std::function<std::string()> make;  // prepares the case, returns the name to write
        std::optional<Kind> kind;           // nullopt: refused
        std::function<void()> check;        // after "data" was written
    };
    const fs::path file = root / "file";
    ino_t before = 0;
    const std::vector<Case> cases = {
        {"missing file", [&] { return file.string(); }, Kind::Replace,
         [&] { EXPECT_EQ(ReadAll(file), "data"); }},
        {"regular file",
         [&] {
             std::ofstream(file) << "old content, longer";
             before = Inode(file);
             return file.string();
         },
         Kind::Replace,
         [&] {
             EXPECT_EQ(ReadAll(file), "data");
             EXPECT_NE(Inode(file), before);  // replaced whole, never written over in place
         }},
        {"chain of relative links to a regular file",
         [&] {
             std::ofstream(file) << "old";
             fs::create_directories(root / "sub");
             fs::create_symlink("../file", root / "sub" / "first");
             fs::create_symlink("sub/first", root / "second");
             return (root / "second").string();
         },
         Kind::Replace,
         [&] {
             EXPECT_TRUE(fs::is_symlink(root / "second"));
             EXPECT_TRUE(fs::is_symlink(root / "sub" / "first"));
             EXPECT_EQ(ReadAll(file), "data");
         }},
        {"dangling link: creates what it points to",
         [&] {
             fs::create_symlink("made", root / "dangling");
             return (root / "dangling").string();
         },
         Kind::Replace,
         [&] {
             EXPECT_TRUE(fs::is_symlink(root / "dangling"));
             EXPECT_EQ(ReadAll(root / "made"), "data");
         }},
        {"device", [] { return std::string("/dev/null"); }, Kind::WriteInto,
         [] { EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character); }},
        {"folder", [&] { return root.string(); }, std::nullopt, [] {}},
        {"link loop",
         [&] {
             fs::create_symlink("loop-b", root / "loop-a");
             fs::create_symlink("loop-a", root / "loop-b");
             return (root / "loop-a").string();
         },
         std::nullopt, [] {}},
        {"missing folder", [&] { return (root / "none" / "file").string(); }, std::nullopt, [] {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root);
        fs::create_directories(root);
        const std::string name = c.make();
        std::string error;
        const auto target = ResolveOutputFile(name, &error);
        ASSERT_EQ(target.has_value(), c.kind.has_value()) << error;
        const bool written = WriteOutputFile(name, "data", &error);
        EXPECT_EQ(written, c.kind.has_value());
        if (!c.kind) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(target->kind, *c.kind);
        EXPECT_TRUE(written) << error;
        c.check();
        // Nothing left behind but what the case made.
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
        }
    }
}

TEST_F(OutputFileTest, FifoIsWrittenIntoForItsReader)
{
    const fs::path fifo = root / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), {});
    });
    SetThreadName(reader, "test-fifo");
    const std::string bytes(200000, 'F');  // more than a pipe holds at once
    std::string error;
    EXPECT_TRUE(WriteOutputFile(fifo.string(), bytes, &error)) << error;
    reader.join();
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

TEST_F(OutputFileTest, StandardOutputByEveryNameIsWrittenAsItIs)
{
    fs::create_symlink("/dev/stdout", root / "out-link");
    for (const std::string& name : std::vector<std::string>{
             "-", "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1", (root / "out-link").string()}) {
        SCOPED_TRACE(name);
        const auto target = ResolveOutputFile(name);
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(target->kind, OutputTarget::Kind::Descriptor);
        EXPECT_EQ(target->fd, STDOUT_FILENO);
        EXPECT_TRUE(NamesStandardOutput(name));

        // Standard output on a pipe for the time of the write.
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        UniqueFd readEnd(pipeFds[0]);
        std::fflush(stdout);
        UniqueFd saved(::dup(STDOUT_FILENO));
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[1]);
        std::string error;
        const bool written = WriteOutputFile(name, "to stdout", &error);
        ::dup2(saved.Get(), STDOUT_FILENO);
        EXPECT_TRUE(written) << error;
        char buffer[32] = {};
        EXPECT_EQ(::read(readEnd.Get(), buffer, sizeof buffer), 9);
        EXPECT_EQ(std::string(buffer), "to stdout");
    }
    EXPECT_TRUE(fs::is_symlink(root / "out-link"));
    EXPECT_FALSE(NamesStandardOutput("/dev/stderr"));
    EXPECT_FALSE(NamesStandardOutput((root / "file").string()));
}

}  // namespace
}  // namespace krv
