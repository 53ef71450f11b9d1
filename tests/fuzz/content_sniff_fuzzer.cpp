// The converter's content check on any bytes: it ends, and every refusal but encryption says why.

#include <cstdint>

#include "converter/content_sniff.h"
#include "fuzz_support.h"

using larkspan::fuzz::Check;
using namespace larkspan::zuv0;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = larkspan::fuzz::DescriptorHolding(data, size);
    const Sniffed sniffed = SniffContent(fd, size);
    Check(sniffed.accepted() || sniffed.kind == ContentKind::Encrypted || !sniffed.detail.empty(),
          "a refusal without a reason");
    Check(size != 0 || sniffed.kind == ContentKind::Empty, "an empty file not called empty");
    return 0;
}
