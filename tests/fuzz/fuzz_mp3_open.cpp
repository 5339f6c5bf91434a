// The engine's whole open path on any file, as the player uses it: the clip is set, its
// length and tags are read, and its first seconds are decoded, with a seek into the middle.
// Bad files must end in AppError or in an empty tag, never in a crash, a hang or a leak.

#include "app/app_error.h"
#include "engine/mp3_decoder.h"
#include "engine/mp3_engine.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::filesystem::path songFile()
{
    static const std::filesystem::path path = [] {
        std::filesystem::path folder = std::filesystem::temp_directory_path()
                                       / ("brenlowick-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        return folder / "song.mp3";
    }();
    return path;
}

// What a device would take in the first seconds: enough frames to pass the start-up of the
// decoder, the bit reservoir and a tag or two in the stream.
constexpr int64_t DecodedFrames = 3 * 48000;

void decodeStart(const std::filesystem::path &path)
{
    // (The engine's length is not compared with this opening's: the engine's own decoding and
    // walk over the file, whose threads run on beside this one, may have made it exact, and for
    // a damaged stream the two need not agree.)
    Mp3Decoder decoder(path);
    const int64_t lengthFrames = decoder.lengthFrames();
    std::vector<unsigned char> buffer(4096 * Mp3Decoder::BytesPerFrame);
    int64_t frames = 0;
    while (frames < DecodedFrames) {
        const Mp3Decoder::ReadResult result = decoder.read(buffer.data(), buffer.size());
        check(result.bytes <= buffer.size() && result.bytes % Mp3Decoder::BytesPerFrame == 0);
        frames += static_cast<int64_t>(result.bytes / Mp3Decoder::BytesPerFrame);
        if (result.ended)
            break;
    }
    const int64_t landed = decoder.seek(lengthFrames / 2);
    check(landed >= 0);
    decoder.read(buffer.data(), buffer.size());
    check(decoder.seek(0) == 0);
    decoder.read(buffer.data(), buffer.size());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    // One engine for the whole run, as in the player: each input replaces the clip before.
    static Mp3Engine engine;
    const std::filesystem::path path = songFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    }
    try {
        engine.setFileName(path);
    } catch (const AppError &error) {
        check(error.number() != 0);
        check(engine.Duration() == 0.0);
        return 0;
    }
    const double duration = engine.Duration();
    check(std::isfinite(duration) && duration > 0.0);
    const QString title = engine.GetMediaInfoString(8);
    const QString author = engine.GetMediaInfoString(9);
    check(title.isValidUtf16() && author.isValidUtf16());

    decodeStart(path);
    return 0;
}
