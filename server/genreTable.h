#pragma once

#include <vector>

class RandomSource;

// The fixed genre list, in the order the statistics reply lists it (the client sends the position).
namespace genreTable {

struct Genre
{
    int id;
    const char *name;
    // Recommended-artist category: 1 urban, 2 electronic and dance, 3 rock, indie and the rest, 4..9 others.
    int category;
    // How often artists are drawn from it.
    int weight;
};

const std::vector<Genre> &genres();
int categoryOf(int genreId);
int pickWeighted(RandomSource &random);

} // namespace genreTable
