#pragma once
// The files a command line names: files, folders (their documents), patterns, a tree below each with
// --recursive, or a list with --files-from; where each one's target goes when the output mirrors a tree;
// and one machine's share of them with --shard.

#include <cstddef>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace larkspan {

class MainWindow;

struct FoundSource {
    std::string path;      // as found: the pattern's folder, or the list's entry, joined with the name
    std::string relative;  // below its root (the tree's top, the --relative-to folder); the name alone else
    std::size_t root = 0;  // which source argument (or list) found it: sorting keeps them apart
    std::string
        targetFolder;  // where its target goes when the output mirrors a tree; empty: the output folder
};

struct CollectedSources {
    std::vector<FoundSource> found;
    std::vector<std::string> unmatched;                        // arguments that named nothing
    std::vector<std::pair<std::string, std::string>> refused;  // list entries that cannot be taken, and why
    std::string error;                                         // the list cannot be read: no run
};

// Everything the arguments name, in the scan's order for plain patterns (as ever) and sorted by root and
// relative path, byte for byte, where a tree is walked or the work is sharded, so that every machine sees
// one order. Hidden files and folders are not taken from a folder or a tree unless named, and links to
// folders are not followed. output is the normalised output folder, which trees are mirrored below.
CollectedSources CollectSources(MainWindow& window, const CommandLineArguments& arguments,
                                const std::string& output);

// What a source's target is told by, ignoring the extension and letter case: sources with one key may meet
// in one target.
std::string TargetKey(const FoundSource& source);

// The sources of shard, in their order: the distinct target keys, in the order they first come, are dealt
// out in turn, so that sources that may meet in one target are in one shard.
std::vector<FoundSource> TakeShard(std::vector<FoundSource> sources, const Shard& shard);

}  // namespace larkspan
