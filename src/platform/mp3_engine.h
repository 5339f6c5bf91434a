#ifndef BRENLOWICK_MP3_ENGINE_H
#define BRENLOWICK_MP3_ENGINE_H

#include "playback/player.h"
#include "platform/tag_reader.h"

#include <memory>
#include <optional>

class AudioOutput;
class CrossThreadSignal;
class Mp3Decoder;
class PlaybackStream;

// The media player: libmpg123 decodes on SDL's audio thread, one buffer ahead of the device
// (PlaybackStream), and TagLib reads the tags. Constructing it touches neither SDL nor the
// file system; the audio device is opened by the first Play and then kept open across songs,
// and a song started from the EndOfStream handler follows the last one without a gap.
// Position and duration are in seconds of the decoded, gapless signal.
class Mp3Engine : public MediaPlayer
{
    Q_OBJECT
public:
    explicit Mp3Engine(QObject *parent = nullptr);
    // Lets the last buffers of a song that has just ended play out (a fraction of a second),
    // then closes the device: no callback runs once the destructor returns.
    ~Mp3Engine() override;

    // Throws AppError (53, 75, 76, 5 with libmpg123's text) and then holds no clip.
    void setFileName(const std::filesystem::path &path) override;
    // Throws AppError E_FAIL_CODE when no audio device can be opened. Does nothing without
    // a clip.
    void Play() override;
    void Pause() override;
    // Halts and goes back to the start.
    void Stop() override;
    // Throws AppError E_FAIL_CODE, once, when the device went away while the song played; the
    // song is halted there, and the next Play opens a device again.
    double CurrentPosition() const override;
    // Clamped to the clip; sample-exact.
    void setCurrentPosition(double seconds) override;
    double Duration() const override;
    // Read from the file on first request, then kept with the clip.
    QString GetMediaInfoString(int32_t infoType) const override;

    // Frames of the current clip handed to the audio device so far (ahead of what is heard by
    // the device's buffering): how the benchmarks see the first sample leave the engine.
    int64_t framesHandedToDevice() const;

private:
    void releaseClip();
    void waitForEndedTail();
    // Throws AppError E_FAIL_CODE after closing the lost device and halting the song.
    [[noreturn]] void haltOnLostDevice() const;
    void onEndSignalled();

    std::filesystem::path m_path;
    std::unique_ptr<Mp3Decoder> m_decoder;
    mutable std::optional<SongTags> m_tags;
    CrossThreadSignal *m_endSignal = nullptr;
    std::unique_ptr<PlaybackStream> m_stream;
    // Declared last, so that it is destroyed, and the device closed, before what it reads.
    std::unique_ptr<AudioOutput> m_output;
};

#endif
