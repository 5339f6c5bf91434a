#include "songlist/shuffle_order.h"

#include <algorithm>
#include <bit>
#include <cmath>

uint32_t shuffleSeed(const QDateTime &now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    return static_cast<uint32_t>(date.day() + time.hour() + time.minute() * time.second());
}

int32_t drawPosition(int32_t k, float u)
{
    const double r = std::floor(static_cast<double>(static_cast<float>(k)) * u + 1.0);
    // Beyond 2^24 entries k rounds in single precision and could overshoot the pool.
    return std::clamp(static_cast<int32_t>(r), 1, k);
}

namespace {

// Counts of the indexes 1 to size still to be drawn, with the r-th smallest found in log time.
class RemainingIndexes {
public:
    explicit RemainingIndexes(int32_t size)
        : m_tree(static_cast<size_t>(size) + 1)
    {
        // With every count 1, each node covers exactly its lowest set bit's worth of indexes.
        for (int32_t i = 1; i <= size; ++i)
            m_tree[static_cast<size_t>(i)] = i & -i;
        m_topStep
            = size > 0 ? static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(size))) : 0;
    }

    // Removes and returns the r-th smallest remaining index (r from 1).
    int32_t take(int32_t r)
    {
        const int32_t size = static_cast<int32_t>(m_tree.size()) - 1;
        int32_t position = 0;
        for (int32_t step = m_topStep; step > 0; step >>= 1) {
            const int32_t next = position + step;
            if (next <= size && m_tree[static_cast<size_t>(next)] < r) {
                position = next;
                r -= m_tree[static_cast<size_t>(next)];
            }
        }
        const int32_t found = position + 1;
        for (int32_t i = found; i <= size; i += i & -i)
            --m_tree[static_cast<size_t>(i)];
        return found;
    }

private:
    std::vector<int32_t> m_tree;
    int32_t m_topStep = 0;
};

} // namespace

std::vector<int32_t> shuffleOrder(int32_t max, uint32_t seed, const std::function<void()> &yield)
{
    std::vector<int32_t> order(static_cast<size_t>(max) + 1, 0);
    ShuffleGenerator generator(seed);
    RemainingIndexes remaining(max);
    for (int32_t n = 0; n < max; ++n) {
        const int32_t r = drawPosition(max - n, generator.next());
        order[static_cast<size_t>(n)] = remaining.take(r);
        if (yield)
            yield();
    }
    return order;
}
