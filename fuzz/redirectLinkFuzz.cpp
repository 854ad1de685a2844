// A saved download-site page of any bytes; the first line of the input is the track title. A link
// found starts with the redirector prefix.
#include "downloads/resolvers.h"
#include "downloads/sourceSites.h"
#include "fuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::start();
    const char *text = reinterpret_cast<const char *>(data);
    const QByteArrayView input(text, qsizetype(size));
    const qsizetype end = input.indexOf('\n');
    const qsizetype titleSize = end < 0 ? input.size() : end;
    const QString title = QString::fromLatin1(text, titleSize);
    const std::size_t skip = std::size_t(end < 0 ? input.size() : end + 1);
    const QString link = downloads::findRedirectLink(fuzz::writeInput(data + skip, size - skip), title);
    fuzz::require(link.isEmpty() || link.startsWith(downloads::sourceSites().downloadComRedirectorPrefix),
                  "a link starts with the redirector prefix");
    return 0;
}
