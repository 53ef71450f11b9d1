#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace larkspan::paths {
namespace fs = std::filesystem;

namespace {

fs::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

fs::path XdgFolder(const char* variable, const char* fallback) {
    // The XDG rules ignore a relative value.
    if (const char* value = std::getenv(variable); value && *value == '/') return value;
    return HomeFolder() / fallback;
}

fs::path ExecutablePath() {
    std::error_code ec;
    fs::path path = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path{} : path;
}

}  // namespace

std::string ExecutableFolder() {
    std::string folder = ExecutablePath().parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string ExecutableTitle() {
    return ExecutablePath().stem().string();
}

fs::path ConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}
fs::path CacheHome() {
    return XdgFolder("XDG_CACHE_HOME", ".cache");
}

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string ToLowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace larkspan::paths
