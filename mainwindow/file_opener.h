#pragma once
// Opens a file, a folder or a web address with the user's program for it. Tests put a recording opener in
// its place.

#include <string>

namespace larkspan {

class FileOpener {
public:
    virtual ~FileOpener() = default;
    // The result is not reported: a path that cannot be opened is left to the desktop's own feedback.
    virtual void Open(const std::string& path) = 0;
    // An address (a URL); false when the desktop has no program that took it.
    virtual bool OpenAddress(const std::string& address) = 0;
};

// The desktop's opener (QDesktopServices).
class DesktopFileOpener final : public FileOpener {
public:
    void Open(const std::string& path) override;
    bool OpenAddress(const std::string& address) override;
};

}  // namespace larkspan
