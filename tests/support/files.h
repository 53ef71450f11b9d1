#pragma once
// Folders and files for a test: a fresh folder removed afterwards, reading and writing whole files, what a
// folder holds, and the registry's hives pointed at a folder of the test's own.

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace larkspan::test {

// A file's whole content, byte for byte; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Names in a folder, hidden ones included, sorted.
inline std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// True when folder holds a hidden file (a temporary).
inline bool HoldsTemporary(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().filename().string().starts_with(".")) return true;
    return false;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A fresh folder for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "larkspan-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes name (folders made as needed) and returns its path.
    std::filesystem::path WriteFile(const std::string& name, const std::string& content = "x") const {
        std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        WriteBytes(file, content);
        return file;
    }

private:
    std::filesystem::path path_;
};

// Points the registry hives at a fresh folder for the test's lifetime.
class ScopedRegistry {
public:
    ScopedRegistry() { ::setenv("LARKSPAN_REGISTRY_DIR", folder_.str().c_str(), 1); }
    ~ScopedRegistry() { ::unsetenv("LARKSPAN_REGISTRY_DIR"); }
    const TempFolder& folder() const { return folder_; }

private:
    TempFolder folder_;
};

}  // namespace larkspan::test
