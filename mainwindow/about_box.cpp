#include "mainwindow/about_box.h"

#include <QPushButton>

#include "mainwindow/hyperlink_label.h"
#include "mainwindow/web_addresses.h"
#include "resources/dialog_builder.h"
#include "resources/images.h"
#include "resources/resource_ids.h"

namespace larkspan {

AboutBox::AboutBox(FileOpener* opener, QWidget* parent) : QDialog(parent) {
    resources::BuildDialog(*this, resources::AboutBoxTemplate(),
                           [](const resources::ControlTemplate& control, QWidget* parent) -> QWidget* {
                               // The home page's address is known only at run time: it is where the
                               // program was installed.
                               if (control.id == ids::kHomePageLink)
                                   return new HyperlinkLabel(QString::fromStdString(HomePageAddress()),
                                                             parent);
                               if (control.kind == resources::ControlKind::Icon) {
                                   auto* icon = new QLabel(parent);
                                   resources::ShowApplicationIcon(*icon);
                                   return icon;
                               }
                               return nullptr;
                           });
    // The desktop's font is wider than the one the template was laid out for: a label keeps its place and
    // shows its whole text.
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (!label->text().isEmpty())
            label->resize(qMax(label->width(), label->sizeHint().width()), label->height());
    link_ = resources::Control<HyperlinkLabel>(*this, ids::kHomePageLink);
    link_->SetOpener(opener);
    connect(resources::Control<QPushButton>(*this, ids::kOkButton), &QPushButton::clicked, this,
            &QDialog::accept);
    OnInitDialog();
}

bool AboutBox::OnInitDialog() {
    link_->PreSubclassWindow();
    link_->SetURL(QString::fromStdString(HomePageAddress()));
    return true;
}

}  // namespace larkspan
