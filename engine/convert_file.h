#pragma once
// Converts one file with the converter that the located Word calls for, and tells whether the target was
// produced.

#include <chrono>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>

#include "engine/engine_session.h"

namespace larkspan {

class MessageBox;

inline constexpr const char* kExternalConverterName = "Zuv0";
inline constexpr std::chrono::milliseconds kDefaultConversionBound = std::chrono::seconds(120);

struct ConverterSettings {
    // The program's own folder with a trailing '/': the converter is delivered there.
    std::string applicationFolder;
    // Bound on one conversion: the converter is killed when it passes.
    std::chrono::milliseconds timeBound = kDefaultConversionBound;
    // What a batch's engines are held to.
    EngineLimits engineLimits;
    // Check each converted file against its source before it takes its target's place; with strict, a file
    // found to have lost something fails instead.
    bool verify = true;
    bool strict = false;
};

// The options a job goes to the engine with ("verify", "verify,strict" or none).
std::string EngineOptions(const ConverterSettings& settings);

// True for the Word version codes whose files go through the external converter (0 to 3).
bool UsesExternalConverter(int versionCode);

// The converter a run's engines are started from: a copy put into Word's folder when one is known (see
// EnsureExternalConverter), else the one delivered beside the program; nothing for a Word version code that
// does not use it. Called once per batch, before any file, so that no engine ever starts a program that is
// being written.
[[nodiscard]] ConverterProgram PrepareExternalConverter(int versionCode, std::string_view wordFolder,
                                                        std::string_view applicationFolder);

// versionCode 4 goes through Word automation; 0 to 3 through the batch's engine, which runs the external
// converter; any other code converts nothing.
[[nodiscard]] ConversionResult ConvertFile(std::string_view sourcePath, std::string_view targetPath,
                                           int versionCode, const ConverterSettings& settings,
                                           EngineSession& engine, MessageBox& messages,
                                           std::stop_token stop = {});

// Puts the converter delivered in applicationFolder into wordFolder when it is missing there or differs
// from it (an older one would run without today's checks): copied whole beside it, then renamed into place,
// so that a program started from there is never half-written. A copy that is the same is left alone.
[[nodiscard]] std::error_code EnsureExternalConverter(std::string_view wordFolder,
                                                      std::string_view applicationFolder);

// True when the file system reports a status for the path (files and folders alike).
bool FileExists(std::string_view path);

}  // namespace larkspan
