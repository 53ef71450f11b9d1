// Copies that replace a target only once they are whole, many at once as the command line makes them.

#include "platform/replace_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/support/files.h"

namespace larkspan::files {
namespace {

// The process's umask, as the kernel reports it, without setting it.
mode_t CurrentUmask() {
    const std::string status = test::ReadText("/proc/self/status");
    const std::size_t at = status.find("Umask:");
    return static_cast<mode_t>(std::stoul(status.substr(at + 6), nullptr, 8));
}

// Copies on several threads at once never disturb the process's umask, and each gets the usual mode: a
// umask left at 0 would make every later file of the run, and every engine's, world-writable.
TEST(CopyFileReplacing, ManyAtOnceKeepTheUmaskAndTheUsualMode) {
    const mode_t umask = CurrentUmask();
    test::TempFolder folder;
    const std::filesystem::path source = folder.WriteFile("source.doc", "content");
    constexpr int kThreads = 8, kCopies = 300;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < kCopies; ++i) {
                    const std::string target =
                        folder.str() + "/t" + std::to_string(t) + "-" + std::to_string(i);
                    EXPECT_FALSE(CopyFileReplacing(source.string(), target));
                }
            });
    }
    EXPECT_EQ(CurrentUmask(), umask);
    int wrong = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        struct stat info {};
        ::stat(entry.path().c_str(), &info);
        if (entry.path().filename() != "source.doc") wrong += (info.st_mode & 0777) != (0666 & ~umask);
    }
    EXPECT_EQ(wrong, 0) << "copies with another mode than 0666 less the umask";
}

}  // namespace
}  // namespace larkspan::files
