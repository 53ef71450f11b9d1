#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace larkspan::resources {

const DialogTemplate* FindDialogTemplate(int id) {
    switch (id) {
        case ids::kMainWindowDialog:
            return &MainWindowTemplate();
        default:
            return nullptr;
    }
}

}  // namespace larkspan::resources
