// The generator's only source of chance.  The engine's output is fixed by
// the standard for a given seed, and every draw below is plain arithmetic
// on it, so a corpus comes out byte for byte the same on every machine
// (the standard distributions and std::shuffle are free to differ).
#ifndef CORPUSGEN_RANDOM_H
#define CORPUSGEN_RANDOM_H

#include <cstddef>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace corpusgen {

class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}

    // A number from 0 to n - 1; n must not be 0.
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(engine_() % n); }

    bool one_in(std::size_t n) { return below(n) == 0; }

    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[below(items.size())];
    }

    template <typename T>
    void shuffle(std::vector<T>& items) {
        for (std::size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[below(i)]);
    }

private:
    std::mt19937_64 engine_;
};

}  // namespace corpusgen

#endif  // CORPUSGEN_RANDOM_H
