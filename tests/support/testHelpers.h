#pragma once

#include <QAbstractItemView>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

// A 200 answer with a length, the extra header lines (each ending in CR LF) before the blank line.
inline QByteArray okResponse(const QByteArray &body, const QByteArray &extraHeaders = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders +
           "\r\n" + body;
}

// The texts of a list's lines or of a tree's top-level nodes, in order.
inline QStringList texts(const QAbstractItemView &view)
{
    QStringList lines;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        lines << view.model()->index(row, 0).data().toString();
    return lines;
}

// Records what the program hands to the desktop's default handler
// (QDesktopServices::setUrlHandler(scheme, &recorder, "open")).
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};
