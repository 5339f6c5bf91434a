#ifndef BRENLOWICK_SHUFFLE_ORDER_H
#define BRENLOWICK_SHUFFLE_ORDER_H

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

// The seed of a shuffle: day of month + hour + minute × second of the local time, 1 to 3,535.
uint32_t shuffleSeed(const QDateTime &now);

// Uniform single-precision values in [0, 1): the top 24 bits of a 32-bit Mersenne Twister, so
// every value is exact in a float and 1.0 never comes out.
class ShuffleGenerator {
public:
    explicit ShuffleGenerator(uint32_t seed)
        : m_engine(seed)
    {
    }
    float next() { return static_cast<float>(m_engine() >> 8) * (1.0F / 16777216.0F); }

private:
    std::mt19937 m_engine;
};

// The draw r (1 to k) for k entries left and a generator value u: Int(k × u + 1), with k
// in single precision and the arithmetic in double.
int32_t drawPosition(int32_t k, float u);

// The random play order of found indexes 0 to max. Positions 0 to max − 1 hold indexes 1 to
// max in random order: each step draws r for the k entries left and takes the r-th smallest
// index not yet taken. Position max always holds 0, the first file found. yield runs once per
// step. O(n log n): a Fenwick tree over bit words counts the indexes left.
std::vector<int32_t> shuffleOrder(
    int32_t max, uint32_t seed, const std::function<void()> &yield = {});

#endif
