#pragma once
// What the command line says: the sources, the format word and the output folder, and the options for whole
// trees and many machines. GNU style: long options with "=VALUE" or the value as the next argument, short
// flags that may be bundled ("-ru"), "--" ends the options. The shell has already split and unquoted them.
//
// larkspan [OPTIONS] SOURCE... FORMAT OUTPUT-FOLDER
// larkspan [OPTIONS] --files-from LIST FORMAT OUTPUT-FOLDER

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace larkspan {

// One machine's part of a run: the sources whose place in the sorted list, counted from 0, leaves `index`
// when divided by `count`.
struct Shard {
    std::uint64_t index = 0;
    std::uint64_t count = 1;
};

struct CommandLineArguments {
    std::string source;  // the first source; the first argument being non-empty selects the command line
    std::string format;  // "doc" or "docx", in any letter case; any other word means "doc"
    std::string output;  // the output folder; trailing '/' allowed

    std::vector<std::string> sources;  // every source: files, folders or patterns
    bool commandLine = false;          // any argument, and the first not empty: no window
    bool help = false;
    bool version = false;
    bool recursive = false;
    bool update = false;
    bool keepTimes = false;
    bool nullSeparated = false;
    bool strict = false;    // a file whose conversion lost something fails, and leaves no target
    bool noVerify = false;  // converted files are not checked against their sources
    std::string filesFrom;   // "-" for standard input; empty when not given
    std::string relativeTo;  // with filesFrom: the root whose tree the output mirrors
    std::string report;      // the JSON Lines report's file; empty for none
    std::optional<Shard> shard;
    std::string shardIndexEnv;  // the variable the shard's index is read from, with shardCount
    std::uint64_t shardCount = 0;
    std::vector<std::string> given;  // every argument as given
    std::string error;               // why these arguments make no run; empty when they do

    static CommandLineArguments FromArgv(int argc, const char* const* argv);
};

// "K/N" with K counting from 0; nullopt with why in error otherwise.
std::optional<Shard> ParseShard(const std::string& text, std::string& error);

}  // namespace larkspan
