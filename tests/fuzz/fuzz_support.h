#pragma once
// What the harnesses share: the input's lines, file names made of it, and a failure that the fuzzer reports
// as a crash with its reason. A fresh folder per input is the suites' own (tests/support/files.h).

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan::fuzz {

[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

inline void Check(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

inline std::vector<std::string_view> Lines(const unsigned char* data, std::size_t size) {
    std::vector<std::string_view> lines;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (;;) {
        std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        if (end == std::string_view::npos) return lines;
        rest.remove_prefix(end + 1);
    }
}

// A name one folder level deep: no '/' or NUL, not "." or "..", at most 255 bytes; empty when none is left.
inline std::string FileName(std::string_view text) {
    std::string name;
    for (char c : text.substr(0, 255))
        if (c != '/' && c != '\0') name += c;
    return name == "." || name == ".." ? std::string() : name;
}

// A descriptor holding exactly the input, for the readers that read with pread as they read the source's
// copy. One per harness, refilled for every input.
inline int DescriptorHolding(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("input", MFD_CLOEXEC);
    Check(fd >= 0, "memfd_create failed");
    Check(::ftruncate(fd, 0) == 0, "ftruncate failed");
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        Check(n > 0, "pwrite failed");
        done += static_cast<std::size_t>(n);
    }
    return fd;
}

}  // namespace larkspan::fuzz
