#pragma once
// Converts one file with the converter that the located Word calls for, and tells whether the target was
// produced.

#include <chrono>
#include <stop_token>
#include <string>
#include <string_view>

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
    // The engine kept for the batch; without one every file starts a converter of its own. Not owned.
    EngineSession* session = nullptr;
    // What a batch's own engines are held to.
    EngineLimits engineLimits;
};

struct ConversionResult {
    bool produced = false;
    std::string reason;  // why not, for the user; empty on success
    // No file can be converted: the engine is missing or does not start. The batch ends with one line.
    bool engineMissing = false;
};

// versionCode 4 goes through Word automation; 0 to 3 through the external converter, run from wordFolder
// when Word was found and from the program's own folder otherwise.
ConversionResult ConvertFile(std::string_view sourcePath, std::string_view targetPath, int versionCode,
                             std::string_view wordFolder, const ConverterSettings& settings,
                             MessageBox& messages, std::stop_token stop = {});

// Runs the external converter "-f SOURCE TARGET" from its folder and waits for it within the bound.
class ExternalConverterRunner {
public:
    explicit ExternalConverterRunner(const ConverterSettings& settings) : settings_(settings) {}
    ConversionResult Run(std::string_view sourcePath, std::string_view targetPath,
                         std::string_view wordFolder, std::stop_token stop) const;

private:
    const ConverterSettings& settings_;
};

// Puts the converter into Word's folder when it is not there yet; a converter already there is kept.
bool EnsureExternalConverter(std::string_view wordFolder, std::string_view applicationFolder);

// True when the file system reports a status for the path (files and folders alike).
bool FileExists(std::string_view path);

}  // namespace larkspan
