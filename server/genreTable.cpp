#include "genreTable.h"

#include "randomSource.h"

namespace genreTable {

const std::vector<Genre> &genres()
{
    // Ids are sparse; one lies at 255, outside the range the client names.
    static const std::vector<Genre> table = {
        {1, "Rock", 3, 10},
        {2, "Pop", 3, 8},
        {3, "Electronic", 2, 9},
        {4, "Hip-Hop", 1, 9},
        {5, "R&B", 1, 7},
        {6, "Jazz", 4, 4},
        {7, "Blues", 8, 3},
        {8, "Folk", 6, 4},
        {9, "Country", 6, 3},
        {10, "Classical", 5, 3},
        {11, "Reggae", 1, 4},
        {12, "Metal", 3, 5},
        {13, "Punk", 3, 4},
        {14, "Indie", 3, 8},
        {17, "Dance", 2, 7},
        {20, "Ambient", 2, 4},
        {23, "Soul", 1, 5},
        {31, "Drum & Bass", 2, 4},
        {33, "Chanson française", 7, 2},
        {42, "World", 7, 3},
        {254, "Experimental", 9, 2},
        {255, "Unclassified", 9, 1},
    };
    return table;
}

int categoryOf(int genreId)
{
    for (const auto &genre : genres())
        if (genre.id == genreId)
            return genre.category;
    return 0;
}

int pickWeighted(RandomSource &random)
{
    int total = 0;
    for (const auto &genre : genres())
        total += genre.weight;
    int roll = random.below(total);
    for (const auto &genre : genres()) {
        if (roll < genre.weight)
            return genre.id;
        roll -= genre.weight;
    }
    return genres().front().id;
}

} // namespace genreTable
