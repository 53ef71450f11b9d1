// The command line on a machine that misbehaves: a full disk, a folder that cannot be written, sources that
// cannot be read or that go away, loops of symbolic links. Each failed file gives exactly one line on
// standard error with its reason, nothing that existed is lost, and the batch goes on with the next file.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../converter/zip_builder.h"
#include "cli_run.h"

namespace larkspan::test {
namespace {

constexpr std::string_view kOldTarget = "the previous conversion, to be kept";

// Sets or clears the immutable flag, which stops even the superuser from writing; false with errno set when
// the file system or the machine does not allow it.
bool SetImmutable(const fs::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return done;
}

// ---- sources and folders that cannot be used --------------------------------------------------------------

// What a fault was set up to give.
struct Arranged {
    fs::path output;                                            // the output folder to give larkspan
    std::vector<std::pair<std::string, std::string>> failures;  // source name, the reason after its path
    std::string skip = {};                                      // why the machine does not allow this fault
    std::string stopsTheRun = {};  // the one line of a fault no file gets past: nothing is converted
};

struct FaultCase {
    std::string name;
    // Sets the fault up among the sources in `in` and in the output folder `out`.
    std::function<Arranged(const fs::path& in, const fs::path& out)> arrange;
};

void PrintTo(const FaultCase& row, std::ostream* out) {
    *out << row.name;
}

class MachineFault : public CliConversion, public ::testing::WithParamInterface<FaultCase> {
protected:
    // An immutable folder would outlive the test.
    ~MachineFault() override { SetImmutable(out, false); }
};

TEST_P(MachineFault, FailsTheFileWithOneClearLineAndGoesOn) {
    // A good file before and after the faulty one: the batch goes on past it.
    fs::copy_file(kSamples / "report.doc", in / "first.doc");
    fs::copy_file(kSamples / "report.doc", in / "second.doc");
    const Arranged arranged = GetParam().arrange(in, out);
    if (!arranged.skip.empty()) GTEST_SKIP() << arranged.skip;
    const fs::path& output = arranged.output;
    const auto& failures = arranged.failures;

    const RunResult run = RunLarkspan({(in / "*.doc").string(), "docx", output.string()});

    if (!arranged.stopsTheRun.empty()) {
        EXPECT_EQ(run.errors, "larkspan: " + arranged.stopsTheRun + "\n");
        EXPECT_EQ(run.status, 2);
        std::error_code ignored;
        EXPECT_FALSE(fs::exists(output / "first.docx", ignored));
        return;
    }
    std::string expected;
    for (const auto& [name, reason] : failures) expected += (in / name).string() + ": " + reason + "\n";
    EXPECT_EQ(run.errors, expected);
    EXPECT_EQ(run.status, failures.empty() ? 0 : 1);
    // Every file not named above was converted, whole.
    for (const std::string name : {"first", "second"}) {
        const bool failed = std::any_of(failures.begin(), failures.end(),
                                        [&](const auto& failure) { return failure.first == name + ".doc"; });
        if (failed) continue;
        EXPECT_NE(ReadWords(output / (name + ".docx")).find("Quarterly report"), std::string::npos) << name;
    }
}

// Files and folders that cannot be written stop the superuser only when immutable.
std::string CannotWrite() {
    return ::geteuid() == 0 ? "Operation not permitted" : "Permission denied";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MachineFault,
    ::testing::Values(
        FaultCase{"OutputFolderCannotBeWritten",
                  [](const fs::path&, const fs::path& out) {
                      Arranged arranged{out, {}};
                      if (::geteuid() != 0) {
                          fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
                      } else if (!SetImmutable(out, true)) {
                          arranged.skip =
                              std::string("cannot make a folder immutable here: ") + std::strerror(errno);
                      }
                      arranged.stopsTheRun =
                          "cannot write in the output folder " + out.string() + ": " + CannotWrite();
                      return arranged;
                  }},
        FaultCase{"OutputFolderIsALoopOfLinks",
                  [](const fs::path&, const fs::path& out) {
                      fs::create_symlink("loop", out / "loop");
                      return Arranged{out / "loop",
                                      {},
                                      {},
                                      "cannot reach the output folder " + (out / "loop").string() +
                                          ": Too many levels of symbolic links"};
                  }},
        FaultCase{"SourceIsALoopOfLinks",
                  [](const fs::path& in, const fs::path& out) {
                      fs::create_symlink("loop.doc", in / "loop.doc");
                      return Arranged{out, {{"loop.doc", "it is a loop of symbolic links"}}};
                  }},
        FaultCase{"SourceIsALinkToNothing",
                  [](const fs::path& in, const fs::path& out) {
                      fs::create_symlink(in / "gone" / "away.doc", in / "link.doc");
                      return Arranged{
                          out, {{"link.doc", "it is a symbolic link to something that does not exist"}}};
                  }},
        FaultCase{
            "SourceIsAPipe",
            [](const fs::path& in, const fs::path& out) {
                ::mkfifo((in / "pipe.doc").c_str(), 0600);
                return Arranged{out, {{"pipe.doc", "source missing or unreadable (not a regular file)"}}};
            }},
        FaultCase{
            "SourceCannotBeRead",
            [](const fs::path& in, const fs::path& out) {
                if (::geteuid() == 0)
                    return Arranged{out, {}, "the superuser reads a file whatever its mode"};
                fs::permissions(in / "second.doc", fs::perms::none);
                return Arranged{out, {{"second.doc", "source missing or unreadable (Permission denied)"}}};
            }}),
    [](const auto& info) { return info.param.name; });

// ---- a full disk
// -------------------------------------------------------------------------------------------

// A file system of 2 MiB of its own, mounted for the test and gone after it; skipped where the machine does
// not let the test mount one.
class SmallDisk {
public:
    explicit SmallDisk(const fs::path& folder) : folder_(folder) {
        fs::create_directories(folder_);
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=2m,mode=0777") == 0;
        if (!mounted_) why_ = std::strerror(errno);
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

private:
    fs::path folder_;
    bool mounted_ = false;
    std::string why_;
};

struct DiskCase {
    std::string name;
    std::string extension;  // of the sources: a .doc to .doc is copied, a .docx converted
    std::function<std::string()> bigSource;
    std::string reason;
};

void PrintTo(const DiskCase& row, std::ostream* out) {
    *out << row.name;
}

// Three million random letters: about 3 MB as a .doc, more than the disk holds.
std::string BigPackage() {
    std::mt19937 random(7);
    std::string body;
    for (int paragraph = 0; paragraph < 3000; ++paragraph) {
        body += "<w:p><w:r><w:t>";
        for (int i = 0; i < 1000; ++i) body += static_cast<char>('a' + random() % 26);
        body += "</w:t></w:r></w:p>";
    }
    return zuv0::testing::BuildZip(zuv0::testing::WordParts(body));
}

std::string RandomBytes(std::size_t count) {
    std::mt19937 random(11);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

class FullDisk : public CliConversion, public ::testing::WithParamInterface<DiskCase> {};

// The big file fails with "disk full", its old target is kept byte for byte, nothing of the attempt stays
// on the disk, and the small files before and after it fit.
TEST_P(FullDisk, FailsTheFileKeepsTheOldTargetAndGoesOn) {
    const DiskCase& row = GetParam();
    SmallDisk disk(work.path() / "small");
    if (!disk.mounted())
        GTEST_SKIP() << "this machine does not let the test mount a small file system: " << disk.why();
    const fs::path output = work.path() / "small";
    const std::string small = row.extension == ".doc" ? "report.doc" : "memo.docx";
    fs::copy_file(kSamples / small, in / ("a" + row.extension));
    WriteBytes(in / ("big" + row.extension), row.bigSource());
    fs::copy_file(kSamples / small, in / ("c" + row.extension));
    WriteBytes(output / "big.doc", std::string(kOldTarget));
    // One engine: a second one converting beside the big file could find the disk full too.
    ::setenv("LARKSPAN_JOBS", "1", 1);

    const RunResult run = RunLarkspan({(in / ("*" + row.extension)).string(), "doc", output.string()});
    ::unsetenv("LARKSPAN_JOBS");

    // A full disk is the machine's fault: running again, with room, converts the file.
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.errors, (in / ("big" + row.extension)).string() + ": " + row.reason + "\n");
    EXPECT_EQ(test::ReadText(output / "big.doc"), kOldTarget);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(output))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.doc", "big.doc", "c.doc"}));
    for (const std::string name : {"a.doc", "c.doc"}) EXPECT_FALSE(ReadWords(output / name).empty()) << name;
}

INSTANTIATE_TEST_SUITE_P(Disk, FullDisk,
                         ::testing::Values(DiskCase{"Converting", ".docx", BigPackage,
                                                    "save failed (disk full)"},
                                           DiskCase{"Copying", ".doc", [] { return RandomBytes(3'000'000); },
                                                    "copy failed: disk full"}),
                         [](const auto& info) { return info.param.name; });

// ---- a source that goes away
// -------------------------------------------------------------------------------

TEST_F(CliConversion, ASourceDeletedDuringTheRunIsTheOnlyFailure) {
    for (int i = 0; i < 20; ++i)
        fs::copy_file(kSamples / "report.doc", in / ("r" + std::to_string(10 + i) + ".doc"));
    ::setenv("LARKSPAN_JOBS", "1", 1);
    std::jthread remover([this] {
        // Once the run is under way, the last file goes.
        for (int i = 0; i < 1200 && !fs::exists(out / "r10.docx"); ++i) std::this_thread::sleep_for(50ms);
        fs::remove(in / "r29.doc");
    });

    const RunResult run = RunLarkspan({(in / "*.doc").string(), "docx", out.string()});
    remover.join();
    ::unsetenv("LARKSPAN_JOBS");

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, (in / "r29.doc").string() + ": the file no longer exists\n");
    EXPECT_FALSE(fs::exists(out / "r29.docx"));
    EXPECT_NE(ReadWords(out / "r28.docx").find("Quarterly report"), std::string::npos);
}

}  // namespace
}  // namespace larkspan::test
