#pragma once

#include <QWidget>

#include <array>

class QPushButton;

namespace platform {
class WebBrowserControl;
}

namespace ui {

// Shop suggestions for the last search: one button per store, the suggestions below. It never moves.
class ShopPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ShopPanel(QWidget *parent);

    // In store order: uk, us, ca, fr, de, jp; the shop locale numbers them from 1.
    std::array<QPushButton *, 6> storeButtons{};
    platform::WebBrowserControl *shopBrowser = nullptr;
};

} // namespace ui
