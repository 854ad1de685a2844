#include "http/responseReader.h"

#include "http/httpAgent.h"

#include <utility>

namespace http {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Just past the blank line that ends a head, looking from `from` on; -1 while there is none.
// Lines may end in CR LF or in a bare LF, mixed.
qsizetype headEnd(QByteArrayView buffer, qsizetype from)
{
    for (qsizetype lf = buffer.indexOf('\n', from); lf >= 0; lf = buffer.indexOf('\n', lf + 1)) {
        const QByteArrayView next = buffer.sliced(lf + 1);
        if (next.startsWith('\n'))
            return lf + 2;
        if (next.startsWith("\r\n"))
            return lf + 3;
    }
    return -1;
}

} // namespace

void ResponseReader::reset()
{
    *this = ResponseReader();
}

qsizetype ResponseReader::feed(QByteArrayView data, const BodySink &sink)
{
    qsizetype used = 0;
    while (used < data.size()) {
        const QByteArrayView rest = data.sliced(used);
        switch (m_phase) {
        case Phase::Head:
            used += readHead(rest);
            // Hand control back after a final head, before any of its body.
            if (m_headComplete)
                return used;
            break;
        case Phase::Body:
            if (m_framing == Framing::Chunked) {
                used += readChunked(rest, sink);
            } else if (m_framing == Framing::Length) {
                const qsizetype take = qsizetype(qMin<qint64>(m_remaining, rest.size()));
                deliver(rest.first(take), sink);
                m_remaining -= take;
                used += take;
                if (m_remaining == 0)
                    m_phase = Phase::Done;
            } else {
                deliver(rest, sink);
                used += rest.size();
            }
            break;
        case Phase::Done:
        case Phase::Failed:
            // Whatever follows the response (or a broken one) means nothing to us.
            return data.size();
        }
    }
    return used;
}

void ResponseReader::endOfStream()
{
    if (m_phase == Phase::Body && m_framing == Framing::UntilClose)
        m_phase = Phase::Done;
}

qsizetype ResponseReader::readHead(QByteArrayView data)
{
    const qsizetype before = m_headBuffer.size();
    const qsizetype room = MAX_HEAD_BYTES - before;
    m_headBuffer.append(data.first(qMin(room, data.size())));
    // The blank line may straddle the previous piece.
    const qsizetype end = headEnd(m_headBuffer, qMax<qsizetype>(0, before - 2));
    if (end < 0) {
        if (m_headBuffer.size() >= MAX_HEAD_BYTES)
            m_phase = Phase::Failed;
        return data.size();
    }
    m_headBuffer.truncate(end);
    const qsizetype used = end - before;

    const QString text = QString::fromLatin1(m_headBuffer);
    const int status = parseStatusCode(text);
    if (status >= 100 && status < 200 && status != 101) {
        // An interim answer; the real head follows. A switch of protocols nobody asked for is final.
        m_headBuffer.clear();
        return used;
    }
    // Any transfer coding overrides a length; the body is framed by chunks only when they come last.
    const bool coded = hasTransferEncoding(text);
    const qint64 length = coded ? 0 : parseContentLength(text);
    if (length < 0) {
        m_headBuffer.clear();
        m_phase = Phase::Failed;
        return used;
    }
    m_head.text = std::exchange(m_headBuffer, QByteArray());
    m_head.statusCode = status;
    m_head.chunked = isChunked(text);
    m_head.contentLength = length;
    m_head.cookie = parseCookie(text);
    m_head.location = parseLocation(text);
    m_headComplete = true;

    if (status == 101 || status == 204 || status == 304)
        m_framing = Framing::None;
    else if (m_head.chunked)
        m_framing = Framing::Chunked;
    else if (coded || !hasContentLength(text))
        m_framing = Framing::UntilClose;
    else
        m_framing = Framing::Length;
    startBody();
    return used;
}

void ResponseReader::startBody()
{
    m_phase = Phase::Body;
    if (m_framing == Framing::None) {
        m_phase = Phase::Done;
    } else if (m_framing == Framing::Length) {
        m_remaining = m_head.contentLength;
        if (m_remaining == 0)
            m_phase = Phase::Done;
    }
}

void ResponseReader::deliver(QByteArrayView piece, const BodySink &sink)
{
    if (piece.isEmpty())
        return;
    m_bodyBytes += piece.size();
    if (sink)
        sink(piece);
}

qsizetype ResponseReader::readChunked(QByteArrayView data, const BodySink &sink)
{
    qsizetype used = 0;
    while (used < data.size() && m_phase == Phase::Body) {
        const QByteArrayView rest = data.sliced(used);
        if (m_chunkStep == ChunkStep::Data) {
            const qsizetype take = qsizetype(qMin<qint64>(m_remaining, rest.size()));
            deliver(rest.first(take), sink);
            m_remaining -= take;
            used += take;
            if (m_remaining == 0)
                m_chunkStep = ChunkStep::DataEnd;
            continue;
        }
        // The other steps read lines; keep the unfinished one.
        const qsizetype lf = rest.indexOf('\n');
        const qsizetype take = lf < 0 ? rest.size() : lf + 1;
        const qsizetype bound = m_chunkStep == ChunkStep::Trailer ? MAX_TRAILER_BYTES : MAX_CHUNK_LINE_BYTES;
        if (m_line.size() + take > bound + 1) {
            m_phase = Phase::Failed;
            return data.size();
        }
        m_line.append(rest.first(take));
        used += take;
        // Only a line end may follow chunk data; say so at once rather than at the next LF.
        if (m_chunkStep == ChunkStep::DataEnd && m_line != "\r" && m_line != "\r\n" && m_line != "\n") {
            m_phase = Phase::Failed;
            return data.size();
        }
        if (lf < 0)
            break;
        m_line.chop(1);
        if (m_line.endsWith('\r'))
            m_line.chop(1);

        switch (m_chunkStep) {
        case ChunkStep::SizeLine:
            if (!takeChunkSize()) {
                m_phase = Phase::Failed;
                return data.size();
            }
            m_chunkStep = m_remaining > 0 ? ChunkStep::Data : ChunkStep::Trailer;
            break;
        case ChunkStep::DataEnd:
            if (!m_line.isEmpty()) {
                m_phase = Phase::Failed;
                return data.size();
            }
            m_chunkStep = ChunkStep::SizeLine;
            break;
        case ChunkStep::Trailer:
            m_trailerBytes += m_line.size();
            if (m_trailerBytes > MAX_TRAILER_BYTES) {
                m_phase = Phase::Failed;
                return data.size();
            }
            if (m_line.isEmpty())
                m_phase = Phase::Done;
            break;
        case ChunkStep::Data:
            break;
        }
        m_line.clear();
    }
    return used;
}

bool ResponseReader::takeChunkSize()
{
    qint64 size = 0;
    qsizetype i = 0;
    for (; i < m_line.size(); ++i) {
        const int digit = hexValue(m_line.at(i));
        if (digit < 0)
            break;
        if (i >= 15)
            return false; // would not fit
        size = size * 16 + digit;
    }
    if (i == 0)
        return false;
    // Only chunk extensions or blanks may follow the size.
    if (i < m_line.size() && m_line.at(i) != ';' && m_line.at(i) != ' ' && m_line.at(i) != '\t')
        return false;
    m_remaining = size;
    return true;
}

} // namespace http
