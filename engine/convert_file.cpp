#include "engine/convert_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <thread>
#include <vector>

#include "engine/word_automation_converter.h"
#include "platform/engine_protocol.h"
#include "platform/file_writing.h"
#include "platform/replace_file.h"

namespace larkspan {
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kTargetPoll(200);

std::string JoinFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

// Waits for the target to appear within the bound.
bool WaitForTarget(std::string_view targetPath, Clock::time_point deadline, std::stop_token stop) {
    while (!FileExists(targetPath)) {
        if (Clock::now() >= deadline || stop.stop_requested()) return false;
        std::this_thread::sleep_for(kTargetPoll);
    }
    return true;
}

// As many bytes as there are, up to count; -1 on a read error.
ssize_t ReadUpTo(int fd, char* into, std::size_t count) {
    std::size_t have = 0;
    while (have < count) {
        const ssize_t got = ::read(fd, into + have, count - have);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(have);
}

// True when both files can be read and hold the same bytes.
bool SameContent(const std::string& a, const std::string& b) {
    const int first = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
    const int second = ::open(b.c_str(), O_RDONLY | O_CLOEXEC);
    bool same = first >= 0 && second >= 0;
    std::vector<char> left(1 << 16), right(1 << 16);
    for (ssize_t got = 1; same && got > 0;) {
        got = ReadUpTo(first, left.data(), left.size());
        same = got >= 0 && ReadUpTo(second, right.data(), right.size()) == got &&
               std::equal(left.begin(), left.begin() + got, right.begin());
    }
    for (int fd : {first, second})
        if (fd >= 0) ::close(fd);
    return same;
}

}  // namespace

bool FileExists(std::string_view path) {
    std::error_code ec;
    return fs::status(fs::path(path), ec).type() != fs::file_type::not_found && !ec;
}

std::string EngineOptions(const ConverterSettings& settings) {
    std::string options;
    if (settings.verify) options = engine_protocol::kVerify;
    if (settings.verify && settings.strict) options += "," + std::string(engine_protocol::kStrict);
    return options;
}

bool UsesExternalConverter(int versionCode) {
    return versionCode >= 0 && versionCode <= 3;
}

std::error_code EnsureExternalConverter(std::string_view wordFolder, std::string_view applicationFolder) {
    // Office records the folder with a trailing separator, but nothing guarantees it.
    const std::string installed = JoinFolder(wordFolder, kExternalConverterName);
    const std::string delivered = JoinFolder(applicationFolder, kExternalConverterName);
    if (SameContent(delivered, installed)) return {};
    // A program: whoever may read it may run it.
    const mode_t mode = files::NewFileMode() | ((files::NewFileMode() & 0444) >> 2);
    return files::CopyFileReplacing(delivered, installed, {}, mode);
}

ConverterProgram PrepareExternalConverter(int versionCode, std::string_view wordFolder,
                                          std::string_view applicationFolder) {
    if (!UsesExternalConverter(versionCode)) return {};
    // No Word folder is known: the converter runs where it is delivered, beside this program.
    if (wordFolder.empty()) return {JoinFolder(applicationFolder, kExternalConverterName), {}};
    ConverterProgram program{JoinFolder(wordFolder, kExternalConverterName), {}};
    if (std::error_code error = EnsureExternalConverter(wordFolder, applicationFolder))
        program.problem =
            "cannot put the converter into " + std::string(wordFolder) + ": " + files::WriteErrorText(error);
    return program;
}

ConversionResult ConvertFile(std::string_view sourcePath, std::string_view targetPath, int versionCode,
                             const ConverterSettings& settings, EngineSession& engine, MessageBox& messages,
                             std::stop_token stop) {
    if (UsesExternalConverter(versionCode))
        return engine.Convert(sourcePath, targetPath, settings.timeBound, stop, EngineOptions(settings));
    if (versionCode == 4) {
        if (!ConvertWithWord(sourcePath, targetPath, messages))
            return {.reason = "Word could not convert the file", .kind = FailureKind::Outside};
        if (!WaitForTarget(targetPath, Clock::now() + settings.timeBound, stop))
            return {.reason = "Word wrote no target", .kind = FailureKind::Outside};
        return {.produced = true};
    }
    return {.reason = "no converter for Word version code " + std::to_string(versionCode),
            .kind = FailureKind::Outside};
}

}  // namespace larkspan
