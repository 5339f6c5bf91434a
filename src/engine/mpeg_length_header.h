#ifndef BRENLOWICK_MPEG_LENGTH_HEADER_H
#define BRENLOWICK_MPEG_LENGTH_HEADER_H

#include <cstddef>
#include <cstdint>
#include <optional>

// What the head and tail of an MP3 file say of its length, read from its bytes alone: the
// Xing or Info header (LAME and most encoders) or the VBRI header (Fraunhofer's) in the first
// frame, with the frame and byte counts they state, and the tags around the audio. Whether
// to believe a stated length is judged against the bytes the file really holds: a download cut
// short keeps the header of the whole song.
struct MpegLengthHeader {
    enum class Kind { None, Xing, Info, Vbri };

    Kind kind = Kind::None;
    std::optional<uint32_t> frames; // audio frames the header states
    std::optional<uint32_t> bytes; // bytes of audio the header states
    int64_t audioStart = 0; // file offset of the first frame (past any ID3v2 tag)
    int firstFrameBytes = 0; // size of the first frame, the header's own
    int samplesPerFrame = 0; // of the first frame: 1152, or 576 for MPEG-2 and 2.5 layer III
    long sampleRate = 0; // of the first frame

    // The header states its frames and its byte count, and the file holds that many bytes of
    // audio (give or take the header's own frame, which some encoders count and some do not).
    bool statesLengthOf(int64_t audioBytes) const;
};

// Bytes of the ID3v2 tag the file starts with (header and footer included), judged from its
// first ten bytes; 0 without one.
size_t id3v2TagBytes(const unsigned char *start, size_t size);

// Parses `head`, the first bytes of the file (a few KiB past any ID3v2 tag suffice).
MpegLengthHeader readMpegLengthHeader(const unsigned char *head, size_t size);

// Bytes of tags at the end of the file (an ID3v1 tag, an APEv2 tag before it or alone),
// judged from the last bytes of the file: `tail` holds its last `size` bytes (at least 160 to
// see both an ID3v1 tag and an APE footer in front of it; 288 is plenty).
int64_t trailingTagBytes(const unsigned char *tail, size_t size);

#endif
