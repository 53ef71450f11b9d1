#pragma once
// The C library's allocator, tuned for an engine that converts one document after another. LibreOffice
// frees a whole document's objects and then allocates the next one's; with glibc's per-thread cache of 7
// free chunks of each size, most of that traffic goes through the arena's bins and their consolidation.
// The largest cache glibc allows keeps it in the thread: about a tenth less time per document for a few MiB
// more (docs/performance.md). glibc reads this setting only when a program starts.

namespace larkspan::zuv0 {

// Starts this program once more, with the same arguments, with the cache's size added to GLIBC_TUNABLES,
// unless the environment already names a size (ours, or the caller's own). Returns only when it does not
// start it again: the setting is there, or the program cannot be started again, which costs speed only.
void StartWithTunedAllocator(char** argv);

}  // namespace larkspan::zuv0
