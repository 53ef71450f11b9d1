#pragma once
// Create-by-ProgID. Automation servers are looked up in a table of providers registered in this process;
// nothing is registered for Word in the product (there is no Word here), tests register stand-ins.

#include <functional>
#include <string>
#include <string_view>

#include "engine/automation/dispatch_ref.h"
#include "engine/automation/hresult.h"

namespace larkspan::automation {

// Returns a new object holding one reference for the caller, or throws AutomationError.
using ProviderFactory = std::function<DispatchRef()>;

// ProgIDs match ignoring ASCII letter case, as class names do in the registry. A second registration
// under the same ProgID replaces the first.
void RegisterProvider(std::string_view progId, ProviderFactory factory);
void UnregisterProvider(std::string_view progId);

// S_OK with the object; CO_E_NOTINITIALIZED when the calling thread has not initialised the layer;
// CO_E_CLASSSTRING when no provider has the ProgID; the factory's code when it fails.
HResult CreateObject(std::string_view progId, DispatchRef& object);

}  // namespace larkspan::automation
