#pragma once
// A small registry over readable text hives in the format of a registry export.
//
// Hives: the per-user hive holds HKEY_CURRENT_USER; the machine hive holds HKEY_LOCAL_MACHINE and
// HKEY_CLASSES_ROOT. Every read goes to the file (no cache); every write is a read-modify-write under an
// exclusive lock, written to a temporary file and renamed over the hive.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <variant>

namespace larkspan::registry {

enum class Root { CurrentUser, LocalMachine, ClassesRoot };

enum class Access { Read, Write };

// A value as the registry holds it. Types other than string and DWORD are kept as their raw export text
// ("hex(2):..." and the like) so that a rewrite of the hive does not lose them.
struct RawValue {
    std::string text;
    bool operator==(const RawValue&) const = default;
};
using Value = std::variant<std::string, std::uint32_t, RawValue>;

// Where the hives live: LARKSPAN_REGISTRY_DIR holds both, else $XDG_CONFIG_HOME/larkspan/user.reg
// (default ~/.config) and /etc/larkspan/machine.reg.
std::filesystem::path HivePath(Root root);

// The text name of a root as it stands in a hive ("HKEY_CURRENT_USER").
std::string_view RootName(Root root);

// An open key. Opening fails when the key does not exist; for Write access it also fails when the hive
// cannot be written. The key holds no data: every query reads the hive afresh.
class Key {
public:
    static std::optional<Key> Open(Root root, std::string_view subKey, Access access);
    // Creates the key and any missing parents; opens it for writing. A path with a line break is refused
    // (invalid_argument): the hive could not hold it.
    [[nodiscard]] static std::optional<Key> Create(Root root, std::string_view subKey,
                                                   std::error_code& error);

    Root root() const { return root_; }
    const std::string& subKey() const { return subKey_; }

    // The empty name is the key's default value.
    std::optional<Value> Query(std::string_view name) const;
    std::optional<std::string> QueryString(std::string_view name) const;
    std::optional<std::uint32_t> QueryDword(std::string_view name) const;

    // Any bytes: text that is not UTF-8, line breaks and NULs read back as they were. A name with a line
    // break is refused (invalid_argument).
    [[nodiscard]] std::error_code SetString(std::string_view name, std::string_view text) const;
    [[nodiscard]] std::error_code SetDword(std::string_view name, std::uint32_t value) const;

private:
    Key(Root root, std::string subKey, Access access)
        : root_(root), subKey_(std::move(subKey)), access_(access) {}
    std::error_code Set(std::string_view name, Value value) const;

    Root root_;
    std::string subKey_;
    Access access_;
};

bool KeyExists(Root root, std::string_view subKey);

// One read of the hive: the value, or empty when the key or the value is missing.
std::optional<Value> QueryValue(Root root, std::string_view subKey, std::string_view name);

// One locked read-modify-write of the hive: creates the key and any missing parents, then sets the value.
// Names and key paths as for Key::Create and Key::SetString.
[[nodiscard]] std::error_code WriteValue(Root root, std::string_view subKey, std::string_view name,
                                         Value value);

// Several values of one key in one locked read-modify-write, in order: all of them are written or none.
[[nodiscard]] std::error_code WriteValues(Root root, std::string_view subKey,
                                          std::span<const std::pair<std::string_view, Value>> values);

}  // namespace larkspan::registry
