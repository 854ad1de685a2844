#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A TCP server on 127.0.0.1 (any free port) that plays a script once a request head has arrived:
// byte pieces, pauses, a close, a reset or silence. It records every request it receives.
// It runs on the test's own thread, so it answers while the client waits in its event loop.
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
    // Each byte its own piece, with a short pause after each so they arrive apart.
    static Script trickle(const QByteArray &bytes, int pauseMs = 2);

    explicit ScriptedServer(QObject *parent = nullptr);
    ~ScriptedServer() override;

    quint16 port() const { return m_server.serverPort(); }
    // "127.0.0.1:port", the host text the agent is given.
    QString hostText() const;

    // Connections take the scripts in order; the last one answers every later connection.
    void addScript(const Script &script) { m_scripts.append(script); }
    void setScript(const Script &script) { m_scripts = {script}; }
    void setScripts(const QList<Script> &scripts) { m_scripts = scripts; }

    // Each request's bytes, up to and with the blank line, in arrival order.
    QList<QByteArray> requests() const { return m_requests; }
    // The request lines ("GET /x HTTP/1.1") of the requests after the first `from`.
    QList<QByteArray> requestLines(qsizetype from = 0) const;
    int connectionCount() const { return m_connections; }
    // Open connections the client has not closed yet.
    int openConnections() const;

Q_SIGNALS:
    // A request head has arrived; its answer has not started yet.
    void requestReceived();

private:
    struct Connection;
    void onNewConnection();
    void runNext(Connection *connection);

    QTcpServer m_server;
    QList<Script> m_scripts;
    QList<QByteArray> m_requests;
    QList<Connection *> m_open;
    int m_connections = 0;
};
