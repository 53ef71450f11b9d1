// The converter's content check on any bytes: it ends, and every refusal but encryption says why.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "converter/content_sniff.h"
#include "fuzz_support.h"

using larkspan::fuzz::Check;
using namespace larkspan::zuv0;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The check reads with pread from a descriptor, as it does from the source's copy.
    static const int fd = ::memfd_create("content", MFD_CLOEXEC);
    Check(fd >= 0, "memfd_create failed");
    Check(::ftruncate(fd, 0) == 0, "ftruncate failed");
    for (std::size_t done = 0; done < size;) {
        ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        Check(n > 0, "pwrite failed");
        done += static_cast<std::size_t>(n);
    }
    const Sniffed sniffed = SniffContent(fd, size);
    Check(sniffed.accepted() || sniffed.kind == ContentKind::Encrypted || !sniffed.detail.empty(),
          "a refusal without a reason");
    Check(size != 0 || sniffed.kind == ContentKind::Empty, "an empty file not called empty");
    return 0;
}
