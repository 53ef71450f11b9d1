#pragma once
// One XML part of a zip package, parsed by expat as it inflates: never held whole, and read the way a
// hostile part can do the least. No document type is taken (a part that declares one is refused, so no
// entity is ever defined, let alone fetched), and the parser's own memory is capped, which bounds the
// largest tag or attribute a part can make it hold.
//
// Names come with their namespace, known by its URI and never by the prefix a producer chose; the strict
// namespaces of the Open XML formats are taken for their transitional twins.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "zip_directory.h"

namespace larkspan::zuv0 {

enum class Namespace : unsigned char {
    None,  // an attribute without a prefix
    Other,
    Word,  // WordprocessingML
    Math,
    Drawing,  // DrawingML
    Picture,
    Relationships,  // r:id and the like, in the parts
    Vml,
    Office,  // VML's Office extensions: o:OLEObject
    Compatibility,
    ContentTypes,
    PackageRelationships,
    // Word 2010's and later additions (shapes, groups, canvases, w14...): read like the rest, never acted
    // upon by name.
    Extension,
};

struct XmlName {
    Namespace ns = Namespace::None;
    std::string_view local;

    bool Is(Namespace space, std::string_view name) const { return ns == space && local == name; }
};

class XmlAttributes {
public:
    explicit XmlAttributes(const char** pairs) : pairs_(pairs) {}
    // The attribute's value, empty when it is not there.
    std::string_view Get(Namespace ns, std::string_view local) const;

private:
    const char** pairs_;
};

// The bytes expat may allocate for one part. The largest token it keeps whole (a tag with its attributes)
// fits in half of it; the text between tags is handed on in pieces and needs none of it.
inline constexpr std::size_t kXmlParserMemory = std::size_t(16) << 20;

class XmlPartReader {
public:
    virtual ~XmlPartReader() = default;

    // Parses `part` of the package in `fd`, inflating at most `budget` bytes. Empty when the whole part was
    // read, else why it was not (the handlers have seen what came before).
    std::string Read(int fd, const ZipPart& part, std::uint64_t budget);
    // The bytes inflated by the last Read.
    std::uint64_t inflated() const { return inflated_; }

protected:
    virtual void Start(const XmlName& name, const XmlAttributes& attributes) = 0;
    virtual void End(const XmlName& name) = 0;
    virtual void Text(std::string_view text) = 0;

    // Ends the reading at once; Read returns why.
    void Stop(std::string why);
    // The namespace bound to `prefix` where the parser is, for names given in attribute values.
    Namespace PrefixNamespace(std::string_view prefix) const;

private:
    static void OnStart(void* self, const char* name, const char** attributes);
    static void OnEnd(void* self, const char* name);
    static void OnText(void* self, const char* text, int length);
    static void OnNamespaceStart(void* self, const char* prefix, const char* uri);
    static void OnNamespaceEnd(void* self, const char* prefix);
    static void OnDoctype(void* self, const char*, const char*, const char*, int);
    // Calls a handler, turning whatever it throws (it may run out of memory) into a stop: nothing may be
    // thrown through the parser's frames.
    template <typename Call>
    void Guarded(Call&& call);

    void* parser_ = nullptr;
    std::uint64_t inflated_ = 0;
    std::string stopped_;
    std::vector<std::pair<std::string, Namespace>> bindings_;  // prefix and namespace, the innermost last
};

}  // namespace larkspan::zuv0
