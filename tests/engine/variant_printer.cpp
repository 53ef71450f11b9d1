#include "tests/engine/variant_printer.h"

#include <ostream>

#include "platform/text_encoding.h"

namespace larkspan::automation {

void PrintTo(const Variant& value, std::ostream* out) {
    switch (value.type()) {
        case VT_EMPTY:
            *out << "VT_EMPTY";
            return;
        case VT_ERROR:
            *out << "VT_ERROR 0x" << std::hex << static_cast<std::uint32_t>(value.error()) << std::dec;
            return;
        case VT_I2:
            *out << "VT_I2 " << value.i2();
            return;
        case VT_I4:
            *out << "VT_I4 " << value.i4();
            return;
        case VT_BOOL:
            *out << "VT_BOOL " << value.boolValue();
            return;
        case VT_BSTR:
            *out << "VT_BSTR \"" << Utf16ToUtf8(value.bstr()).value_or("<not UTF-16>") << '"';
            return;
        case VT_DISPATCH:
            *out << "VT_DISPATCH " << static_cast<const void*>(value.dispatch());
            return;
        default:
            *out << "type " << value.type();
    }
}

}  // namespace larkspan::automation
