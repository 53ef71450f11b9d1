#include "engine/automation/provider_registry.h"

#include <map>
#include <mutex>

#include "engine/automation/automation_error.h"
#include "engine/automation/thread_init.h"

namespace larkspan::automation {
namespace {

std::string Folded(std::string_view progId) {
    std::string key(progId);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// Shared by every thread that creates objects.
struct ProviderTable {
    std::mutex mutex;
    std::map<std::string, ProviderFactory> factories;
};

ProviderTable& Table() {
    static ProviderTable table;
    return table;
}

}  // namespace

void RegisterProvider(std::string_view progId, ProviderFactory factory) {
    ProviderTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.factories[Folded(progId)] = std::move(factory);
}

void UnregisterProvider(std::string_view progId) {
    ProviderTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.factories.erase(Folded(progId));
}

HResult CreateObject(std::string_view progId, DispatchRef& object) {
    object.Reset();
    if (!IsThreadInitialized()) return CO_E_NOTINITIALIZED;
    ProviderFactory factory;
    {
        ProviderTable& table = Table();
        std::lock_guard lock(table.mutex);
        auto found = table.factories.find(Folded(progId));
        if (found == table.factories.end()) return CO_E_CLASSSTRING;
        factory = found->second;
    }
    // Called outside the lock: a provider may itself create objects.
    try {
        object = factory();
    } catch (const AutomationError& error) {
        return error.code();
    }
    return object ? S_OK : E_FAIL;
}

}  // namespace larkspan::automation
