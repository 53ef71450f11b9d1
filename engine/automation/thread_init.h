#pragma once
// Each thread that creates automation objects prepares the layer for itself first, as the start-up does
// for the main thread and the batch worker for its own.

namespace larkspan::automation {

// True when the layer is ready on the calling thread.
[[nodiscard]] bool InitializeThread();
// What the user is told when it cannot be.
inline constexpr const char* kInitializeFailed = "Could not initialize COM dll";

bool IsThreadInitialized();
void UninitializeThread();

}  // namespace larkspan::automation
