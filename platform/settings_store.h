#pragma once
// The per-user settings of the program: one table of keys, types and defaults, stored under
// HKEY_CURRENT_USER\Software\Larkspan\<program file name>\Settings2. No cache: every read goes to the hive
// at the moment it is asked for, every write is immediate.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace larkspan {

enum class SettingType { String, Integer };

struct SettingDefinition {
    std::string_view key;
    SettingType type;
    // Strings: the default text, or nullptr for "none" (reads as empty). Integers: the default number,
    // or none when nothing reads the key back.
    const char* defaultText;
    std::optional<std::uint32_t> defaultNumber;
};

inline constexpr std::string_view kSettingsSection = "Settings2";
inline constexpr std::string_view kRegistryKeyName = "Larkspan";

// The whole table, in the order of its keys.
std::span<const SettingDefinition> SettingsTable();
// nullptr for a key that is not in the table.
const SettingDefinition* FindSetting(std::string_view key);
// "OutputDir1" .. "OutputDir5".
std::string OutputDirKey(int index);

class SettingsStore {
public:
    // registryKey is the company-style key ("Larkspan"), appName the program's file name.
    SettingsStore(std::string_view registryKey, std::string_view appName);

    // The full key path below HKEY_CURRENT_USER.
    const std::string& SectionPath() const { return sectionPath_; }

    // Keys outside the table are read with an empty / zero default.
    std::string GetString(std::string_view key) const;
    std::uint32_t GetInt(std::string_view key) const;
    // Writes report failure; callers that may ignore it (as the settings writes of the dialogs do) say so.
    [[nodiscard]] bool WriteString(std::string_view key, std::string_view value) const;
    [[nodiscard]] bool WriteInt(std::string_view key, std::int32_t value) const;
    // Several integers in one locked rewrite of the hive, in order: all of them or none.
    [[nodiscard]] bool WriteInts(std::span<const std::pair<std::string_view, std::int32_t>> values) const;

private:
    std::string sectionPath_;
};

}  // namespace larkspan
