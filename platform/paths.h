#pragma once
#include <filesystem>
#include <string>

namespace larkspan::paths {

// The folder of the running program, with a trailing '/'.
std::string ExecutableFolder();

// The executable's file name without its extension ("larkspan").
std::string ExecutableTitle();

// $XDG_CONFIG_HOME or ~/.config; $XDG_CACHE_HOME or ~/.cache.
std::filesystem::path ConfigHome();
std::filesystem::path CacheHome();

// folder + "/" + name with one separator: the root gives "/name", not "//name" (which a file URL reads as
// a host name).
std::string Join(const std::string& folder, const std::string& name);

// ASCII lower case, as the case-insensitive comparisons of paths and extensions use it.
std::string ToLowerAscii(std::string text);

}  // namespace larkspan::paths
