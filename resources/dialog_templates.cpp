#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace larkspan::resources {

const DialogTemplate* FindDialogTemplate(int id) {
    switch (id) {
        case ids::kMainWindowDialog:
            return &MainWindowTemplate();
        case ids::kProgressWindowDialog:
            return &ProgressWindowTemplate();
        case ids::kExistingFilePromptDialog:
            return &ExistingFilePromptTemplate();
        case ids::kAboutBoxDialog:
            return &AboutBoxTemplate();
        default:
            return nullptr;
    }
}

}  // namespace larkspan::resources
