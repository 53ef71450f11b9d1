// The reader of Word 2007 packages on any bytes: it ends within the time bound and memory limit, a refusal
// says why and leaves no fingerprint behind, and what it accepts holds no empty word and no more words
// than its bound.

#include <cstdint>

#include "converter/word_package_reader.h"
#include "fuzz_support.h"

using larkspan::fuzz::Check;
using namespace larkspan::zuv0;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = larkspan::fuzz::DescriptorHolding(data, size);
    Fingerprint fingerprint;
    std::string why;
    const bool accepted = ReadWordPackage(fd, size, fingerprint, why);
    Check(accepted == why.empty(),
          accepted ? "a reason given with a fingerprint" : "a refusal without a reason");
    std::uint64_t words = 0;
    for (const auto& story : fingerprint.words) {
        for (const std::string& word : story) Check(!word.empty(), "an empty word");
        words += story.size();
    }
    if (!accepted) Check(words == 0 && fingerprint.paragraphs == 0, "a refusal with a fingerprint");
    // The bound is checked as each paragraph ends: one paragraph's words may pass it.
    Check(words <= kWordLimit + (std::uint64_t(1) << 20), "more words than the bound");
    return 0;
}
