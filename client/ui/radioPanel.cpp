#include "ui/radioPanel.h"

#include "ui/layout.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace ui {

RadioPanel::RadioPanel(QWidget *parent) : QGroupBox(QStringLiteral("Radio Recommendations"), parent)
{
    radioList = named(new QListWidget(this), "radioList");
    // The list follows the download panel's height beside it; it never makes the row taller.
    radioList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    radioList->setAccessibleName(QStringLiteral("Radio Recommendations"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(radioList);
}

} // namespace ui
