#pragma once

#include "testHelpers.h"

#include <QTcpServer>

#include <memory>
#include <vector>

// A TCP server on 127.0.0.1 (any free port) that plays a script once a request head has arrived, and
// records every request. On the test's own thread, so it answers while the client waits in its event loop.
class ScriptedServer : public QObject
{
    Q_OBJECT
public:
    struct Step
    {
        enum Kind { Send, Pause, Close, Reset, Silence };
        Kind kind = Send;
        QByteArray bytes;
        int ms = 0;
    };
    using Script = QList<Step>;

    static Step send(const QByteArray &bytes) { return {Step::Send, bytes, 0}; }
    static Step pause(int ms) { return {Step::Pause, {}, ms}; }
    static Step close() { return {Step::Close, {}, 0}; }
    static Step reset() { return {Step::Reset, {}, 0}; }
    static Step silence() { return {Step::Silence, {}, 0}; }
    // A whole answer with a length, at once.
    static Script ok(const QByteArray &body, const QByteArray &extraHeaders = {})
    {
        return {send(okResponse(body, extraHeaders))};
    }
    static Script status(int code, const QByteArray &reason)
    {
        return {send(httpResponse(code, reason, ""))};
    }
    // Each byte its own piece, with a short pause after each so they arrive apart.
    static Script trickle(const QByteArray &bytes, int pauseMs = 2)
    {
        Script script;
        for (const char c : bytes)
            script << send(QByteArray(1, c)) << pause(pauseMs);
        return script;
    }

    explicit ScriptedServer(QObject *parent = nullptr);
    ~ScriptedServer() override;
    quint16 port() const { return m_server.serverPort(); }
    QString hostText() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }
    // `path` on a stand-in site, "<site>.localhost:<port>", which is this server.
    QString siteAddress(const QString &site, const QString &path) const
    {
        return QStringLiteral("http://%1.localhost:%2%3").arg(site).arg(port()).arg(path);
    }

    // Connections take the scripts in order; the last one answers every later connection.
    void addScript(const Script &script) { m_scripts.append(script); }
    void setScript(const Script &script) { m_scripts = {script}; }
    void setScripts(const QList<Script> &scripts) { m_scripts = scripts; }
    // One reply sent whole for each connection in turn, the same way; an empty reply closes.
    void setReplies(const QList<QByteArray> &replies)
    {
        m_scripts.clear();
        for (const QByteArray &reply : replies)
            m_scripts.append({reply.isEmpty() ? close() : send(reply)});
    }

    // Each request's bytes, up to and with the blank line, in arrival order.
    QList<QByteArray> requests() const { return m_requests; }
    // The request lines ("GET /x HTTP/1.1") of the requests after the first `from`.
    QList<QByteArray> requestLines(qsizetype from = 0) const
    {
        QList<QByteArray> lines;
        for (const QByteArray &request : m_requests.mid(from))
            lines << request.left(request.indexOf("\r\n"));
        return lines;
    }
    int connectionCount() const { return int(m_open.size()); }
    int openConnections() const; // those the client has not closed yet

Q_SIGNALS:
    void requestReceived(); // a request head is in; its answer has not started yet

private:
    struct Connection;
    void onNewConnection();
    void runNext(Connection *connection);

    QTcpServer m_server;
    QList<Script> m_scripts;
    QList<QByteArray> m_requests;
    std::vector<std::unique_ptr<Connection>> m_open; // every connection so far
};
