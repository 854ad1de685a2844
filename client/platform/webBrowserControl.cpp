#include "platform/webBrowserControl.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace platform {

WebBrowserControl::WebBrowserControl(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Blank until the engine starts, as a blank page would look.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void WebBrowserControl::navigate(const QString &address)
{
    m_address = address;
    if (!m_view && address != QLatin1String("about:blank")) {
        m_view = new QWebEngineView(this);
        m_view->setContextMenuPolicy(Qt::NoContextMenu);
        layout()->addWidget(m_view);
    }
    if (m_view)
        m_view->setUrl(QUrl(address));
    Q_EMIT navigated(address);
}

} // namespace platform
