#include "engine/automation/bstr.h"

#include <new>
#include <optional>

#include "platform/text_encoding.h"

namespace larkspan::automation {

void MakeBstrVariant(Variant& variant, std::string_view text) {
    variant.Clear();
    try {
        std::optional<std::u16string> units = Utf8ToUtf16(text);
        variant = units ? Variant::Bstr(std::move(*units)) : Variant::Error(E_INVALIDARG);
    } catch (const std::bad_alloc&) {
        variant = Variant::Error(E_OUTOFMEMORY);
    }
}

}  // namespace larkspan::automation
