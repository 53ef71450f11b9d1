#include "xml_part.h"

#include <expat.h>

#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "zip_inflation.h"

namespace larkspan::zuv0 {

namespace {

// Between a name's namespace URI and its local name; expat refuses a URI that holds it.
constexpr char kSeparator = ' ';

constexpr std::array<std::pair<std::string_view, Namespace>, 26> kNamespaces{{
    {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", Namespace::Word},
    {"http://purl.oclc.org/ooxml/wordprocessingml/main", Namespace::Word},
    {"http://schemas.openxmlformats.org/officeDocument/2006/math", Namespace::Math},
    {"http://purl.oclc.org/ooxml/officeDocument/math", Namespace::Math},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", Namespace::Drawing},
    {"http://purl.oclc.org/ooxml/drawingml/main", Namespace::Drawing},
    {"http://schemas.openxmlformats.org/drawingml/2006/picture", Namespace::Picture},
    {"http://purl.oclc.org/ooxml/drawingml/picture", Namespace::Picture},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", Namespace::Relationships},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", Namespace::Relationships},
    {"urn:schemas-microsoft-com:vml", Namespace::Vml},
    {"urn:schemas-microsoft-com:office:office", Namespace::Office},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", Namespace::Compatibility},
    {"http://schemas.openxmlformats.org/package/2006/content-types", Namespace::ContentTypes},
    {"http://schemas.openxmlformats.org/package/2006/relationships", Namespace::PackageRelationships},
    {"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", Namespace::Extension},
    {"http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing", Namespace::Extension},
    {"urn:schemas-microsoft-com:office:word", Namespace::Extension},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingShape", Namespace::Extension},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup", Namespace::Extension},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas", Namespace::Extension},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing", Namespace::Extension},
    {"http://schemas.microsoft.com/office/word/2010/wordml", Namespace::Extension},
    {"http://schemas.microsoft.com/office/word/2012/wordml", Namespace::Extension},
    {"http://schemas.microsoft.com/office/drawing/2010/main", Namespace::Extension},
    {"http://schemas.openxmlformats.org/officeDocument/2006/sharedTypes", Namespace::Extension},
}};

Namespace NamespaceOf(std::string_view uri) {
    for (const auto& [known, ns] : kNamespaces)
        if (uri == known) return ns;
    return Namespace::Other;
}

// "URI local" as expat gives a name in a namespace, or "local" for one in none.
XmlName Split(const char* qualified) {
    const std::string_view name(qualified);
    const std::size_t at = name.rfind(kSeparator);
    if (at == std::string_view::npos) return {Namespace::None, name};
    return {NamespaceOf(name.substr(0, at)), name.substr(at + 1)};
}

// Expat's allocations for the part being read, counted against kXmlParserMemory. The suite's functions take
// no context, and a parser lives and dies within one Read on one thread.
struct Allowance {
    std::size_t left = kXmlParserMemory;
};
thread_local Allowance* tAllowance = nullptr;
constexpr std::size_t kHeader = alignof(std::max_align_t);

std::size_t SizeOf(unsigned char* block) {
    std::size_t size;
    std::memcpy(&size, block, sizeof size);
    return size;
}

void* Allocate(std::size_t size) {
    if (tAllowance == nullptr || size > tAllowance->left) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) return nullptr;
    std::memcpy(block, &size, sizeof size);
    tAllowance->left -= size;
    return block + kHeader;
}

void Release(void* pointer) {
    if (pointer == nullptr) return;
    unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
    if (tAllowance != nullptr) tAllowance->left += SizeOf(block);
    std::free(block);
}

void* Reallocate(void* pointer, std::size_t size) {
    if (pointer == nullptr) return Allocate(size);
    if (tAllowance == nullptr) return nullptr;
    unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
    const std::size_t old = SizeOf(block);
    if (size > old && size - old > tAllowance->left) return nullptr;
    auto* moved = static_cast<unsigned char*>(std::realloc(block, size + kHeader));
    if (moved == nullptr) return nullptr;
    std::memcpy(moved, &size, sizeof size);
    tAllowance->left = tAllowance->left + old - size;
    return moved + kHeader;
}

class AllowanceScope {
public:
    explicit AllowanceScope(Allowance& allowance) : previous_(tAllowance) { tAllowance = &allowance; }
    ~AllowanceScope() { tAllowance = previous_; }
    AllowanceScope(const AllowanceScope&) = delete;
    AllowanceScope& operator=(const AllowanceScope&) = delete;

private:
    Allowance* previous_;
};

XML_Parser Parser(void* parser) {
    return static_cast<XML_Parser>(parser);
}

}  // namespace

std::string_view XmlAttributes::Get(Namespace ns, std::string_view local) const {
    for (const char** pair = pairs_; pair[0] != nullptr; pair += 2) {
        const XmlName name = Split(pair[0]);
        if (name.ns == ns && name.local == local) return pair[1];
    }
    return {};
}

std::string XmlPartReader::Read(int fd, const ZipPart& part, std::uint64_t budget) {
    Allowance allowance;
    const AllowanceScope scope(allowance);
    const XML_Memory_Handling_Suite memory{Allocate, Reallocate, Release};
    const XML_Char separator[] = {kSeparator, '\0'};
    XML_Parser parser = XML_ParserCreate_MM(nullptr, &memory, separator);
    if (parser == nullptr) return "no memory for an XML parser";
    parser_ = parser;
    stopped_.clear();
    bindings_.clear();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    XML_SetNamespaceDeclHandler(parser, OnNamespaceStart, OnNamespaceEnd);
    XML_SetStartDoctypeDeclHandler(parser, OnDoctype);
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);

    bool failed = false;
    inflated_ = StreamPart(fd, part, budget, [&](const unsigned char* bytes, std::size_t count) {
        failed = XML_Parse(parser, reinterpret_cast<const char*>(bytes), static_cast<int>(count),
                           XML_FALSE) != XML_STATUS_OK;
        return !failed;
    });
    if (!failed && inflated_ <= budget) failed = XML_Parse(parser, "", 0, XML_TRUE) != XML_STATUS_OK;

    std::string why;
    if (!stopped_.empty()) {
        why = stopped_;
    } else if (failed) {
        const XML_Error error = XML_GetErrorCode(parser);
        why = error == XML_ERROR_NO_MEMORY
                  ? "needs more than " + std::to_string(kXmlParserMemory >> 20) +
                        " MiB to parse (a tag, or a nesting, beyond any document's)"
                  : "is not well-formed XML (line " + std::to_string(XML_GetCurrentLineNumber(parser)) +
                        ": " + XML_ErrorString(error) + ")";
    } else if (inflated_ > budget) {
        why = "inflates to more than " + std::to_string(budget >> 20) + " MiB";
    }
    XML_ParserFree(parser);
    parser_ = nullptr;
    bindings_.clear();
    return why;
}

void XmlPartReader::Stop(std::string why) {
    if (stopped_.empty()) stopped_ = std::move(why);
    if (parser_ != nullptr) XML_StopParser(Parser(parser_), XML_FALSE);
}

Namespace XmlPartReader::PrefixNamespace(std::string_view prefix) const {
    for (auto binding = bindings_.rbegin(); binding != bindings_.rend(); ++binding)
        if (binding->first == prefix) return binding->second;
    return Namespace::Other;
}

template <typename Call>
void XmlPartReader::Guarded(Call&& call) {
    if (!stopped_.empty()) return;
    try {
        call();
    } catch (const std::exception& error) {
        Stop(std::string("could not be read: ") + error.what());
    }
}

void XmlPartReader::OnStart(void* self, const char* name, const char** attributes) {
    auto* reader = static_cast<XmlPartReader*>(self);
    reader->Guarded([&] { reader->Start(Split(name), XmlAttributes(attributes)); });
}

void XmlPartReader::OnEnd(void* self, const char* name) {
    auto* reader = static_cast<XmlPartReader*>(self);
    reader->Guarded([&] { reader->End(Split(name)); });
}

void XmlPartReader::OnText(void* self, const char* text, int length) {
    auto* reader = static_cast<XmlPartReader*>(self);
    reader->Guarded([&] { reader->Text(std::string_view(text, static_cast<std::size_t>(length))); });
}

void XmlPartReader::OnNamespaceStart(void* self, const char* prefix, const char* uri) {
    auto* reader = static_cast<XmlPartReader*>(self);
    reader->Guarded(
        [&] { reader->bindings_.emplace_back(prefix ? prefix : "", NamespaceOf(uri ? uri : "")); });
}

void XmlPartReader::OnNamespaceEnd(void* self, const char* prefix) {
    auto* reader = static_cast<XmlPartReader*>(self);
    const std::string_view name = prefix ? prefix : "";
    for (auto binding = reader->bindings_.rbegin(); binding != reader->bindings_.rend(); ++binding) {
        if (binding->first != name) continue;
        reader->bindings_.erase(std::next(binding).base());
        return;
    }
}

void XmlPartReader::OnDoctype(void* self, const char*, const char*, const char*, int) {
    static_cast<XmlPartReader*>(self)->Stop("declares a document type, which no Word part does");
}

}  // namespace larkspan::zuv0
