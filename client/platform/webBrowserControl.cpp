#include "platform/webBrowserControl.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace platform {

WebBrowserControl::WebBrowserControl(QWidget *parent)
    : QWidget(parent)
    , m_view(new QWebEngineView(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
}

void WebBrowserControl::navigate(const QString &address)
{
    m_address = address;
    m_view->setUrl(QUrl(address));
    Q_EMIT navigated(address);
}

} // namespace platform
