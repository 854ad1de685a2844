#pragma once

#include <cstdint>
#include <string>

// A JPEG portrait drawn from the seed: 150 x 142, the size the client shows in its artist lists.
namespace artistPicture {

std::string makeJpeg(std::uint64_t seed);

} // namespace artistPicture
