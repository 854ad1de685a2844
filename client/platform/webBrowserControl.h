#pragma once

#include <QString>
#include <QWidget>

class QWebEngineView;

namespace platform {

// The embedded browser: navigate to an address (about:blank included) and remember it. The
// browser engine starts with the first page that is not blank, so it costs nothing at start-up.
class WebBrowserControl : public QWidget
{
    Q_OBJECT
public:
    explicit WebBrowserControl(QWidget *parent = nullptr);

    void navigate(const QString &address);
    QString address() const { return m_address; }

Q_SIGNALS:
    void navigated(const QString &address);

private:
    QWebEngineView *m_view = nullptr;
    QString m_address;
};

} // namespace platform
