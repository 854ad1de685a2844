// A recommended-artists reply of any bytes: the count stays in its table, and every counted
// artist has a name and a category of one digit.
#include "fuzzSupport.h"
#include "webservice/statistics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::start();
    static webservice::RecommendedArtists artists;
    webservice::parseRecommendedArtists(fuzz::writeInput(data, size), artists);
    fuzz::require(artists.count() >= 0 && artists.count() <= webservice::RecommendedArtists::MAX_COUNT,
                  "count within the table");
    for (int i = 0; i < artists.count(); ++i) {
        const auto &artist = artists.at(i);
        fuzz::require(!artist.name.isEmpty(), "a counted artist has a name");
        fuzz::require(artist.category >= 1 && artist.category <= 9, "category is one digit");
    }
    for (int category = 1; category <= 3; ++category)
        artists.namesInCategory(category);
    return 0;
}
