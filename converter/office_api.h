#pragma once
// Zuv0's side of the office's API (see office_calls.h): loads our module and binds it to the office that
// LibreOfficeKit started in this process.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

struct LarkspanOfficeCalls;

namespace larkspan::zuv0 {

// LibreOffice's filter for a target format named by its extension ("docx"), or empty for none we know.
std::string FilterForFormat(std::string_view format);

class OfficeApi {
public:
    // After LibreOfficeKit has started LibreOffice from `programFolder`. Null, with the reason in `why`,
    // when our module or LibreOffice's entry to its API cannot be found, or the office will not answer.
    static std::unique_ptr<OfficeApi> Bind(const std::filesystem::path& programFolder, std::string& why);

    // Lets go of the office; must come before LibreOffice is shut down.
    ~OfficeApi();
    OfficeApi(const OfficeApi&) = delete;
    OfficeApi& operator=(const OfficeApi&) = delete;

    struct Answer {
        std::string stage;  // "loaded", "load", "password", "kind", "saved", "save" or "internal"
        std::string message;
    };
    // Source and target are file URLs; `loadFilter` is empty to let LibreOffice tell the format by the
    // bytes. The document stays open from Load to Save.
    Answer Load(const std::string& sourceUrl, const std::string& loadFilter);
    Answer Save(const std::string& targetUrl, const std::string& filter);

private:
    explicit OfficeApi(const LarkspanOfficeCalls* calls) : calls_(calls) {}
    const LarkspanOfficeCalls* calls_;
};

}  // namespace larkspan::zuv0
