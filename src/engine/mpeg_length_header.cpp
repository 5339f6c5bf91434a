#include "engine/mpeg_length_header.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t bigEndian32(const unsigned char *bytes)
{
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8)
        | uint32_t(bytes[3]);
}

uint32_t littleEndian32(const unsigned char *bytes)
{
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16)
        | (uint32_t(bytes[3]) << 24);
}

} // namespace

size_t id3v2TagBytes(const unsigned char *head, size_t size)
{
    if (size < 10 || std::memcmp(head, "ID3", 3) != 0)
        return 0;
    for (int i = 6; i < 10; ++i) {
        if (head[i] & 0x80)
            return 0;
    }
    const size_t body = (size_t(head[6]) << 21) | (size_t(head[7]) << 14) | (size_t(head[8]) << 7)
        | size_t(head[9]);
    const bool footer = (head[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

namespace {

struct FrameHeader {
    bool valid = false;
    bool mpeg1 = false;
    bool mono = false;
    int bytes = 0;
    int samples = 0;
    long rate = 0;
};

FrameHeader parseLayer3Header(const unsigned char *at)
{
    FrameHeader header;
    if (at[0] != 0xFF || (at[1] & 0xE0) != 0xE0)
        return header;
    const int version = (at[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (at[1] >> 1) & 3; // 1: layer III
    const int bitrateIndex = at[2] >> 4;
    const int rateIndex = (at[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return header;
    static const int mpeg1Kbps[16]
        = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int mpeg2Kbps[16]
        = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const long mpeg1Rates[3] = {44100, 48000, 32000};
    header.mpeg1 = version == 3;
    header.rate = mpeg1Rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int kbps = header.mpeg1 ? mpeg1Kbps[bitrateIndex] : mpeg2Kbps[bitrateIndex];
    header.samples = header.mpeg1 ? 1152 : 576;
    const int padding = (at[2] >> 1) & 1;
    header.bytes
        = static_cast<int>(static_cast<long>(header.samples / 8) * kbps * 1000 / header.rate)
        + padding;
    header.mono = (at[3] >> 6) == 3;
    header.valid = header.bytes > 4;
    return header;
}

} // namespace

bool MpegLengthHeader::statesLengthOf(int64_t audioBytes) const
{
    if (kind == Kind::None || !frames || !bytes || *frames == 0)
        return false;
    const int64_t difference = audioBytes - static_cast<int64_t>(*bytes);
    return difference >= -firstFrameBytes && difference <= firstFrameBytes;
}

MpegLengthHeader readMpegLengthHeader(const unsigned char *head, size_t size)
{
    MpegLengthHeader result;
    size_t offset = id3v2TagBytes(head, size);
    // Some files carry junk (another tag, a few zero bytes) before the first frame: look a
    // little way for two frames in a row, so that a stray 0xFF is not taken for one.
    for (; offset + 4 <= size; ++offset) {
        const FrameHeader first = parseLayer3Header(head + offset);
        if (!first.valid)
            continue;
        const size_t next = offset + static_cast<size_t>(first.bytes);
        if (next + 4 <= size && !parseLayer3Header(head + next).valid)
            continue;
        result.audioStart = static_cast<int64_t>(offset);
        result.firstFrameBytes = first.bytes;
        result.samplesPerFrame = first.samples;
        result.sampleRate = first.rate;

        // Xing and Info stand behind the side information, whose size depends on the version
        // and the channels; VBRI always 32 bytes behind the frame header.
        const size_t sideInfo = first.mpeg1 ? (first.mono ? 17 : 32) : (first.mono ? 9 : 17);
        const size_t xing = offset + 4 + sideInfo;
        const size_t vbri = offset + 4 + 32;
        const size_t frameEnd = std::min(size, next);
        if (xing + 8 <= frameEnd
            && (std::memcmp(head + xing, "Xing", 4) == 0
                || std::memcmp(head + xing, "Info", 4) == 0)) {
            result.kind
                = head[xing] == 'X' ? MpegLengthHeader::Kind::Xing : MpegLengthHeader::Kind::Info;
            const uint32_t flags = bigEndian32(head + xing + 4);
            size_t field = xing + 8;
            if ((flags & 1) && field + 4 <= frameEnd) {
                result.frames = bigEndian32(head + field);
                field += 4;
            }
            if ((flags & 2) && field + 4 <= frameEnd)
                result.bytes = bigEndian32(head + field);
        } else if (vbri + 18 <= frameEnd && std::memcmp(head + vbri, "VBRI", 4) == 0) {
            result.kind = MpegLengthHeader::Kind::Vbri;
            result.bytes = bigEndian32(head + vbri + 10);
            result.frames = bigEndian32(head + vbri + 14);
        }
        return result;
    }
    return result;
}

int64_t trailingTagBytes(const unsigned char *tail, size_t size)
{
    int64_t tags = 0;
    size_t end = size;
    if (end >= 128 && std::memcmp(tail + end - 128, "TAG", 3) == 0) {
        tags += 128;
        end -= 128;
    }
    // An APEv2 footer: "APETAGEX", version, then the size of the items and footer.
    if (end >= 32 && std::memcmp(tail + end - 32, "APETAGEX", 8) == 0) {
        const unsigned char *footer = tail + end - 32;
        const uint32_t tagSize = littleEndian32(footer + 12);
        const uint32_t flags = littleEndian32(footer + 20);
        const bool hasHeader = (flags & 0x80000000u) != 0;
        tags += static_cast<int64_t>(tagSize) + (hasHeader ? 32 : 0);
    }
    return tags;
}
