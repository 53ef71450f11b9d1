#include "word_package_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "byte_reader.h"
#include "word_story.h"
#include "xml_part.h"
#include "zip_directory.h"
#include "zip_inflation.h"

namespace larkspan::zuv0 {

namespace {

// Far more relationships of the kinds read here, or header and footer parts, than a document has.
constexpr std::size_t kRelationshipLimit = 65536;
constexpr std::size_t kHeaderFooterLimit = 4096;

// The relationship types, transitional and strict, differ only in what comes before their last segment.
constexpr std::array<std::string_view, 2> kRelationshipRoots{
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/",
    "http://purl.oclc.org/ooxml/officeDocument/relationships/",
};

// "header" for a header's relationship type; empty for one of no kind read here.
std::string_view KindOf(std::string_view type) {
    static constexpr std::array<std::string_view, 7> kKinds{
        "officeDocument", "header", "footer", "footnotes", "endnotes", "comments", "settings"};
    for (std::string_view root : kRelationshipRoots) {
        if (!type.starts_with(root)) continue;
        type.remove_prefix(root.size());
        // The kind's own text, which outlives the parser's.
        if (const auto kind = std::find(kKinds.begin(), kKinds.end(), type); kind != kKinds.end())
            return *kind;
    }
    return {};
}

// A Word document's main part: document, template, with or without macros.
bool IsWordMainType(std::string_view type) {
    return type.ends_with(".main+xml") &&
           (type.find(".wordprocessingml.") != type.npos || type.find("/vnd.ms-word.") != type.npos);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string_view FolderOf(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash + 1);
}

// Where a part's relationships are: word/document.xml's in word/_rels/document.xml.rels.
std::string RelationshipsPartOf(std::string_view name) {
    const std::string_view folder = FolderOf(name);
    return std::string(folder) + "_rels/" + std::string(name.substr(folder.size())) + ".rels";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

struct Relationship {
    std::string id;
    std::string_view kind;  // see KindOf
    std::string target;
};

class RelationshipReader : public XmlPartReader {
public:
    std::vector<Relationship> relationships;

protected:
    void Start(const XmlName& name, const XmlAttributes& attributes) override {
        if (!name.Is(Namespace::PackageRelationships, "Relationship")) return;
        if (attributes.Get(Namespace::None, "TargetMode") == "External") return;
        const std::string_view kind = KindOf(attributes.Get(Namespace::None, "Type"));
        if (kind.empty()) return;
        if (relationships.size() >= kRelationshipLimit) {
            Stop("holds more than " + std::to_string(kRelationshipLimit) + " relationships");
            return;
        }
        relationships.push_back({std::string(attributes.Get(Namespace::None, "Id")), kind,
                                 std::string(attributes.Get(Namespace::None, "Target"))});
    }
    void End(const XmlName&) override {}
    void Text(std::string_view) override {}
};

// The document's settings, read for whether even pages have headers and footers of their own.
class SettingsReader : public XmlPartReader {
public:
    bool evenPages = false;

protected:
    void Start(const XmlName& name, const XmlAttributes& attributes) override {
        if (name.Is(Namespace::Word, "evenAndOddHeaders"))
            evenPages = SwitchedOn(attributes.Get(Namespace::Word, "val"));
    }
    void End(const XmlName&) override {}
    void Text(std::string_view) override {}
};

// The package's index of content types, read for the one part it is asked about and for the parts it
// calls a Word document's main part.
class ContentTypeReader : public XmlPartReader {
public:
    explicit ContentTypeReader(std::string part) : part_(std::move(part)) {}

    std::string type;                   // the part's, by its name or else by its extension
    std::vector<std::string> wordMain;  // parts declared a Word main part, the first few

protected:
    void Start(const XmlName& name, const XmlAttributes& attributes) override {
        if (name.Is(Namespace::ContentTypes, "Override")) {
            std::string_view partName = attributes.Get(Namespace::None, "PartName");
            const std::string_view contentType = attributes.Get(Namespace::None, "ContentType");
            if (partName.starts_with('/')) partName.remove_prefix(1);
            if (SamePartName(partName, part_)) overridden_ = contentType;
            if (IsWordMainType(contentType) && wordMain.size() < 16) wordMain.emplace_back(partName);
        } else if (name.Is(Namespace::ContentTypes, "Default")) {
            const std::string_view extension = attributes.Get(Namespace::None, "Extension");
            if (!extension.empty() && part_.size() > extension.size() &&
                SamePartName(std::string_view(part_).substr(part_.size() - extension.size() - 1),
                             "." + std::string(extension)))
                byExtension_ = attributes.Get(Namespace::None, "ContentType");
        }
    }
    void End(const XmlName& name) override {
        if (name.Is(Namespace::ContentTypes, "Types"))
            type = overridden_.empty() ? byExtension_ : overridden_;
    }
    void Text(std::string_view) override {}

private:
    std::string part_;
    std::string overridden_;
    std::string byExtension_;
};

// The order of a section's headers and footers in a binary Word file, so that both readers give the same
// words in the same order: even header, odd (default) header, even footer, odd footer, first-page ones.
int Rank(const HeaderFooterReference& reference) {
    const int footer = reference.footer ? 1 : 0;
    if (reference.type == "even") return footer * 2;
    if (reference.type == "first") return 4 + footer;
    return 1 + footer * 2;
}

class Package {
public:
    Package(int fd, const std::vector<ZipPart>& parts, Fingerprint& fingerprint)
        : fd_(fd), parts_(parts), fingerprint_(fingerprint) {
        for (std::size_t i = 0; i < parts.size(); ++i) index_.emplace(Lower(parts[i].name), i);
    }

    bool Read(std::string& why);

private:
    const ZipPart* Find(std::string_view name) const {
        const auto found = index_.find(Lower(name));
        return found == index_.end() ? nullptr : &parts_[found->second];
    }
    // The part a relationship of `source` (empty for the package's own) points to, if it is there.
    const ZipPart* Resolve(std::string_view source, std::string_view target) const;
    std::vector<Relationship> RelationshipsOf(std::string_view source, bool complete);
    std::string ReadPart(const ZipPart& part, XmlPartReader& reader);
    void ReadStory(const ZipPart& part, Story story);
    // Notes what reading `part` left out: why it ended early, or that the words reached their bound.
    void Note(const ZipPart& part, const std::string& error);
    bool Full() const;
    void Incomplete(const std::string& why);

    const int fd_;
    const std::vector<ZipPart>& parts_;
    Fingerprint& fingerprint_;
    std::unordered_map<std::string, std::size_t> index_;  // lower-case name: the first part of that name
    std::uint64_t inflated_ = 0;
    std::uint64_t wordBytes_ = 0;
    std::size_t moreIncomplete_ = 0;
};

const ZipPart* Package::Resolve(std::string_view source, std::string_view target) const {
    target = target.substr(0, target.find('#'));
    if (target.empty()) return nullptr;
    std::string path = target.starts_with('/') ? std::string(target.substr(1))
                                               : std::string(FolderOf(source)) + std::string(target);
    std::vector<std::string_view> segments;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view segment = std::string_view(path).substr(at, end - at);
        if (segment == "..") {
            if (segments.empty()) return nullptr;
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        at = end + 1;
    }
    std::string name;
    for (std::string_view segment : segments) name += (name.empty() ? "" : "/") + std::string(segment);
    if (const ZipPart* part = Find(name)) return part;
    const std::string decoded = PercentDecoded(name);
    return decoded == name ? nullptr : Find(decoded);
}

std::vector<Relationship> Package::RelationshipsOf(std::string_view source, bool complete) {
    const ZipPart* part = Find(source.empty() ? "_rels/.rels" : RelationshipsPartOf(source));
    if (part == nullptr) return {};
    RelationshipReader reader;
    if (const std::string error = ReadPart(*part, reader); !error.empty() && complete)
        Incomplete(ShownPartName(part->name) + " " + error);
    return std::move(reader.relationships);
}

std::string Package::ReadPart(const ZipPart& part, XmlPartReader& reader) {
    const std::uint64_t left = kTotalInflationLimit - std::min(inflated_, kTotalInflationLimit);
    if (left == 0)
        return "is not read: the parts before it inflate to " + std::to_string(kTotalInflationLimit >> 20) +
               " MiB";
    std::string error = reader.Read(fd_, part, std::min(kPartInflationLimit, left));
    inflated_ += reader.inflated();
    return error;
}

void Package::ReadStory(const ZipPart& part, Story story) {
    WordStoryReader reader(fingerprint_, story, wordBytes_);
    const std::string error = ReadPart(part, reader);
    reader.Finish();
    Note(part, error);
}

void Package::Note(const ZipPart& part, const std::string& error) {
    if (!error.empty())
        Incomplete(ShownPartName(part.name) + " " + error);
    else if (Full())  // the words of the paragraphs left open at its end passed the bound
        Incomplete(ShownPartName(part.name) + " " + WordLimitReason());
}

bool Package::Full() const {
    std::uint64_t words = 0;
    for (const std::vector<std::string>& story : fingerprint_.words) words += story.size();
    return words > kWordLimit || wordBytes_ > kWordBytesLimit;
}

void Package::Incomplete(const std::string& why) {
    if (fingerprint_.incomplete.empty())
        fingerprint_.incomplete = why;
    else
        ++moreIncomplete_;
}

bool Package::Read(std::string& why) {
    // The main part: as the package's relationships name it, else as its index of content types does,
    // else where most producers put it.
    const ZipPart* main = nullptr;
    for (const Relationship& relationship : RelationshipsOf({}, false)) {
        if (relationship.kind != "officeDocument") continue;
        main = Resolve({}, relationship.target);
        if (main != nullptr) break;
    }
    ContentTypeReader types(main ? main->name : std::string());
    if (const ZipPart* index = Find("[Content_Types].xml")) ReadPart(*index, types);
    // A spreadsheet's or a presentation's package is no Word document, whatever else it holds.
    if (main != nullptr && types.type.ends_with(".main+xml") && !IsWordMainType(types.type)) {
        why = "its main part is no Word document (" + types.type.substr(0, 120) + ")";
        return false;
    }
    for (std::size_t i = 0; main == nullptr && i < types.wordMain.size(); ++i) main = Find(types.wordMain[i]);
    if (main == nullptr) main = Find("word/document.xml");
    if (main == nullptr) {
        why = "no Word document in the package";
        return false;
    }

    const std::vector<Relationship> relationships = RelationshipsOf(main->name, true);
    WordStoryReader reader(fingerprint_, Story::Main, wordBytes_);
    const std::string error = ReadPart(*main, reader);
    reader.Finish();
    if (!reader.document()) {
        why =
            ShownPartName(main->name) + (error.empty() ? " is not a Word document's main part" : " " + error);
        return false;
    }
    Note(*main, error);
    if (reader.referencesCut()) Incomplete("the sections name more headers and footers than are read");

    // Each part once, however often it is named: a header that every section shares is one story.
    std::unordered_set<const ZipPart*> read{main};
    std::unordered_map<std::string_view, const Relationship*> headersFooters;
    for (const Relationship& relationship : relationships)
        if (relationship.kind == "header" || relationship.kind == "footer")
            headersFooters.emplace(relationship.id, &relationship);
    // Headers and footers that no page shows are passed over: a first page's when its section has none
    // of its own, even pages' when the document does not tell even pages from odd. Converters drop them.
    SettingsReader settings;
    for (const Relationship& relationship : relationships)
        if (relationship.kind == "settings")
            if (const ZipPart* part = Resolve(main->name, relationship.target)) ReadPart(*part, settings);
    const std::unordered_set<std::uint64_t> titlePages(reader.titlePages().begin(),
                                                       reader.titlePages().end());
    const auto shown = [&](const HeaderFooterReference& reference) {
        if (reference.type == "even") return settings.evenPages;
        if (reference.type == "first") return titlePages.count(reference.section) > 0;
        return true;
    };
    std::vector<HeaderFooterReference> references = reader.references();
    std::stable_sort(references.begin(), references.end(), [](const auto& a, const auto& b) {
        return a.section != b.section ? a.section < b.section : Rank(a) < Rank(b);
    });
    std::size_t headerFooterParts = 0;
    for (const HeaderFooterReference& reference : references) {
        if (Full()) break;
        if (!shown(reference)) continue;
        const auto relationship = headersFooters.find(reference.id);
        if (relationship == headersFooters.end()) continue;
        const ZipPart* part = Resolve(main->name, relationship->second->target);
        if (part == nullptr || !read.insert(part).second) continue;
        if (++headerFooterParts > kHeaderFooterLimit) {
            Incomplete("more than " + std::to_string(kHeaderFooterLimit) + " header and footer parts");
            break;
        }
        ReadStory(*part, Story::HeadersFooters);
    }

    const std::array<std::pair<std::string_view, Story>, 3> notes{{
        {"footnotes", Story::Footnotes},
        {"endnotes", Story::Endnotes},
        {"comments", Story::Comments},
    }};
    for (const auto& [kind, story] : notes) {
        for (const Relationship& relationship : relationships) {
            if (relationship.kind != kind || Full()) continue;
            const ZipPart* part = Resolve(main->name, relationship.target);
            if (part != nullptr && read.insert(part).second) ReadStory(*part, story);
        }
    }
    if (moreIncomplete_ > 0) fingerprint_.incomplete += " (and " + std::to_string(moreIncomplete_) + " more)";
    return true;
}

}  // namespace

bool ReadWordPackage(int fd, std::uint64_t size, Fingerprint& fingerprint, std::string& why) {
    fingerprint = Fingerprint{};
    why.clear();
    unsigned char signature[4];
    if (size < sizeof signature || !ReadAt(fd, 0, signature, sizeof signature) ||
        std::memcmp(signature, "PK\x03\x04", 4) != 0) {
        why = "not a zip package";
        return false;
    }
    std::vector<ZipPart> parts;
    switch (ListZipParts(fd, size, parts)) {
        case ZipListing::Listed:
            break;
        case ZipListing::Truncated:
            why = "a truncated zip package (its directory is missing or points past the file)";
            return false;
        case ZipListing::Damaged:
            why = "a damaged zip package (its directory is not a list of parts)";
            return false;
    }
    Package package(fd, parts, fingerprint);
    if (package.Read(why)) return true;
    fingerprint = Fingerprint{};
    return false;
}

}  // namespace larkspan::zuv0
