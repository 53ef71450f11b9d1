#pragma once
// The in-memory form of one hive and its text in the format of a registry export.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace larkspan::registry {

struct KeySection {
    std::string path;  // full path with the root name, as written in the hive
    std::vector<std::pair<std::string, Value>> values;  // "" is the default value
    bool operator==(const KeySection&) const = default;
};

// Positions in a list, looked up by name ignoring ASCII letter case. Open addressing that keeps each
// name's hash: a lookup allocates nothing and seldom reads a name that differs, so a hive of a hundred
// thousand values parses in linear time.
class FoldedNameIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    // nameAt(position) gives the name listed at a position.
    template <typename NameAt>
    std::size_t Find(std::string_view name, NameAt nameAt) const;
    // The position listed under name; when there is none, next is listed under it and npos returned.
    template <typename NameAt>
    std::size_t FindOrAdd(std::string_view name, std::size_t next, NameAt nameAt);

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t position = npos;
    };
    // The slot holding name, or the free slot where it belongs.
    template <typename NameAt>
    std::size_t Probe(std::uint64_t hash, std::string_view name, NameAt nameAt) const;
    std::vector<Slot> slots_;  // a power of two in size, at most half full
    std::size_t count_ = 0;
};

class Hive {
public:
    // Key paths and value names compare ignoring ASCII letter case, as the registry's do.
    bool HasKey(std::string_view path) const;
    // The key and a section for each missing level below the root, as an export lists them.
    void CreateKey(std::string_view path);
    // Only the key's own section, as a key line of a hive names it; its parents exist through it.
    void AddKey(std::string_view path);
    const Value* FindValue(std::string_view path, std::string_view name) const;
    void SetValue(std::string_view path, std::string_view name, Value value);
    const std::vector<KeySection>& sections() const { return sections_; }

private:
    KeySection* FindSection(std::string_view path);
    const KeySection* FindSection(std::string_view path) const;
    std::string_view NameAt(std::size_t section, std::size_t position) const {
        return sections_[section].values[position].first;
    }
    std::vector<KeySection> sections_;
    FoldedNameIndex sectionIndex_;
    std::vector<FoldedNameIndex> valueIndex_;  // one per section
};

// Key paths and value names are written as they are, so a line break in one could not be read back.
bool StorableName(std::string_view name);

// False with a reason when the text is not a hive. A last line without its line break counts as cut off,
// so a hive cut short inside a value never reads as a different value.
[[nodiscard]] bool ParseHive(std::string_view text, Hive& hive, std::string& error);
std::string FormatHive(const Hive& hive);

}  // namespace larkspan::registry
