#include "profile_files.h"

#include <fstream>
#include <sstream>

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

std::string ReadWholeFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::error_code ReplaceWholeFile(const fs::path& file, const std::string& text) {
    const fs::path temporary = file.native() + ".zuv0";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) return std::make_error_code(std::errc::io_error);
    }
    std::error_code error;
    fs::rename(temporary, file, error);
    return error;
}

}  // namespace larkspan::zuv0
