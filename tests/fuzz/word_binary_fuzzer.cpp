// The reader of Word binary documents on any bytes: it ends within bounds, and every refusal says why.

#include <cstdint>

#include "converter/word_binary_reader.h"
#include "fuzz_support.h"

using larkspan::fuzz::Check;
using namespace larkspan::zuv0;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = larkspan::fuzz::DescriptorHolding(data, size);
    Fingerprint fingerprint;
    std::string why;
    const bool read = ReadWordBinary(fd, size, fingerprint, why);
    Check(read || !why.empty(), "a refusal without a reason");
    Check(!read || why.empty(), "a reason for a document that was read");
    // No more words than there were bytes to make them of.
    std::size_t words = 0;
    for (const auto& story : fingerprint.words) words += story.size();
    Check(words <= size, "more words than bytes");
    return 0;
}
