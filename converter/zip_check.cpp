#include "zip_check.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "zip_directory.h"
#include "zip_inflation.h"

namespace larkspan::zuv0 {

namespace {

// The value of attribute `name` in the element text `element` ("<Override PartName=... >"), or empty.
std::string_view Attribute(std::string_view element, std::string_view name) {
    for (std::size_t at = element.find(name); at != std::string_view::npos; at = element.find(name, at + 1)) {
        if (at == 0 || !std::isspace(static_cast<unsigned char>(element[at - 1]))) continue;
        std::size_t p = at + name.size();
        while (p < element.size() && std::isspace(static_cast<unsigned char>(element[p]))) ++p;
        if (p >= element.size() || element[p] != '=') continue;
        ++p;
        while (p < element.size() && std::isspace(static_cast<unsigned char>(element[p]))) ++p;
        if (p >= element.size() || (element[p] != '"' && element[p] != '\'')) continue;
        const std::size_t end = element.find(element[p], p + 1);
        if (end == std::string_view::npos) return {};
        return element.substr(p + 1, end - p - 1);
    }
    return {};
}

// Whether the package holds the part that its [Content_Types].xml gives the content type of a Word
// document's main part (document, template, with or without macros). Most producers put it at
// word/document.xml, but the package's own index is what names it, and LibreOffice follows it.
bool HoldsDeclaredWordMain(int fd, const std::vector<ZipPart>& parts, const ZipPart& contentTypes) {
    constexpr std::size_t kIndexLimit = 1 << 20;  // a package's index is a few kilobytes
    const std::string index = PartText(fd, contentTypes, kIndexLimit);
    for (std::size_t at = index.find("<Override"); at != std::string::npos;
         at = index.find("<Override", at + 1)) {
        const std::size_t end = index.find('>', at);
        if (end == std::string::npos) break;
        const std::string_view element = std::string_view(index).substr(at, end - at);
        const std::string_view type = Attribute(element, "ContentType");
        const bool wordMain = type.ends_with(".main+xml") && (type.find(".wordprocessingml.") != type.npos ||
                                                              type.find("/vnd.ms-word.") != type.npos);
        std::string_view name = Attribute(element, "PartName");
        if (!wordMain || !name.starts_with('/')) continue;
        name.remove_prefix(1);
        if (std::any_of(parts.begin(), parts.end(),
                        [&](const ZipPart& part) { return SamePartName(part.name, name); }))
            return true;
    }
    return false;
}

}  // namespace

Sniffed CheckZipPackage(int fd, std::uint64_t size) {
    const Sniffed truncated{ContentKind::Damaged, "a damaged or truncated Word file"};
    const Sniffed damaged{ContentKind::Damaged, "a damaged Word file"};
    std::vector<ZipPart> parts;
    switch (ListZipParts(fd, size, parts)) {
        case ZipListing::Listed:
            break;
        case ZipListing::Truncated:
            return truncated;
        case ZipListing::Damaged:
            return damaged;
    }

    const auto holds = [&](auto&& test) { return std::any_of(parts.begin(), parts.end(), test); };
    const auto index = std::find_if(parts.begin(), parts.end(),
                                    [](const ZipPart& part) { return part.name == "[Content_Types].xml"; });
    const bool wordFolder = holds([](const ZipPart& part) { return part.name.starts_with("word/"); });
    const bool wordMain = holds([](const ZipPart& part) { return part.name == "word/document.xml"; }) ||
                          (index != parts.end() && (wordFolder || HoldsDeclaredWordMain(fd, parts, *index)));
    // Text, or a spreadsheet or drawing: the engine tells them apart by loading it.
    const bool openDocument = holds([](const ZipPart& part) { return part.name == "content.xml"; });
    if (!wordMain && !openDocument)
        return {ContentKind::Unknown, "a zip archive without a Word document in it"};
    if (std::string refusal = InflationRefusal(fd, parts); !refusal.empty())
        return {ContentKind::Oversized, std::move(refusal)};
    if (wordMain) return {ContentKind::WordPackage, {}};
    return {ContentKind::OpenDocument, {}};
}

}  // namespace larkspan::zuv0
