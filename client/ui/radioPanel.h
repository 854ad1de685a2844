#pragma once

#include <QGroupBox>

class QListWidget;

namespace ui {

// Radio stations that play the artist looked up last; it shares the download panel's top edge.
class RadioPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit RadioPanel(QWidget *parent);

    QListWidget *radioList = nullptr;
};

} // namespace ui
