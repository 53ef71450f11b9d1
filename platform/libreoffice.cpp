#include "platform/libreoffice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace larkspan::libreoffice {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[64 * 1024];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

}  // namespace

std::filesystem::path ProgramFolder() {
    const char* folder = std::getenv("LARKSPAN_LIBREOFFICE");
    return folder && *folder ? folder : "/usr/lib/libreoffice/program";
}

std::string InstalledVersion(const std::filesystem::path& programFolder) {
    const std::string text = ReadFile(programFolder / ".." / "share" / "registry" / "main.xcd");
    const std::size_t product = text.find("<node oor:name=\"Product\">");
    if (product == std::string::npos) return {};
    const std::size_t property = text.find("<prop oor:name=\"ooSetupVersion\">", product);
    if (property == std::string::npos) return {};
    const std::size_t open = text.find("<value>", property);
    const std::size_t close = text.find("</value>", property);
    if (open == std::string::npos || close == std::string::npos || close < open) return {};
    std::string version = text.substr(open + 7, close - open - 7);
    // A version is digits and dots; anything else means this is not the place we took it for.
    if (version.empty() || version.find_first_not_of("0123456789.") != std::string::npos) return {};
    return version;
}

}  // namespace larkspan::libreoffice
