#pragma once
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace larkspan {

// The record kept for each row of the file list.
struct FileListEntry {
    std::string name;  // without folder, in its on-disk letter case
    // The full length: sizes past 4 GiB are shown as they are, not cut to their low 32 bits.
    std::uint64_t size = 0;
    std::string typeName;
    std::optional<std::time_t> lastWrite;  // empty when it cannot be read
};

}  // namespace larkspan
