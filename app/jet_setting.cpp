#include "app/jet_setting.h"

#include "platform/registry.h"

namespace larkspan {

unsigned WriteJetTypeGuessRows() {
    struct Target {
        const char* key;
        unsigned rows;
    };
    static constexpr Target kTargets[] = {
        {"Software\\Microsoft\\Jet\\3.5\\Engines\\Excel", 10000},
        {"Software\\Microsoft\\Jet\\4.0\\Engines\\Excel", 100000},
    };
    for (const Target& target : kTargets) {
        std::optional<registry::Key> key =
            registry::Key::Open(registry::Root::LocalMachine, target.key, registry::Access::Write);
        if (!key) continue;
        return key->SetDword("TypeGuessRows", target.rows) ? 0 : target.rows;
    }
    return 0;
}

}  // namespace larkspan
