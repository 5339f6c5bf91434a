#ifndef BRENLOWICK_BYTE_STRING_LIST_H
#define BRENLOWICK_BYTE_STRING_LIST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A growing list of byte strings kept in one buffer. A song list of a hundred thousand paths
// held as separate strings costs a heap block each; here each entry costs its bytes and one
// offset, and appending never allocates per entry.
class ByteStringList {
public:
    void push_back(std::string_view bytes)
    {
        m_bytes.append(bytes);
        m_ends.push_back(m_bytes.size());
    }

    std::string_view operator[](size_t index) const
    {
        const size_t begin = index == 0 ? 0 : m_ends[index - 1];
        return std::string_view(m_bytes).substr(begin, m_ends[index] - begin);
    }

    size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }
    int32_t count() const { return static_cast<int32_t>(m_ends.size()); }

    // Releases the memory too: a discarded list should not keep the last search's size.
    void clear()
    {
        std::string().swap(m_bytes);
        std::vector<size_t>().swap(m_ends);
    }

    void reserve(size_t entries, size_t bytes)
    {
        m_ends.reserve(entries);
        m_bytes.reserve(bytes);
    }

    size_t byteSize() const { return m_bytes.size(); }

private:
    std::string m_bytes;
    std::vector<size_t> m_ends;
};

#endif
