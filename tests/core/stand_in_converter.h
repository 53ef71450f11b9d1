#pragma once
// Stand-in converters: small shell scripts named like the real converter, to provoke every outcome
// without the engine.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/convert_file.h"

namespace larkspan::test {

// Writes an executable script named as the converter into folder. The script sees "-f" "$2" "$3".
inline void WriteStandIn(const std::filesystem::path& folder, const std::string& body) {
    std::filesystem::create_directories(folder);
    std::filesystem::path script = folder / kExternalConverterName;
    std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
    ::chmod(script.c_str(), 0755);
}

// Converts by copying the source and records its arguments, one per line, into a log beside itself.
inline std::string CopyingConverter(const std::filesystem::path& log) {
    return "printf '%s\\n' \"$@\" >> '" + log.string() + "'\ncp \"$2\" \"$3\"";
}

}  // namespace larkspan::test
