#pragma once
// Running Zuv0 and the independent readers as child processes, and the files the tests look at.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace larkspan::zuv0::testing {

struct Finished {
    int exitCode = -1;  // -1 when the child did not exit normally
    int signal = 0;     // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;
    std::chrono::duration<double> took{};
};

// A started child whose standard output and error are being collected.
class Child {
public:
    // Starts `argv` with the current environment, where each "NAME=VALUE" of `overrides` replaces NAME.
    explicit Child(const std::vector<std::string>& argv, const std::vector<std::string>& overrides = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Collects output until the child ends; kills it when `limit` runs out.
    Finished Wait(std::chrono::seconds limit = std::chrono::seconds(120));

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::chrono::steady_clock::time_point started_;
};

Finished Run(const std::vector<std::string>& argv, const std::vector<std::string>& overrides = {});

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// A new empty folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Names in a folder, hidden ones included, sorted.
std::vector<std::string> FolderNames(const std::filesystem::path& folder);

std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, const std::string& bytes);

}  // namespace larkspan::zuv0::testing
