#pragma once
// The in-memory form of one hive and its text in the format of a registry export.

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace larkspan::registry {

struct KeySection {
    std::string path;  // full path with the root name, as written in the hive
    std::vector<std::pair<std::string, Value>> values;  // "" is the default value
    bool operator==(const KeySection&) const = default;
};

class Hive {
public:
    // Key paths and value names compare ignoring ASCII letter case, as the registry's do.
    bool HasKey(std::string_view path) const;
    void CreateKey(std::string_view path);
    const Value* FindValue(std::string_view path, std::string_view name) const;
    void SetValue(std::string_view path, std::string_view name, Value value);
    const std::vector<KeySection>& sections() const { return sections_; }

private:
    KeySection* FindSection(std::string_view path);
    const KeySection* FindSection(std::string_view path) const;
    std::vector<KeySection> sections_;
    // Lower-cased key path to its section, and per section lower-cased value name to its place: a hive of
    // a hundred thousand values still parses in linear time.
    std::unordered_map<std::string, std::size_t> sectionAt_;
    std::vector<std::unordered_map<std::string, std::size_t>> valueAt_;
};

// Key paths and value names are written as they are, so a line break in one could not be read back.
bool StorableName(std::string_view name);

// False with a reason when the text is not a hive. A last line without its line break counts as cut off,
// so a hive cut short inside a value never reads as a different value.
bool ParseHive(std::string_view text, Hive& hive, std::string& error);
std::string FormatHive(const Hive& hive);

}  // namespace larkspan::registry
