#pragma once
// The in-memory form of one hive and its text in the format of a registry export.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace larkspan::registry {

struct KeySection {
    std::string path;  // full path with the root name, as written in the hive
    std::vector<std::pair<std::string, Value>> values;  // "" is the default value
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
    std::vector<KeySection> sections_;
};

// False with a reason when the text is not a hive.
bool ParseHive(std::string_view text, Hive& hive, std::string& error);
std::string FormatHive(const Hive& hive);

}  // namespace larkspan::registry
