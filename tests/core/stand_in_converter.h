#pragma once
// Stand-in converters: small shell scripts named like the real converter, to provoke every outcome
// without the engine. Each serves both ways the converter is run: "-f SOURCE TARGET" for one file, and
// "--serve" for many, reading NUL-terminated SOURCE and TARGET and answering "CODE\0LINE\0" per job after
// its "0\0\0" start answer, each job run as the single-file form would be.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/convert_file.h"

namespace larkspan::test {

// Writes an executable script named as the converter into folder. body sees "-f" "$2" "$3", may end with
// exit N, and reports failures on standard error, as the converter does.
inline void WriteStandIn(const std::filesystem::path& folder, const std::string& body) {
    std::filesystem::create_directories(folder);
    std::filesystem::path script = folder / kExternalConverterName;
    std::ofstream(script) << "#!/bin/bash\n"
                          << "convert() {\n"
                          << body << "\n}\n"
                          << "if [ \"$1\" = --serve ]; then\n"
                          << "  printf '0\\0\\0'\n"
                          << "  while IFS= read -r -d '' source && IFS= read -r -d '' target; do\n"
                          << "    errors=$( (convert -f \"$source\" \"$target\") 2>&1 >/dev/null ); code=$?\n"
                          << "    printf '%d\\0%s\\0' \"$code\" \"$errors\"\n"
                          << "  done\n"
                          << "  exit 0\n"
                          << "fi\n"
                          << "convert \"$@\"\n";
    ::chmod(script.c_str(), 0755);
}

// Writes a temporary beside the target, named as the real converter names it (with the engine's process
// id), and hangs: only ending the engine and cleaning up after it gets rid of it. The engine's process id
// goes into pidFile.
inline std::string HangingConverter(const std::filesystem::path& pidFile) {
    return "echo $$ > '" + pidFile.string() +
           "'\necho x > \"$(dirname \"$3\")/.$(basename \"$3\").zuv0-$$-Ab12Cd.doc\"\n"
           "while :; do sleep 0.05; done";
}

// True when folder holds a hidden file (a temporary).
inline bool HoldsTemporary(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().filename().string().starts_with(".")) return true;
    return false;
}

// Converts by copying the source and records its arguments, one per line, into a log beside itself.
inline std::string CopyingConverter(const std::filesystem::path& log) {
    return "printf '%s\\n' \"$@\" >> '" + log.string() + "'\ncp \"$2\" \"$3\"";
}

}  // namespace larkspan::test
