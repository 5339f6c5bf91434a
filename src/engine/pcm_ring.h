#ifndef BRENLOWICK_PCM_RING_H
#define BRENLOWICK_PCM_RING_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

// Decoded audio on its way from the decoding thread to the device: a ring of slots of one
// device buffer each, allocated once, each tagged with the clip (the generation of playback)
// its audio belongs to. Not thread-safe: the owner keeps it under its lock, and producers
// decode elsewhere and push() what they made.
class PcmRing
{
public:
    static constexpr int SlotCount = 32;

    explicit PcmRing(size_t slotBytes) : m_slotBytes(slotBytes)
    {
        for (Slot &slot : m_slots)
            slot.bytes = std::make_unique_for_overwrite<unsigned char[]>(slotBytes);
    }

    size_t slotBytes() const { return m_slotBytes; }
    int count() const { return m_count; }
    bool full() const { return m_count == SlotCount; }

    // Copies up to a slot's worth into the slot behind the last; only while not full().
    void push(const unsigned char *bytes, size_t size, uint64_t tag)
    {
        Slot &slot = at(m_count);
        slot.size = std::min(size, m_slotBytes);
        slot.tag = tag;
        std::memcpy(slot.bytes.get(), bytes, slot.size);
        ++m_count;
    }

    // The tag of the slot at the front (check count() first).
    uint64_t frontTag() const { return at(0).tag; }
    // Slots, from the front, that carry this tag before any other one does.
    int leadingSlots(uint64_t tag) const
    {
        int leading = 0;
        while (leading < m_count && at(leading).tag == tag)
            ++leading;
        return leading;
    }
    // Bytes still to take in the leading slots of this tag.
    size_t leadingBytes(uint64_t tag) const
    {
        size_t bytes = 0;
        for (int slot = 0; slot < m_count && at(slot).tag == tag; ++slot)
            bytes += at(slot).size;
        return m_count > 0 && at(0).tag == tag ? bytes - m_frontTaken : 0;
    }

    // Moves up to `bytes` from the leading slots of this tag; returns how many.
    size_t take(uint64_t tag, unsigned char *destination, size_t bytes)
    {
        size_t done = 0;
        while (done < bytes && m_count > 0 && at(0).tag == tag) {
            Slot &front = at(0);
            const size_t chunk = std::min(bytes - done, front.size - m_frontTaken);
            std::memcpy(destination + done, front.bytes.get() + m_frontTaken, chunk);
            done += chunk;
            m_frontTaken += chunk;
            if (m_frontTaken == front.size)
                dropFront();
        }
        return done;
    }
    void dropFront()
    {
        m_first = (m_first + 1) % SlotCount;
        --m_count;
        m_frontTaken = 0;
    }
    // Keeps the first `kept` slots, frees the rest.
    void keepFront(int kept)
    {
        if (kept < m_count)
            m_count = kept;
        if (m_count == 0)
            m_frontTaken = 0;
    }

private:
    struct Slot
    {
        std::unique_ptr<unsigned char[]> bytes;
        size_t size = 0;
        uint64_t tag = 0;
    };
    Slot &at(int fromFront) { return m_slots[static_cast<size_t>((m_first + fromFront) % SlotCount)]; }
    const Slot &at(int fromFront) const
    {
        return m_slots[static_cast<size_t>((m_first + fromFront) % SlotCount)];
    }

    size_t m_slotBytes = 0;
    std::array<Slot, SlotCount> m_slots;
    int m_first = 0;
    int m_count = 0;
    size_t m_frontTaken = 0; // bytes of the front slot already taken
};

#endif
