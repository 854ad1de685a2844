#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Builds the sample catalogue: genres, artists, tracks and their source addresses, recommended
// artists and radio stations, all from one seed.
namespace catalogueGenerator {

struct Options
{
    int artists = 3000;
    int tracks = 30000;
    std::uint64_t seed = 1;
};

constexpr int engineVersion = 3;
// Raised whenever the tables or indexes the searches rely on change; older files are refused.
constexpr int catalogueLayout = 3;
// Starts the genre words of the full-text index: a private-use character, so no word typed in
// Latin-1 can be or begin one (a last word "g" would otherwise take in every track).
constexpr std::string_view genreWordMark = "\xEE\x80\x80";

// Writes dataDir/catalogue.sqlite (through a temporary file, so a half-built catalogue is never
// taken for a finished one). Returns false with error set on failure.
bool build(const std::string &dataDir, const Options &options, std::string &error);

} // namespace catalogueGenerator
