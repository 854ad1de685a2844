#include "ui/radioPanel.h"

#include "ui/layout.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace ui {

RadioPanel::RadioPanel(QWidget *parent) : QGroupBox(QStringLiteral("Radio Recommendations"), parent)
{
    radioList = named(new QListWidget(this), "radioList");
    setGeometry(MARGIN + DOWNLOAD_WIDTH + GAP, DOWNLOAD_TOP, LEFT_WIDTH - DOWNLOAD_WIDTH - GAP,
                BOTTOM_HEIGHT);
    radioList->setAccessibleName(QStringLiteral("Radio Recommendations"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(radioList);
}

} // namespace ui
