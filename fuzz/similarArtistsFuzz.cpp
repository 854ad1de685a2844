// A similar-artists reply of any bytes, read into the tree: the artists stay within their table
// and the tree never holds more entries than were read.
#include "fuzzSupport.h"
#include "platform/imageList.h"
#include "webservice/similarArtists.h"

#include <QTreeWidget>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::start();
    static QTreeWidget tree;
    static platform::ImageList icons;
    webservice::SimilarArtists artists;
    artists.onlyShowAvailable = size % 2;
    const int placed = webservice::parseSimilarArtists(fuzz::writeInput(data, size), artists, tree, icons);
    fuzz::require(artists.count() <= webservice::SimilarArtists::MAX_ARTISTS, "artists within the table");
    fuzz::require(placed >= 0 && placed <= artists.count(), "no more entries than artists");
    fuzz::require(tree.topLevelItemCount() <= artists.count(), "no more tree entries than artists");
    return 0;
}
