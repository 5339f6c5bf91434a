#include "songlist/shuffle_order.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>

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

// Set bits per byte of a word, each byte holding its own count (portable: no popcnt needed).
uint64_t bitsPerByte(uint64_t word)
{
    word -= (word >> 1) & 0x5555555555555555u;
    word = (word & 0x3333333333333333u) + ((word >> 2) & 0x3333333333333333u);
    return (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
}

int32_t bitCount(uint64_t word)
{
    return static_cast<int32_t>((bitsPerByte(word) * 0x0101010101010101u) >> 56);
}

// For each byte value and each r from 1 to 8, the position of its r-th set bit.
constexpr std::array<std::array<uint8_t, 8>, 256> SelectInByte = [] {
    std::array<std::array<uint8_t, 8>, 256> table {};
    for (int value = 0; value < 256; ++value) {
        int found = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if ((value >> bit) & 1)
                table[static_cast<size_t>(value)][static_cast<size_t>(found++)]
                    = static_cast<uint8_t>(bit);
        }
    }
    return table;
}();

// The r-th set bit (r from 1) of a word that has at least r set bits, counted from bit 0.
// Without branches on the data: the draws are random, so each branch would be mispredicted.
int selectBit(uint64_t word, int32_t r)
{
    // Byte i of the running sum holds the set bits of bytes 0 to i.
    const uint64_t runningSum = bitsPerByte(word) * 0x0101010101010101u;
    int byte = 0;
    for (int i = 0; i < 7; ++i)
        byte += static_cast<int32_t>((runningSum >> (8 * i)) & 0xFFu) < r ? 1 : 0;
    const uint64_t before = byte == 0 ? 0 : (runningSum >> (8 * (byte - 1))) & 0xFFu;
    const auto value = static_cast<size_t>((word >> (8 * byte)) & 0xFFu);
    return 8 * byte + SelectInByte[value][static_cast<size_t>(r - 1) - before];
}

// The indexes 1 to size still to be drawn, with the r-th smallest found in log time: one bit
// per index in 64-bit words, and a Fenwick tree over the words' counts. Kept this way the
// tree for a million songs is 62 KB and stays in the cache, where a tree over single indexes
// (4 MB) would miss it on every draw.
class RemainingIndexes {
public:
    explicit RemainingIndexes(int32_t size)
        : m_words((static_cast<size_t>(size) + 63) / 64, ~uint64_t {0})
        , m_tree(m_words.size() + 1, 0)
    {
        if (size % 64 != 0)
            m_words.back() = (uint64_t {1} << (size % 64)) - 1;
        const size_t words = m_words.size();
        for (size_t i = 1; i <= words; ++i) {
            m_tree[i] += bitCount(m_words[i - 1]);
            const size_t parent = i + (i & (~i + 1));
            if (parent <= words)
                m_tree[parent] += m_tree[i];
        }
        m_topStep = words > 0 ? std::bit_floor(words) : 0;
        // Past the last word the descent must never go: pad to a whole power of two with counts
        // no draw can exceed, so the loop needs no bounds test.
        m_tree.resize(std::max(words, 2 * m_topStep) + 1, std::numeric_limits<int32_t>::max());
    }

    // Removes and returns the r-th smallest remaining index (r from 1).
    int32_t take(int32_t r)
    {
        const size_t words = m_words.size();
        size_t position = 0;
        for (size_t step = m_topStep; step > 0; step >>= 1) {
            const size_t next = position + step;
            const int32_t count = m_tree[next];
            const bool past = count < r;
            position = past ? next : position;
            r -= past ? count : 0;
        }
        const int bit = selectBit(m_words[position], r);
        m_words[position] &= ~(uint64_t {1} << bit);
        for (size_t i = position + 1; i <= words; i += i & (~i + 1))
            --m_tree[i];
        return static_cast<int32_t>(position * 64 + static_cast<size_t>(bit)) + 1;
    }

private:
    std::vector<uint64_t> m_words;
    std::vector<int32_t> m_tree;
    size_t m_topStep = 0;
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
