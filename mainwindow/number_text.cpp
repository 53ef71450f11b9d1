#include <cstdio>
#include <string>

#include "mainwindow/main_window.h"

namespace larkspan {

std::string FormatGrouped(double value, int decimals) {
    char format[16];
    std::snprintf(format, sizeof format, "%%.%df", decimals < 0 ? 0 : decimals);
    char printed[512];
    std::snprintf(printed, sizeof printed, format, value);
    std::string text = printed;

    std::size_t point = text.find('.');
    std::string integer = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point);
    std::string sign;
    if (!integer.empty() && integer.front() == '-') {
        sign = "-";
        integer.erase(0, 1);
    }
    std::string grouped;
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (i > 0 && (integer.size() - i) % 3 == 0) grouped += ',';
        grouped += integer[i];
    }
    return sign + grouped + fraction;
}

std::string FormatSizeText(std::uint64_t size) {
    if (size == 0) return "0 KB";
    if (size < 1024) return "1 KB";
    return FormatGrouped(static_cast<double>(size / 1024), 0) + " KB";
}

}  // namespace larkspan
