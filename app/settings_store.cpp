#include "app/settings_store.h"

#include <array>

#include "platform/registry.h"

namespace larkspan {
namespace {

using enum SettingType;
constexpr std::optional<std::uint32_t> kNever = std::nullopt;

constexpr std::array kTable{
    SettingSpec{"CurrentDirectory", String, nullptr, kNever},
    SettingSpec{"OutDir", String, "Original directory", kNever},
    SettingSpec{"OutputDir1", String, "Original directory", kNever},
    SettingSpec{"OutputDir2", String, "", kNever},
    SettingSpec{"OutputDir3", String, "", kNever},
    SettingSpec{"OutputDir4", String, "", kNever},
    SettingSpec{"OutputDir5", String, "", kNever},
    SettingSpec{"rtSplitVer_left", Integer, nullptr, kNever},
    SettingSpec{"rtSplitVer_top", Integer, nullptr, kNever},
    SettingSpec{"rtSplitVer_right", Integer, nullptr, kNever},
    SettingSpec{"rtSplitVer_bottom", Integer, nullptr, kNever},
    SettingSpec{"rtSplitHor_left", Integer, nullptr, kNever},
    SettingSpec{"rtSplitHor_top", Integer, nullptr, kNever},
    SettingSpec{"rtSplitHor_right", Integer, nullptr, kNever},
    SettingSpec{"rtSplitHor_bottom", Integer, nullptr, kNever},
    SettingSpec{"ptMainDlgPos_x", Integer, nullptr, kNever},
    SettingSpec{"ptMainDlgPos_y", Integer, nullptr, kNever},
    SettingSpec{"szMainDlg_cx", Integer, nullptr, kNever},
    SettingSpec{"szMainDlg_cy", Integer, nullptr, kNever},
    SettingSpec{"bMaximized", Integer, nullptr, kNever},
    SettingSpec{"nHeightListSel", Integer, nullptr, kNever},
    SettingSpec{"Progress", Integer, nullptr, 0u},
    SettingSpec{"AutoClose", Integer, nullptr, 1u},
};

// One read of the hive for each setting read, and one locked rewrite for each write.
template <typename T>
std::optional<T> Read(const std::string& section, std::string_view key) {
    std::optional<registry::Value> value = registry::QueryValue(registry::Root::CurrentUser, section, key);
    const T* typed = value ? std::get_if<T>(&*value) : nullptr;
    return typed ? std::optional<T>(*typed) : std::nullopt;
}

}  // namespace

std::span<const SettingSpec> SettingsTable() {
    return kTable;
}

const SettingSpec* FindSetting(std::string_view key) {
    for (const SettingSpec& spec : kTable)
        if (spec.key == key) return &spec;
    return nullptr;
}

std::string OutputDirKey(int index) {
    return "OutputDir" + std::to_string(index);
}

SettingsStore::SettingsStore(std::string_view registryKey, std::string_view appName)
    : sectionPath_("Software\\" + std::string(registryKey) + "\\" + std::string(appName) + "\\" +
                   std::string(kSettingsSection)) {}

std::string SettingsStore::GetString(std::string_view key) const {
    const SettingSpec* spec = FindSetting(key);
    std::string fallback = spec && spec->defaultText ? spec->defaultText : "";
    return Read<std::string>(sectionPath_, key).value_or(fallback);
}

std::uint32_t SettingsStore::GetInt(std::string_view key) const {
    const SettingSpec* spec = FindSetting(key);
    std::uint32_t fallback = spec ? spec->defaultNumber.value_or(0) : 0;
    return Read<std::uint32_t>(sectionPath_, key).value_or(fallback);
}

bool SettingsStore::WriteString(std::string_view key, std::string_view value) const {
    return !registry::WriteValue(registry::Root::CurrentUser, sectionPath_, key, std::string(value));
}

bool SettingsStore::WriteInt(std::string_view key, std::int32_t value) const {
    return !registry::WriteValue(registry::Root::CurrentUser, sectionPath_, key,
                                 static_cast<std::uint32_t>(value));
}

}  // namespace larkspan
