// Any bytes, cut anywhere: the response reader must neither crash nor give a different answer
// for a different cut, and never hand out more body than it was given.
#include "http/responseReader.h"

#include <cstdint>
#include <cstdlib>

using http::ResponseReader;

namespace {

struct Result
{
    ResponseReader::Phase phase;
    int status;
    qint64 length;
    QString cookie;
    QString location;
    QByteArray body;
    bool operator==(const Result &) const = default;
};

// Feeds `bytes` in pieces whose sizes come from `cuts`, one after the other (0 means 1).
Result read(QByteArrayView bytes, QByteArrayView cuts, bool close)
{
    ResponseReader reader;
    Result r{};
    const auto sink = [&r](QByteArrayView piece) { r.body += piece.toByteArray(); };
    qsizetype at = 0;
    qsizetype cut = 0;
    while (at < bytes.size()) {
        qsizetype size = bytes.size() - at;
        if (!cuts.isEmpty())
            size = qMin<qsizetype>(size, qMax(1, int(quint8(cuts[cut++ % cuts.size()]))));
        QByteArrayView piece = bytes.sliced(at, size);
        at += size;
        while (!piece.isEmpty()) {
            const qsizetype used = reader.feed(piece, sink);
            if (used <= 0 || used > piece.size())
                std::abort();
            piece = piece.sliced(used);
        }
    }
    if (close)
        reader.endOfStream();
    r.phase = reader.phase();
    r.status = reader.head().statusCode;
    r.length = reader.head().contentLength;
    r.cookie = reader.head().cookie;
    r.location = reader.head().location;
    if (reader.bodyBytes() != r.body.size() || r.body.size() > bytes.size())
        std::abort();
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first bytes choose the cuts; the rest is the response.
    const qsizetype cutCount = data[0] % 8;
    if (size < std::size_t(1 + cutCount))
        return 0;
    const QByteArrayView cuts(reinterpret_cast<const char *>(data + 1), cutCount);
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1 + cutCount),
                               qsizetype(size) - 1 - cutCount);
    const bool close = data[0] & 0x80;

    const Result whole = read(bytes, {}, close);
    if (!(read(bytes, cuts, close) == whole))
        std::abort();
    if (bytes.size() <= 2048 && !(read(bytes, QByteArrayView("\1"), close) == whole))
        std::abort();
    return 0;
}
