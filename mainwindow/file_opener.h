#pragma once
// Opens a file or folder with the user's program for it. Tests put a recording opener in its place.

#include <string>

namespace larkspan {

class FileOpener {
public:
    virtual ~FileOpener() = default;
    // The result is not reported: a path that cannot be opened is left to the desktop's own feedback.
    virtual void Open(const std::string& path) = 0;
};

// The desktop's opener (QDesktopServices).
class DesktopFileOpener final : public FileOpener {
public:
    void Open(const std::string& path) override;
};

}  // namespace larkspan
