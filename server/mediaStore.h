#pragma once

#include "catalogue.h"

#include <cstdint>
#include <string>

// Artist pictures and track files, made on first request and kept in the data folder under names
// made of numbers only, so nothing a client sends can point outside it.
class MediaStore
{
public:
    MediaStore(std::string dataDir, std::uint64_t seed);

    // The JPEG of an artist; empty on failure.
    std::string picture(int artistId);
    // The MP3 of a track; empty on failure.
    std::string track(const Catalogue::Track &track);

private:
    std::string cached(const std::string &folder, const std::string &name, const std::string &made);
    std::string readFile(const std::string &path) const;

    std::string m_dataDir;
    std::uint64_t m_seed;
};
