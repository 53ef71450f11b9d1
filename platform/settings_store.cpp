#include "platform/settings_store.h"

#include <array>
#include <vector>

#include "platform/registry.h"

namespace larkspan {
namespace {

using enum SettingType;
constexpr std::optional<std::uint32_t> kNever = std::nullopt;

constexpr std::array kTable{
    SettingDefinition{"CurrentDirectory", String, nullptr, kNever},
    SettingDefinition{"OutDir", String, "Original directory", kNever},
    SettingDefinition{"OutputDir1", String, "Original directory", kNever},
    SettingDefinition{"OutputDir2", String, "", kNever},
    SettingDefinition{"OutputDir3", String, "", kNever},
    SettingDefinition{"OutputDir4", String, "", kNever},
    SettingDefinition{"OutputDir5", String, "", kNever},
    SettingDefinition{"rtSplitVer_left", Integer, nullptr, kNever},
    SettingDefinition{"rtSplitVer_top", Integer, nullptr, kNever},
    SettingDefinition{"rtSplitVer_right", Integer, nullptr, kNever},
    SettingDefinition{"rtSplitVer_bottom", Integer, nullptr, kNever},
    SettingDefinition{"rtSplitHor_left", Integer, nullptr, kNever},
    SettingDefinition{"rtSplitHor_top", Integer, nullptr, kNever},
    SettingDefinition{"rtSplitHor_right", Integer, nullptr, kNever},
    SettingDefinition{"rtSplitHor_bottom", Integer, nullptr, kNever},
    SettingDefinition{"ptMainDlgPos_x", Integer, nullptr, kNever},
    SettingDefinition{"ptMainDlgPos_y", Integer, nullptr, kNever},
    SettingDefinition{"szMainDlg_cx", Integer, nullptr, kNever},
    SettingDefinition{"szMainDlg_cy", Integer, nullptr, kNever},
    SettingDefinition{"bMaximized", Integer, nullptr, kNever},
    SettingDefinition{"nHeightListSel", Integer, nullptr, kNever},
    SettingDefinition{"Progress", Integer, nullptr, 0u},
    SettingDefinition{"AutoClose", Integer, nullptr, 1u},
};

// One read of the hive for each setting read, and one locked rewrite for each write.
template <typename T>
std::optional<T> Read(const std::string& section, std::string_view key) {
    std::optional<registry::Value> value = registry::QueryValue(registry::Root::CurrentUser, section, key);
    const T* typed = value ? std::get_if<T>(&*value) : nullptr;
    return typed ? std::optional<T>(*typed) : std::nullopt;
}

}  // namespace

std::span<const SettingDefinition> SettingsTable() {
    return kTable;
}

const SettingDefinition* FindSetting(std::string_view key) {
    for (const SettingDefinition& definition : kTable)
        if (definition.key == key) return &definition;
    return nullptr;
}

std::string OutputDirKey(int index) {
    return "OutputDir" + std::to_string(index);
}

SettingsStore::SettingsStore(std::string_view registryKey, std::string_view appName)
    : sectionPath_("Software\\" + std::string(registryKey) + "\\" + std::string(appName) + "\\" +
                   std::string(kSettingsSection)) {}

std::string SettingsStore::GetString(std::string_view key) const {
    const SettingDefinition* definition = FindSetting(key);
    std::string fallback = definition && definition->defaultText ? definition->defaultText : "";
    return Read<std::string>(sectionPath_, key).value_or(fallback);
}

std::uint32_t SettingsStore::GetInt(std::string_view key) const {
    const SettingDefinition* definition = FindSetting(key);
    std::uint32_t fallback = definition ? definition->defaultNumber.value_or(0) : 0;
    return Read<std::uint32_t>(sectionPath_, key).value_or(fallback);
}

bool SettingsStore::WriteString(std::string_view key, std::string_view value) const {
    return !registry::WriteValue(registry::Root::CurrentUser, sectionPath_, key, std::string(value));
}

bool SettingsStore::WriteInt(std::string_view key, std::int32_t value) const {
    return !registry::WriteValue(registry::Root::CurrentUser, sectionPath_, key,
                                 static_cast<std::uint32_t>(value));
}

bool SettingsStore::WriteInts(std::span<const std::pair<std::string_view, std::int32_t>> values) const {
    std::vector<std::pair<std::string_view, registry::Value>> stored;
    stored.reserve(values.size());
    for (const auto& [key, value] : values) stored.emplace_back(key, static_cast<std::uint32_t>(value));
    return !registry::WriteValues(registry::Root::CurrentUser, sectionPath_, stored);
}

}  // namespace larkspan
