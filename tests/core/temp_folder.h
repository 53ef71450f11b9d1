#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace larkspan::test {

// A file's whole content, byte for byte; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh folder for one test, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "larkspan-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

    std::filesystem::path WriteFile(const std::string& name, const std::string& content = "x") const {
        std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
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
