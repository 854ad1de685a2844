#include "mp3Synth.h"

#include "randomSource.h"

#include <lame/lame.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace mp3Synth {

namespace {

constexpr int sampleRate = 44100;

struct LameDeleter
{
    void operator()(lame_global_flags *flags) const { lame_close(flags); }
};

std::vector<short> synthesize(std::uint64_t seed, int seconds)
{
    // A pentatonic melody over a drone; notes of an eighth to half a second with soft edges.
    static constexpr std::array<double, 10> scale = {220.0, 246.94, 277.18, 329.63, 369.99,
                                                     440.0, 493.88, 554.37, 659.25, 739.99};
    RandomSource random(seed);
    const size_t total = size_t(seconds) * sampleRate;
    std::vector<short> samples(total);
    const double drone = scale[size_t(random.below(3))] / 2.0;
    size_t at = 0;
    double phase = 0.0, dronePhase = 0.0;
    while (at < total) {
        const double frequency = scale[size_t(random.below(int(scale.size())))];
        const size_t length = std::min(total - at, size_t(sampleRate / 8 * (1 + random.below(4))));
        for (size_t i = 0; i < length; ++i) {
            const double edge = std::min({1.0, double(i) / 400.0, double(length - i) / 400.0});
            phase += 2.0 * std::numbers::pi * frequency / sampleRate;
            dronePhase += 2.0 * std::numbers::pi * drone / sampleRate;
            const double value =
                0.35 * edge * (std::sin(phase) + 0.3 * std::sin(2.0 * phase)) + 0.15 * std::sin(dronePhase);
            samples[at + i] = short(std::lround(value * 20000.0));
        }
        at += length;
    }
    return samples;
}

std::string run(const std::vector<short> &samples, const std::string &artist, const std::string &title,
                bool tags)
{
    std::unique_ptr<lame_global_flags, LameDeleter> lame(lame_init());
    if (!lame)
        return {};
    lame_set_in_samplerate(lame.get(), sampleRate);
    lame_set_out_samplerate(lame.get(), sampleRate);
    lame_set_num_channels(lame.get(), 1);
    lame_set_mode(lame.get(), MONO);
    lame_set_brate(lame.get(), 128);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_quality(lame.get(), 7); // fast; these are test tones, not music
    lame_set_bWriteVbrTag(lame.get(), 0);
    if (tags) {
        id3tag_init(lame.get());
        id3tag_v1_only(lame.get());
        id3tag_set_artist(lame.get(), artist.c_str());
        id3tag_set_title(lame.get(), title.c_str());
    } else {
        lame_set_write_id3tag_automatic(lame.get(), 0);
    }
    if (lame_init_params(lame.get()) < 0)
        return {};
    std::string out;
    std::vector<unsigned char> buffer(size_t(1.25 * 8192 + 7200));
    constexpr size_t block = 8192;
    for (size_t at = 0; at < samples.size(); at += block) {
        const int count = int(std::min(block, samples.size() - at));
        const int written = lame_encode_buffer(lame.get(), samples.data() + at, nullptr, count, buffer.data(),
                                               int(buffer.size()));
        if (written < 0)
            return {};
        out.append(reinterpret_cast<const char *>(buffer.data()), size_t(written));
    }
    const int flushed = tags ? lame_encode_flush(lame.get(), buffer.data(), int(buffer.size()))
                             : lame_encode_flush_nogap(lame.get(), buffer.data(), int(buffer.size()));
    if (flushed < 0)
        return {};
    out.append(reinterpret_cast<const char *>(buffer.data()), size_t(flushed));
    return out;
}

} // namespace

std::string encode(const Tune &tune)
{
    const int seconds = std::clamp(tune.seconds, 1, 600);
    return run(synthesize(tune.seed, seconds), tune.artist, tune.title, true);
}

const std::string &repeatableFrames()
{
    static const std::string frames = [] {
        std::string encoded = run(synthesize(42, 2), {}, {}, false);
        // Keep whole frames only: each starts with the sync bits and its length follows from the header.
        std::string whole;
        size_t at = 0;
        while (at + 4 <= encoded.size()) {
            const auto *p = reinterpret_cast<const unsigned char *>(encoded.data() + at);
            if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
                break;
            const size_t length = 144 * 128000 / sampleRate + ((p[2] >> 1) & 1);
            if (at + length > encoded.size())
                break;
            whole.append(encoded, at, length);
            at += length;
        }
        return whole;
    }();
    return frames;
}

} // namespace mp3Synth
