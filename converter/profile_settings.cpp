#include "profile_settings.h"

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarker = "\"UseLocking\"";

constexpr std::string_view kItems =
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"UseLocking\" "
    "oor:op=\"fuse\"><value>false</value></prop></item>\n";

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";

constexpr std::string_view kTail = "</oor:items>";

}  // namespace

std::error_code EnsureProfileSettings(const fs::path& profileFolder) {
    std::error_code error;
    const fs::path folder = profileFolder / "user";
    fs::create_directories(folder, error);
    if (error) return error;
    const fs::path file = folder / "registrymodifications.xcu";

    std::string text;
    if (std::ifstream in(file, std::ios::binary); in) {
        std::ostringstream content;
        content << in.rdbuf();
        text = content.str();
    }
    if (text.find(kMarker) != std::string::npos) return {};

    const std::size_t tail = text.rfind(kTail);
    if (tail == std::string::npos) {
        // New profile, or a file LibreOffice could not read either: it is rebuilt from defaults anyway.
        text = std::string(kHead) + std::string(kItems) + std::string(kTail) + "\n";
    } else {
        text.insert(tail, kItems);
    }

    // Written beside and renamed, so an interrupted write cannot cost the profile its settings.
    const fs::path temporary = folder / "registrymodifications.xcu.zuv0";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) return std::make_error_code(std::errc::io_error);
    }
    fs::rename(temporary, file, error);
    return error;
}

}  // namespace larkspan::zuv0
