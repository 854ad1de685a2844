#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace http {

// True when the head has a Transfer-Encoding field; its codings then frame the body, not a length.
bool hasTransferEncoding(const QString &text);

// Reads one HTTP response from bytes fed in pieces of any size; one byte at a time gives the same
// result as everything at once. It does no I/O: body bytes are handed to a sink as they are found
// and never kept, so a body of any size costs no memory here.
class ResponseReader
{
public:
    static constexpr qsizetype MAX_HEAD_BYTES = 64 * 1024;
    static constexpr qsizetype MAX_CHUNK_LINE_BYTES = 1024;
    static constexpr qsizetype MAX_TRAILER_BYTES = 64 * 1024;

    enum class Phase { Head, Body, Done, Failed };
    enum class Framing { None, Length, Chunked, UntilClose };

    struct Head
    {
        QByteArray text; // status line and headers up to and with the blank line
        int statusCode = 0;
        qint64 contentLength = 0; // 0 when none is announced (or a transfer coding frames the body)
        bool chunked = false;
        QString cookie;
        QString location;
    };

    using BodySink = std::function<void(QByteArrayView)>;

    void reset();

    // Reads from data and returns how many bytes it used. It stops right after a final response
    // head so the caller can decide what to do with the body; otherwise it uses everything.
    // Interim 1xx heads are skipped; a 101 is final, as nobody asked to switch protocols.
    qsizetype feed(QByteArrayView data, const BodySink &sink);

    // The peer closed the connection: a body that runs until the close is now complete.
    void endOfStream();

    Phase phase() const { return m_phase; }
    Framing framing() const { return m_framing; }
    bool headComplete() const { return m_headComplete; }
    bool complete() const { return m_phase == Phase::Done; }
    const Head &head() const { return m_head; }
    qint64 bodyBytes() const { return m_bodyBytes; }

private:
    enum class ChunkStep { SizeLine, Data, DataEnd, Trailer };

    qsizetype readHead(QByteArrayView data);
    void startBody();
    qsizetype readChunked(QByteArrayView data, const BodySink &sink);
    bool takeChunkSize();
    void deliver(QByteArrayView piece, const BodySink &sink);

    Phase m_phase = Phase::Head;
    Framing m_framing = Framing::None;
    bool m_headComplete = false;
    QByteArray m_headBuffer;
    Head m_head;
    qint64 m_remaining = 0; // of the body (Length) or of the current chunk (Chunked)
    qint64 m_bodyBytes = 0;
    ChunkStep m_chunkStep = ChunkStep::SizeLine;
    QByteArray m_line;
    qsizetype m_trailerBytes = 0;
};

} // namespace http
