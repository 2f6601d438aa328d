#pragma once

#include <cstdint>
#include <initializer_list>

namespace quendal::flood {

// SplitMix64: tiny, fast and the same on every compiler and standard library, which the
// standard distributions are not; a seed must give the same traffic everywhere.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // 0 to bound - 1; the slight bias of the multiply-shift does not matter for traffic.
    std::uint32_t below(std::uint32_t bound)
    {
        return static_cast<std::uint32_t>(((next() >> 32) * bound) >> 32);
    }

    // lowest to highest, both included.
    std::uint32_t between(std::uint32_t lowest, std::uint32_t highest)
    {
        return lowest + below(highest - lowest + 1);
    }

    bool chance(std::uint32_t perThousand) { return below(1000) < perThousand; }

    template <typename T, std::size_t N> const T& pick(const T (&items)[N])
    {
        return items[below(static_cast<std::uint32_t>(N))];
    }

    // An index into a list of weights, chosen in proportion to them.
    std::size_t weighted(std::initializer_list<std::uint32_t> weights)
    {
        std::uint32_t total = 0;
        for (std::uint32_t w : weights)
            total += w;
        std::uint32_t r = below(total);
        std::size_t index = 0;
        for (std::uint32_t w : weights) {
            if (r < w)
                return index;
            r -= w;
            ++index;
        }
        return 0;
    }

private:
    std::uint64_t state_;
};

} // namespace quendal::flood
