// The reader of Word 2007 packages on any bytes: it ends within the time bound and memory limit, a refusal
// says why and leaves no fingerprint behind, and what it accepts holds no empty word and no more words
// than its bound.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "converter/word_package_reader.h"
#include "fuzz_support.h"

using larkspan::fuzz::Check;
using namespace larkspan::zuv0;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader reads with pread from a descriptor, as it reads the source's copy and the output.
    static const int fd = ::memfd_create("package", MFD_CLOEXEC);
    Check(fd >= 0, "memfd_create failed");
    Check(::ftruncate(fd, 0) == 0, "ftruncate failed");
    for (std::size_t done = 0; done < size;) {
        ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        Check(n > 0, "pwrite failed");
        done += static_cast<std::size_t>(n);
    }
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
