#include "profile_settings.h"

#include "platform/libreoffice.h"
#include "profile_files.h"

#include <string_view>

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
    "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";

constexpr std::string_view kTail = "</oor:items>";

struct Setting {
    std::string_view path;
    std::string_view name;
    std::string_view value;
    std::string_view type = {};  // for a property of an extensible group, which must name its type
};

// Held at these values whatever the profile says, checked on every start: a document never runs code and
// never fetches anything, and nothing is written beside it.
constexpr Setting kEnforced[] = {
    {"/org.openoffice.Office.Common/Misc", "UseLocking", "false"},
    // Very high: only signed macros from trusted locations, and there are none; no macro runs at all.
    {"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3"},
    {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true"},
    // Linked pictures are not fetched, from a web address or elsewhere: they stay links.
    {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
    // Never update links (linked sections, OLE links) while loading: 0 is "never".
    {"/org.openoffice.Office.Writer/Content/Update", "Link", "0"},
    // Writer's sidebar hidden ("H"): shown, it is built for every document, its panels and their toolbars,
    // which costs more than half again the time of converting a small document.
    {"/org.openoffice.Office.Views/Windows/org.openoffice.Office.Views:WindowType['swriter/10336']/UserData",
     "Data", "V2,H,0,AL:(16,5,0/0/404/450,404;450)", "xs:string"},
};

std::string Item(const Setting& setting) {
    std::string item = "<item oor:path=\"";
    item += setting.path;
    item += "\"><prop oor:name=\"";
    item += setting.name;
    item += "\" oor:op=\"fuse\"";
    if (!setting.type.empty()) {
        item += " oor:type=\"";
        item += setting.type;
        item += "\"";
    }
    item += "><value>";
    item += setting.value;
    item += "</value></prop></item>";
    return item;
}

// Puts the setting into the text at its value, replacing the item LibreOffice wrote for it; false when
// the text already held it so.
bool Enforce(std::string& text, std::string& added, const Setting& setting) {
    const std::string item = Item(setting);
    const std::string head = "<item oor:path=\"" + std::string(setting.path) + "\"><prop oor:name=\"" +
                             std::string(setting.name) + "\"";
    const std::size_t at = text.find(head);
    const std::size_t end = at == std::string::npos ? at : text.find("</item>", at);
    if (end == std::string::npos) {
        added += item + "\n";
        return true;
    }
    const std::size_t length = end + 7 - at;
    if (text.compare(at, length, item) == 0) return false;
    text.replace(at, length, item);
    return true;
}

bool HasProperty(const std::string& text, std::string_view name) {
    return text.find("oor:name=\"" + std::string(name) + "\"") != std::string::npos;
}

}  // namespace

std::error_code EnsureProfileSettings(const fs::path& profileFolder, const fs::path& programFolder) {
    std::error_code error;
    const fs::path folder = profileFolder / "user";
    fs::create_directories(folder, error);
    if (error) return error;
    const fs::path file = folder / "registrymodifications.xcu";

    std::string text = ReadWholeFile(file);
    // New profile, or a file LibreOffice could not read either: it is rebuilt from defaults anyway.
    if (text.rfind(kTail) == std::string::npos) text = std::string(kHead) + std::string(kTail) + "\n";
    std::string items;
    bool changed = false;
    for (const Setting& setting : kEnforced) changed = Enforce(text, items, setting) || changed;
    if (!HasProperty(text, "ooSetupLastVersion")) {
        if (const std::string version = libreoffice::InstalledVersion(programFolder); !version.empty())
            items += Item({"/org.openoffice.Setup/Product", "ooSetupLastVersion", version}) + "\n";
    }
    if (!changed && items.empty()) return {};

    text.insert(text.rfind(kTail), items);

    // Written beside and renamed, so an interrupted write cannot cost the profile its settings.
    return ReplaceWholeFile(file, text);
}

}  // namespace larkspan::zuv0
