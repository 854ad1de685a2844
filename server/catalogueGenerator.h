#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Builds the sample catalogue: genres, artists, tracks and their source addresses, recommended
// artists and radio stations, all from one seed.
namespace catalogueGenerator {

struct Options
{
    int artists = 3000;
    int tracks = 30000;
    std::uint64_t seed = 1;
};

// Told each step's name and how much of it is done (0..100); a large catalogue takes a while.
using Progress = std::function<void(const char *step, int percent)>;

constexpr int engineVersion = 3;
// Raised whenever the tables or indexes change; a file of another layout is refused.
constexpr int catalogueLayout = 4;

// Writes dataDir/catalogue.sqlite (through a temporary file, so a half-built catalogue is never
// taken for a finished one). Returns false with error set on failure.
bool build(const std::string &dataDir, const Options &options, std::string &error,
           const Progress &progress = {});

} // namespace catalogueGenerator
