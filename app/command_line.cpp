#include "app/command_line.h"

namespace larkspan {

CommandLineArguments CommandLineArguments::FromArgv(int argc, const char* const* argv) {
    auto argument = [&](int index) {
        return index < argc && argv[index] ? std::string(argv[index]) : std::string();
    };
    return CommandLineArguments{argument(1), argument(2), argument(3)};
}

}  // namespace larkspan
