#pragma once
// Telling the processes a test started (and whatever they started) from those of other tests running at the
// same time: a tag in the environment, which every descendant inherits.

#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace larkspan::test {

class ProcessTag {
public:
    ProcessTag() : tag_(std::to_string(::getpid()) + "-" + std::to_string(++count_)) {
        ::setenv(kName, tag_.c_str(), 1);
    }
    ~ProcessTag() { ::unsetenv(kName); }
    ProcessTag(const ProcessTag&) = delete;
    ProcessTag& operator=(const ProcessTag&) = delete;

    // The processes running `program` that carry this tag; zombies are not running.
    std::vector<pid_t> Running(const std::filesystem::path& program) const {
        const std::string wanted = std::string(kName) + "=" + tag_;
        std::vector<pid_t> found;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
            std::error_code ignored;
            if (std::filesystem::read_symlink(entry.path() / "exe", ignored) != program) continue;
            // NUL-separated entries: the tag is one whole entry.
            const std::string environment = '\0' + ReadText(entry.path() / "environ") + '\0';
            const bool tagged = environment.find('\0' + wanted + '\0') != std::string::npos;
            const std::string stat = ReadText(entry.path() / "stat");
            const std::size_t state = stat.rfind(") ");
            if (tagged && state != std::string::npos && stat[state + 2] != 'Z')
                found.push_back(std::stoi(entry.path().filename()));
        }
        return found;
    }

private:
    static constexpr const char* kName = "LARKSPAN_TEST_TAG";
    static inline std::atomic<int> count_{0};
    std::string tag_;
};

}  // namespace larkspan::test
