#pragma once

#include <cstdint>

// Deterministic on every platform and library (unlike std:: distributions), so a seed always gives
// the same catalogue, pictures and tracks.
class RandomSource
{
public:
    explicit RandomSource(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (n > 0)
    int below(int n) { return int(next() % std::uint64_t(n)); }
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    bool chance(double p) { return unit() < p; }

    static std::uint64_t mix(std::uint64_t a, std::uint64_t b = 0)
    {
        RandomSource r(a * 0x2545F4914F6CDD1DULL ^ (b + 0x632BE59BD9B4E019ULL));
        return r.next();
    }

private:
    std::uint64_t m_state;
};
