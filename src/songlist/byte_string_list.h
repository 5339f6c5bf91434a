#ifndef BRENLOWICK_BYTE_STRING_LIST_H
#define BRENLOWICK_BYTE_STRING_LIST_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A growing list of byte strings kept in a few large chunks. A song list of a hundred thousand
// paths held as separate strings costs a heap block each; here each entry costs its bytes and
// four bytes of offset. Chunks are never moved once filled, so appending copies each byte once
// (one growing buffer would copy everything again at every doubling).
class ByteStringList
{
public:
    void push_back(std::string_view bytes)
    {
        if (m_chunks.empty() || m_chunks.back().capacity() - m_chunks.back().size() < bytes.size()) {
            m_chunks.emplace_back().reserve(std::max(ChunkBytes, bytes.size()));
            m_chunkFirst.push_back(m_ends.size());
        }
        std::string &chunk = m_chunks.back();
        chunk.append(bytes);
        m_ends.push_back(static_cast<uint32_t>(chunk.size()));
    }

    std::string_view operator[](size_t index) const
    {
        // The chunk holding the entry: the last one starting at or before it. There are a
        // handful, so this is a few comparisons.
        const auto after = std::upper_bound(m_chunkFirst.begin(), m_chunkFirst.end(), index);
        const auto chunk = static_cast<size_t>(after - m_chunkFirst.begin()) - 1;
        const size_t begin = index == m_chunkFirst[chunk] ? 0 : m_ends[index - 1];
        return std::string_view(m_chunks[chunk]).substr(begin, m_ends[index] - begin);
    }

    size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }
    int32_t count() const { return static_cast<int32_t>(m_ends.size()); }

    // Releases the memory too: a discarded list should not keep the last search's size.
    void clear()
    {
        std::vector<std::string>().swap(m_chunks);
        std::vector<size_t>().swap(m_chunkFirst);
        std::vector<uint32_t>().swap(m_ends);
    }

private:
    // Below the allocator's mmap threshold: chunks of a discarded list go back to the heap and
    // serve the next search without fresh pages.
    static constexpr size_t ChunkBytes = size_t {64} << 10;

    std::vector<std::string> m_chunks;
    // The index of the first entry of each chunk.
    std::vector<size_t> m_chunkFirst;
    // Where each entry ends in its chunk.
    std::vector<uint32_t> m_ends;
};

#endif
