#pragma once
#include <string>

namespace larkspan {

// The three arguments of the command-line mode: argv[1], argv[2] and argv[3], empty when missing; the
// rest is ignored. The shell has already split and unquoted them.
struct CommandLineArguments {
    std::string source;  // a find pattern for the sources; non-empty selects the command-line mode
    std::string format;  // "doc" or "docx", in any letter case; anything else means "doc"
    std::string output;  // the output folder; trailing '/' allowed

    static CommandLineArguments FromArgv(int argc, const char* const* argv);
};

}  // namespace larkspan
