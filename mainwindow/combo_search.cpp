#include "mainwindow/combo_search.h"

#include <QComboBox>

namespace larkspan {

int SelectStringPrefix(QComboBox& combo, int start, const QString& prefix) {
    int count = combo.count();
    if (count == 0) return -1;
    int first = start < 0 || start >= count ? 0 : start + 1;
    for (int step = 0; step < count; ++step) {
        int item = (first + step) % count;
        if (combo.itemText(item).startsWith(prefix, Qt::CaseInsensitive)) {
            combo.setCurrentIndex(item);
            return item;
        }
    }
    return -1;
}

}  // namespace larkspan
