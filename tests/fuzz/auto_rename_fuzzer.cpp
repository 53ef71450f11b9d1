// The numbered name an existing target gives way to, on a folder made from the input: it is free, it
// differs from the target only by its number, and it is the first free one.
//
// Input: the target's name on the first line (it may hold folders), then one name a line to create first.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

#include "batch/auto_rename.h"
#include "fuzz_support.h"
#include "tests/support/files.h"

using namespace larkspan;
using fuzz::Check;

namespace {

// The name's folders made safe: no NUL, no "..", each part at most 255 bytes.
std::string RelativePath(std::string_view text) {
    std::string path;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = std::min(text.find('/', start), text.size());
        std::string part = fuzz::FileName(text.substr(start, end - start));
        if (!path.empty() || start > 0) path += '/';
        path += part.empty() ? std::string("x") : part;
        start = end + 1;
    }
    return path;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> lines = fuzz::Lines(data, size);
    const test::TempFolder folder;
    for (std::size_t i = 1; i < lines.size() && i <= 16; ++i) {
        const std::string name = fuzz::FileName(lines[i]);
        if (name.empty()) continue;
        int fd = ::open((folder.str() + "/" + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
    }
    const std::string target = folder.str() + "/" + RelativePath(lines[0].substr(0, 1024));
    const std::string renamed = AutoRenamePath(target);

    Check(!PathFound(renamed), "the new name is taken: " + renamed);
    // Only the last part changes: same folder, same extension, a number of three digits or more before it.
    const std::size_t slash = target.rfind('/');
    Check(renamed.compare(0, slash + 1, target, 0, slash + 1) == 0, "the folder changed");
    std::size_t dot = target.rfind('.');
    if (dot < slash) dot = std::string::npos;
    const std::string extension = dot == std::string::npos ? "" : target.substr(dot);
    Check(renamed.size() >= extension.size() &&
              renamed.compare(renamed.size() - extension.size(), extension.size(), extension) == 0,
          "the extension changed");
    const std::string stem = renamed.substr(0, renamed.size() - extension.size());
    std::size_t digits = 0;
    while (digits < stem.size() && IsDigit(stem[stem.size() - 1 - digits])) ++digits;
    Check(digits >= 3 && digits < stem.size() && stem[stem.size() - 1 - digits] == '_',
          "not base_NNN: " + renamed);
    const std::string base = stem.substr(0, stem.size() - digits);
    const unsigned long long number = std::stoull(stem.substr(stem.size() - digits));
    Check(number >= 1, "numbered 0");

    // It is the first free one after the target's own number, if the target has one.
    const std::string targetStem = target.substr(0, dot == std::string::npos ? target.size() : dot);
    unsigned long long first = 1;
    if (targetStem.size() >= 4 && targetStem[targetStem.size() - 4] == '_' &&
        IsDigit(targetStem[targetStem.size() - 3]) && IsDigit(targetStem[targetStem.size() - 2]) &&
        IsDigit(targetStem[targetStem.size() - 1])) {
        first = std::stoull(targetStem.substr(targetStem.size() - 3)) + 1;
        Check(base == targetStem.substr(0, targetStem.size() - 3), "the base changed");
    } else {
        Check(base == targetStem + "_", "the base changed");
    }
    Check(number >= first, "numbered below the target's own number");
    for (unsigned long long n = first; n < number; ++n) {
        char text[32];
        std::snprintf(text, sizeof text, "%03llu", n);
        Check(PathFound(base + text + extension), "a free name was passed over");
    }
    return 0;
}
