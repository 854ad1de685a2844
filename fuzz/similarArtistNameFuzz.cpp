// A name-check reply of any bytes: the confirmed name is one line, without its line end.
#include "fuzzSupport.h"
#include "webservice/similarArtists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::start();
    const QString name = webservice::readValidatedArtistName(fuzz::writeInput(data, size));
    fuzz::require(!name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r')), "one line");
    fuzz::require(name.size() <= qsizetype(size), "no more text than bytes");
    return 0;
}
