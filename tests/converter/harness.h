#pragma once
// Running Zuv0 and the independent readers as child processes, and the files the tests look at.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/engine_protocol.h"

namespace larkspan::zuv0::testing {

// Set by CMake: the program under test, the sample documents, and a cache folder shared by all tests so
// that LibreOffice profiles are made once and then reused.
inline const std::filesystem::path kZuv0 = ZUV0_PATH;
inline const std::filesystem::path kSamples = SAMPLES_DIR;
inline const std::filesystem::path kCacheHome = ZUV0_CACHE_HOME;

// The exit statuses, as the protocol both programs share has them.
using engine_protocol::ExitCode;
inline constexpr int Status(ExitCode code) {
    return static_cast<int>(code);
}
inline constexpr int kInternal = Status(ExitCode::Internal);
inline constexpr int kUsage = Status(ExitCode::Usage);
inline constexpr int kSourceUnreadable = Status(ExitCode::SourceUnreadable);
inline constexpr int kNotADocument = Status(ExitCode::NotADocument);
inline constexpr int kPasswordProtected = Status(ExitCode::PasswordProtected);
inline constexpr int kSaveFailed = Status(ExitCode::SaveFailed);
inline constexpr int kEngineMissing = Status(ExitCode::EngineMissing);

struct Finished {
    int exitCode = -1;  // -1 when the child did not exit normally
    int signal = 0;     // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;
    std::chrono::duration<double> took{};
};

enum class Input { Null, Pipe };

// A started child whose standard output and error are being collected.
class Child {
public:
    // Starts `argv` with the current environment, where each "NAME=VALUE" of `overrides` replaces NAME.
    // Standard input is /dev/null, or a pipe that Write() feeds.
    explicit Child(const std::vector<std::string>& argv, const std::vector<std::string>& overrides = {},
                   Input input = Input::Null);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    // Standard input through the pipe, and its end.
    void Write(std::string_view bytes);
    void CloseInput();

    // Standard output up to the next `delimiter`, which is not returned; nothing when the output ends
    // first or `limit` runs out.
    std::optional<std::string> ReadUntil(char delimiter,
                                         std::chrono::seconds limit = std::chrono::seconds(120));

    // Closes standard input, collects the rest of the output until the child ends; kills it when `limit`
    // (counted from the start) runs out.
    Finished Wait(std::chrono::seconds limit = std::chrono::seconds(120));

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string unread_;  // standard output read but not yet handed out
    std::chrono::steady_clock::time_point started_;
};

Finished Run(const std::vector<std::string>& argv, const std::vector<std::string>& overrides = {});

// The text of a converted file as an independent reader sees it: pandoc's Markdown for .docx, which also
// shows headings, bold and italic, footnotes, and (read with --track-changes=all) tracked changes and
// comments on a range; catdoc's text for anything else, notes and comments included.
std::string ReadBack(const std::filesystem::path& file);

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
