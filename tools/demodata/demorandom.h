#pragma once

#include <QtGlobal>

// A small fixed-seed generator (SplitMix64), so that every demo set is the
// same from run to run and from machine to machine.
class DemoRandom
{
public:
    explicit DemoRandom(quint64 seed) : state(seed) {}

    quint64 next()
    {
        quint64 z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [low, high].
    int between(int low, int high) { return low + int(next() % quint64(high - low + 1)); }

    // A number in [0, 1).
    double unit() { return double(next() >> 11) / double(1ull << 53); }

    bool chance(double probability) { return unit() < probability; }

private:
    quint64 state;
};
