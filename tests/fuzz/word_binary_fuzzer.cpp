// The reader of Word binary documents on any bytes: it ends within bounds, and every refusal says why.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "converter/word_binary_reader.h"
#include "fuzz_support.h"

using larkspan::fuzz::Check;
using namespace larkspan::zuv0;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader reads with pread from a descriptor, as it does from the source's copy.
    static const int fd = ::memfd_create("document", MFD_CLOEXEC);
    Check(fd >= 0, "memfd_create failed");
    Check(::ftruncate(fd, 0) == 0, "ftruncate failed");
    for (std::size_t done = 0; done < size;) {
        ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        Check(n > 0, "pwrite failed");
        done += static_cast<std::size_t>(n);
    }
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
