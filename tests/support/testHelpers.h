#pragma once

#include <QAbstractItemView>
#include <QFile>
#include <QUrl>

// An answer with a length, the extra header lines (each ending in CR LF) before the blank line.
inline QByteArray httpResponse(int code, const QByteArray &reason, const QByteArray &body,
                               const QByteArray &extraHeaders = {})
{
    return "HTTP/1.1 " + QByteArray::number(code) + " " + reason +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

inline QByteArray okResponse(const QByteArray &body, const QByteArray &extraHeaders = {})
{
    return httpResponse(200, "OK", body, extraHeaders);
}

// A file's bytes, or "<no file>" when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// `count` lines made from `line`, its %1 the number of each, counting from `first`.
inline QByteArray numberedLines(const QString &line, int count, int first = 0)
{
    QByteArray lines;
    for (int i = first; i < first + count; ++i)
        lines += line.arg(i).toLatin1();
    return lines;
}

// The texts of a list's lines or of a tree's top-level nodes, in order.
inline QStringList texts(const QAbstractItemView &view)
{
    QStringList lines;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        lines << view.model()->index(row, 0).data().toString();
    return lines;
}

// Runs `act` once, queued, at the first `signal` of `sender` after which `when` holds: a click that
// lands while the program waits, after the program has handled that signal itself (or, direct, at once).
template <typename Sender, typename Signal, typename When, typename Act>
void onceWhen(Sender *sender, Signal signal, When when, Act act,
              Qt::ConnectionType type = Qt::QueuedConnection)
{
    auto *guard = new QObject(sender);
    QObject::connect(
        sender, signal, guard,
        [guard, when, act] {
            if (!when() || guard->property("done").toBool())
                return;
            guard->setProperty("done", true);
            guard->deleteLater();
            act();
        },
        type);
}

// Runs `act` once, queued (or as `type` says), at the first `signal` of `sender`.
template <typename Sender, typename Signal, typename Act>
void once(Sender *sender, Signal signal, Act act, Qt::ConnectionType type = Qt::QueuedConnection)
{
    onceWhen(
        sender, signal, [] { return true; }, act, type);
}

// Records what the program hands to QDesktopServices::setUrlHandler(scheme, &recorder, "open").
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};
