#include "rtf_fields.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cctype>
#include <string_view>

namespace larkspan::zuv0 {

namespace {

constexpr std::string_view kInstruction = "\\fldinst";
constexpr std::string_view kPictureField = "INCLUDEPICTURE";

bool IsAlnum(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// The field's name is the first run of letters and digits after \fldinst that is not part of a control
// word, read the way LibreOffice's reader reads it; it ends at the first other character, or at a '}'.
void DisarmAfter(char* data, std::size_t size, std::size_t from) {
    bool inControlWord = false;
    std::size_t start = 0;
    std::size_t length = 0;
    for (std::size_t p = from; p < size; ++p) {
        const char c = data[p];
        if (c == '\\') inControlWord = true;
        if (!inControlWord && IsAlnum(c)) {
            if (length++ == 0) start = p;
        } else if (inControlWord && std::isspace(static_cast<unsigned char>(c))) {
            inControlWord = false;
        }
        if ((length > 0 && !IsAlnum(c)) || c == '}') break;
    }
    if (std::string_view(data + start, length) != kPictureField) return;
    for (std::size_t p = start; p < start + length; ++p)
        data[p] = static_cast<char>(std::tolower(static_cast<unsigned char>(data[p])));
}

}  // namespace

bool DisarmPictureFields(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    if (size == 0) return true;
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) return false;
    char* data = static_cast<char*>(mapped);
    const std::string_view text(data, size);
    for (std::size_t at = text.find(kInstruction); at != std::string_view::npos;
         at = text.find(kInstruction, at + kInstruction.size())) {
        const std::size_t after = at + kInstruction.size();
        // A control word ends at the first character that is not a letter: \fldinstx is another word.
        if (after < size && std::isalpha(static_cast<unsigned char>(data[after]))) continue;
        DisarmAfter(data, size, after);
    }
    return ::munmap(mapped, size) == 0;
}

}  // namespace larkspan::zuv0
