#include "mainwindow/file_list_order.h"

#include <string_view>

namespace larkspan {
namespace {

// As strcmp: the bytes compare as unsigned values, which std::string_view's comparison does.
int CompareBytes(std::string_view a, std::string_view b) {
    int r = a.compare(b);
    return (r > 0) - (r < 0);
}

}  // namespace

std::string FormatModifyTime(const std::optional<std::time_t>& time) {
    if (!time) return {};
    std::tm local{};
    if (!::localtime_r(&*time, &local)) return {};
    char text[64];
    std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return std::string(text, length);
}

int CompareEntries(const FileListEntry& entry1, const FileListEntry& entry2, const SortParams& params) {
    int r = 0;
    switch (params.column) {
        case kColumnName:
            r = CompareBytes(entry1.name, entry2.name);
            break;
        case kColumnSize:
            r = (entry1.size > entry2.size) - (entry1.size < entry2.size);
            break;
        case kColumnType:
            r = CompareBytes(entry1.typeName, entry2.typeName);
            break;
        case kColumnModifyDate:
            // A file without a known time has an empty text, so it sorts before every dated file.
            r = CompareBytes(FormatModifyTime(entry1.lastWrite), FormatModifyTime(entry2.lastWrite));
            break;
        default:
            break;
    }
    return params.ascending ? r : -r;
}

}  // namespace larkspan
