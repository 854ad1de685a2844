#include "ui/shopPanel.h"

#include "platform/webBrowserControl.h"
#include "ui/layout.h"
#include "ui/pictures.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {
struct Store
{
    const char *code;
    const char *name;
};
constexpr std::array<Store, 6> stores{{{"uk", "UK store"},
                                       {"us", "US store"},
                                       {"ca", "Canada store"},
                                       {"fr", "France store"},
                                       {"de", "Germany store"},
                                       {"jp", "Japan store"}}};
constexpr int STORE_HEIGHT = 30;
} // namespace

ShopPanel::ShopPanel(QWidget *parent) : QWidget(parent)
{
    auto *storeRow = new QHBoxLayout;
    storeRow->setSpacing(GAP);
    for (std::size_t i = 0; i < stores.size(); ++i) {
        const QString name = QLatin1String(stores[i].name);
        auto *button = new QPushButton(this);
        button->setObjectName(QLatin1String(stores[i].code) + QStringLiteral("StoreButton"));
        button->setFixedHeight(STORE_HEIGHT);
        button->setIcon(QIcon(storeBadge(QLatin1String(stores[i].code), QSize(30, 18))));
        button->setIconSize(QSize(30, 18));
        button->setAccessibleName(name);
        button->setToolTip(name);
        storeRow->addWidget(button);
        storeButtons[i] = button;
    }
    shopBrowser = named(new platform::WebBrowserControl(this), "shopBrowser");
    shopBrowser->setAccessibleName(QStringLiteral("Shop suggestions"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(GAP);
    layout->addLayout(storeRow);
    layout->addWidget(shopBrowser, 1);
}

} // namespace ui
