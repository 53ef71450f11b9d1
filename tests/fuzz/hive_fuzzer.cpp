// The hive's text: whatever parses formats into a text that parses back into the same hive, and any bytes
// stored as a string value, a value name or a key name read back as they were.

#include <cstdint>

#include "fuzz_support.h"
#include "platform/hive_text.h"

using namespace larkspan::registry;
using larkspan::fuzz::Check;

namespace {

// The hive that the formatted text of hive parses into; it must equal hive.
void CheckRoundTrip(const Hive& hive, const char* what) {
    const std::string formatted = FormatHive(hive);
    Hive again;
    std::string error;
    Check(ParseHive(formatted, again, error),
          std::string(what) + ": the formatted hive does not parse: " + error);
    Check(again.sections() == hive.sections(), std::string(what) + ": the formatted hive reads as another");
    Check(FormatHive(again) == formatted, std::string(what) + ": formatting it again gives another text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Hive parsed;
    std::string error;
    if (ParseHive(text, parsed, error)) CheckRoundTrip(parsed, "a parsed hive");

    constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Larkspan";
    Hive stored;
    stored.SetValue(kKey, "Value", std::string(text));
    if (StorableName(text)) {
        stored.SetValue(kKey, text, std::uint32_t{1});
        stored.CreateKey(std::string(kKey) + "\\" + std::string(text));
    }
    CheckRoundTrip(stored, "stored bytes");
    return 0;
}
