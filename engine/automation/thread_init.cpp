#include "engine/automation/thread_init.h"

namespace larkspan::automation {
namespace {
thread_local int initCount = 0;
}

bool InitializeThread() {
    ++initCount;
    return true;
}

bool IsThreadInitialized() {
    return initCount > 0;
}

void UninitializeThread() {
    if (initCount > 0) --initCount;
}

}  // namespace larkspan::automation
