#include "engine/convert_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "engine/converter_reason.h"
#include "engine/engine_session.h"
#include "engine/word_automation_converter.h"
#include "platform/process.h"

namespace larkspan {
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kTargetPoll(200);
constexpr std::chrono::milliseconds kSuccessGrace(2000);

std::string JoinFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

// Waits for the target to appear within what is left of the bound.
bool WaitForTarget(std::string_view targetPath, Clock::time_point deadline, std::stop_token stop) {
    while (!FileExists(targetPath)) {
        if (Clock::now() >= deadline || stop.stop_requested()) return false;
        std::this_thread::sleep_for(kTargetPoll);
    }
    return true;
}

std::string SecondsText(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

}  // namespace

bool FileExists(std::string_view path) {
    std::error_code ec;
    return fs::status(fs::path(path), ec).type() != fs::file_type::not_found && !ec;
}

bool EnsureExternalConverter(std::string_view wordFolder, std::string_view applicationFolder) {
    // Office records the folder with a trailing separator, but nothing guarantees it.
    std::string installed = JoinFolder(wordFolder, kExternalConverterName);
    if (FileExists(installed)) return true;
    std::error_code ec;
    fs::copy_file(JoinFolder(applicationFolder, kExternalConverterName), installed,
                  fs::copy_options::overwrite_existing, ec);
    return !ec;
}

ConversionResult ExternalConverterRunner::Run(std::string_view sourcePath, std::string_view targetPath,
                                              std::string_view wordFolder, std::stop_token stop) const {
    const Clock::time_point deadline = Clock::now() + settings_.timeBound;
    std::string folder;
    if (wordFolder.empty()) {
        // No Word folder is known: the converter runs where it is delivered, beside this program.
        folder = settings_.applicationFolder;
    } else {
        EnsureExternalConverter(wordFolder, settings_.applicationFolder);
        folder = std::string(wordFolder);
    }
    std::string program = JoinFolder(folder, kExternalConverterName);
    if (settings_.session)
        return settings_.session->Convert(program, sourcePath, targetPath, settings_.timeBound, stop);

    std::error_code error;
    std::optional<process::ChildProcess> child = process::ChildProcess::Start(
        program, {"-f", std::string(sourcePath), std::string(targetPath)}, error);
    if (!child) return {false, "cannot start the converter " + program + ": " + error.message(), true};

    process::WaitResult waited = child->Wait(settings_.timeBound, stop);
    switch (waited.outcome) {
        case process::WaitOutcome::TimedOut:
            return {false, "conversion took longer than " + SecondsText(settings_.timeBound)};
        case process::WaitOutcome::Stopped:
            return {false, "stopped"};
        case process::WaitOutcome::Exited:
            break;
    }
    if (waited.exitCode != 0) {
        std::string reason = ConverterReason(waited.errorOutput, sourcePath, targetPath);
        if (reason.empty()) {
            reason = waited.signal ? "the converter was ended by signal " + std::to_string(waited.signal)
                                   : "the converter failed with status " + std::to_string(waited.exitCode);
        }
        return {false, reason, waited.exitCode == 7};
    }
    // A converter that reports success has written its target; a short grace covers a slow file system
    // without holding the batch for the whole bound.
    if (!WaitForTarget(targetPath, std::min(deadline, Clock::now() + kSuccessGrace), stop))
        return {false, "the converter wrote no target"};
    return {true, {}};
}

ConversionResult ConvertFile(std::string_view sourcePath, std::string_view targetPath, int versionCode,
                             std::string_view wordFolder, const ConverterSettings& settings,
                             MessageBox& messages, std::stop_token stop) {
    if (versionCode >= 0 && versionCode <= 3)
        return ExternalConverterRunner(settings).Run(sourcePath, targetPath, wordFolder, stop);
    if (versionCode == 4) {
        if (!ConvertWithWord(sourcePath, targetPath, messages))
            return {false, "Word could not convert the file"};
        if (!WaitForTarget(targetPath, Clock::now() + settings.timeBound, stop))
            return {false, "Word wrote no target"};
        return {true, {}};
    }
    return {false, "no converter for Word version code " + std::to_string(versionCode)};
}

}  // namespace larkspan
