#include "engine/word_location.h"

namespace larkspan {

std::string ReadRegistryString(registry::Root root, std::string_view subKey, std::string_view valueName) {
    std::optional<registry::Key> key = registry::Key::Open(root, subKey, registry::Access::Read);
    if (!key) return {};
    std::optional<registry::Value> value = key->Query(valueName);
    if (!value) return {};
    // The type is not examined: a number reads as its text would in a fixed-size buffer, i.e. not at all.
    const std::string* text = std::get_if<std::string>(&*value);
    if (!text) return {};
    // The value is read into a buffer of 260 bytes with its terminating NUL; a longer one does not fit.
    if (text->size() >= 260) return {};
    return text->substr(0, text->find('\0'));
}

int FindWordInstallation(std::string& wordFolder) {
    struct Probe {
        const char* key;
        int code;
    };
    static constexpr Probe kProbes[] = {
        {"SOFTWARE\\Microsoft\\Office\\12.0\\Word\\InstallRoot", 4},
        {"SOFTWARE\\Microsoft\\Office\\11.0\\Word\\InstallRoot", 3},
        {"SOFTWARE\\Microsoft\\Office\\10.0\\Word\\InstallRoot", 2},
        {"SOFTWARE\\Microsoft\\Office\\9.0\\Word\\InstallRoot", 1},
    };
    wordFolder.clear();
    for (const Probe& probe : kProbes) {
        if (!registry::KeyExists(registry::Root::LocalMachine, probe.key)) continue;
        wordFolder = ReadRegistryString(registry::Root::LocalMachine, probe.key, "Path");
        return probe.code;
    }
    return 0;
}

}  // namespace larkspan
