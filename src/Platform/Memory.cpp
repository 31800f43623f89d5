#include "Platform/Memory.h"

#include <malloc.h>

namespace kestal::platform {

namespace {

// Each packet is read whole and rebuilt in memory, a megabyte or more at a time.
// By default the C library maps blocks that large afresh and gives them back at
// once, so that every packet pays for zeroed pages faulted in one by one: more
// than reading the packet costs. Blocks up to this size come from the heap, and
// freed memory up to twice this size stays there for the next packet. The
// process is still bounded by its largest packets. 32 MB is the C library's
// upper bound for the mapping threshold.
constexpr int kHeapBlockLimit = 32 * 1024 * 1024;

}  // namespace

void KeepFreedMemory() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
  mallopt(M_TRIM_THRESHOLD, 2 * kHeapBlockLimit);
#endif
}

}  // namespace kestal::platform
