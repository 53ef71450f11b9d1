#pragma once
// Stand-in converters: small shell scripts named like the real converter, to provoke every outcome
// without the engine. Each serves both ways the converter is run: "-f SOURCE TARGET" for one file, and
// "--serve" for many, speaking the engine's protocol (platform/engine_protocol.h): after its start answer it
// reads SOURCE and TARGET and answers each job with the status the single-file form exits with, the source
// as the subject and the last line it wrote on standard error as the detail.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/convert_file.h"
#include "platform/engine_protocol.h"

namespace larkspan::test {

// Writes an executable script named as the converter into folder. body sees "-f" "$2" "$3", may end with
// exit N, and reports failures on standard error, as the converter does. Serving, a body finds the job's
// options in $options; one that means to report losses writes them into the file $losses (the answer's
// DETAIL then carries them, with a CHECK naming them), and one that means to misbehave finds the engine's
// answer pipe on descriptor 9 and the job's number in $job. setup runs first, in the script's own process:
// a trap set there holds for the engine itself, not only for one job.
inline void WriteStandIn(const std::filesystem::path& folder, const std::string& body,
                         const std::string& setup = {}) {
    static_assert(engine_protocol::kRequestFields == 4 && engine_protocol::kAnswerFields == 5,
                  "the stand-in reads JOB, SOURCE, TARGET, OPTIONS and answers JOB, STATUS, SUBJECT, DETAIL, "
                  "CHECK");
    std::filesystem::create_directories(folder);
    std::filesystem::path script = folder / kExternalConverterName;
    std::ofstream(script)
        << "#!/bin/bash\n"
        << setup << "\n"
        << "convert() {\n"
        << body << "\n}\n"
        << "if [ \"$1\" = --serve ]; then\n"
        << "  exec 9>&1; printf '%s\\0' 0 0 '' '' ''; nl=$'\\n'; losses=$(mktemp)\n"
        << "  trap 'rm -f \"$losses\"' EXIT\n"
        << "  while IFS= read -r -d '' job && IFS= read -r -d '' source &&\n"
        << "        IFS= read -r -d '' target && IFS= read -r -d '' options; do\n"
        << "    : > \"$losses\"\n"
        << "    errors=$( (convert -f \"$source\" \"$target\") 2>&1 >/dev/null ); code=$?\n"
        << "    lost=$(cat \"$losses\"); check=''\n"
        << "    [ -n \"$lost\" ] && check=\"{\\\"losses\\\":[\\\"$lost\\\"]}\"\n"
        << "    if [ $code = 0 ]; then printf '%s\\0' \"$job\" 0 '' \"$lost\" \"$check\"; else\n"
        << "      printf '%s\\0' \"$job\" \"$code\" \"$source\" \"${errors##*$nl}\" \"$check\"; fi\n"
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

// Converts by copying the source and records its arguments, one per line, into a log beside itself.
inline std::string CopyingConverter(const std::filesystem::path& log) {
    return "printf '%s\\n' \"$@\" >> '" + log.string() + "'\ncp \"$2\" \"$3\"";
}

}  // namespace larkspan::test
