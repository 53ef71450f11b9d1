#pragma once
// The order of the file list's rows after a header click.

#include <ctime>
#include <optional>
#include <string>

#include "mainwindow/file_list_entry.h"

namespace larkspan {

// Column numbers of the file list.
enum FileListColumn : int { kColumnName = 0, kColumnSize = 1, kColumnType = 2, kColumnModifyDate = 3 };

// What one sort run orders by; it lives only as long as the sort.
struct SortParams {
    int ascending;  // non-zero for ascending
    int column;
};

// Negative, zero or positive as entry1 sorts before, with or after entry2: names and type names by their
// byte values (upper case before lower case), sizes as numbers, times by their minute texts; any other
// column compares equal. A zero ascending flag turns the result round.
int CompareEntries(const FileListEntry& entry1, const FileListEntry& entry2, const SortParams& params);

// The "Modify Date" text: "%Y-%m-%d %H:%M" in local time; empty when the time is not known.
std::string FormatModifyTime(const std::optional<std::time_t>& time);

}  // namespace larkspan
