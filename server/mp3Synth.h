#pragma once

#include <cstdint>
#include <string>

// Real MP3 audio made with LAME: a short tune decided by the seed, 128 kbit/s, 44.1 kHz mono.
namespace mp3Synth {

struct Tune
{
    std::uint64_t seed = 0;
    int seconds = 10;
    std::string artist; // Latin-1, for the ID3 tag
    std::string title;  // Latin-1
};

// The whole file; empty when the encoder fails.
std::string encode(const Tune &tune);

// A run of complete MP3 frames with no tags, to be repeated back to back (the benchmark stream).
const std::string &repeatableFrames();

} // namespace mp3Synth
