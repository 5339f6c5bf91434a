#ifndef BRENLOWICK_MP3_ENGINE_H
#define BRENLOWICK_MP3_ENGINE_H

#include "playback/player.h"
#include "engine/buffered_file_reader.h"
#include "engine/tag_reader.h"

#include <chrono>
#include <memory>
#include <optional>

class AudioOutput;
class CrossThreadSignal;
class DecodingThread;
class Mp3Decoder;
class PlaybackStream;
class ThreadWakeup;

// The media player: libmpg123 decodes on a thread of its own about a second ahead of SDL's
// audio thread, which only copies (PlaybackStream), and TagLib reads the tags. Only setFileName
// reads a song file on the caller's thread (its start, which it must check); no command waits
// for the reads of the song that plays, so a slow disk never holds up the window. Constructing it
// touches neither SDL nor the file system; the audio device is opened by the first Play, kept
// open across songs (a song started from the EndOfStream handler follows the last one without
// a gap) and closed when playback has been halted for a few seconds. Position and duration are
// in seconds of the decoded, gapless signal.
class Mp3Engine : public MediaPlayer
{
    Q_OBJECT
public:
    // What a test or a benchmark may change; the program takes the defaults.
    struct Options
    {
        // How the song files are read (::read when empty).
        FileReadFunction read;
        // How long playback stays halted before the device is closed.
        std::chrono::milliseconds idleDeviceGrace{3000};
    };

    explicit Mp3Engine(QObject *parent = nullptr);
    Mp3Engine(QObject *parent, Options options);
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
    // Throws AppError E_FAIL_CODE when the device went away while the song played: the song
    // is halted where its sound stopped, and every read fails alike until the next command
    // (Play opens a device again), so whoever reads first (the desktop's media controls) does
    // not take the failure away from the window, which reports it.
    double CurrentPosition() const override;
    // Clamped to the clip; sample-exact.
    void setCurrentPosition(double seconds) override;
    double Duration() const override;
    // Read from the file on first request, then kept with the clip.
    QString GetMediaInfoString(int32_t infoType) const override;

    // Frames of the current clip handed to the audio device so far (ahead of what is heard by
    // the device's buffering): how the benchmarks see the first sample leave the engine.
    int64_t framesHandedToDevice() const;
    // Whether the audio device is open: from the first Play until playback has been halted for
    // a while.
    bool deviceOpen() const;

private:
    void releaseClip();
    void waitForEndedTail();
    // Throws AppError E_FAIL_CODE after closing the lost device and halting the song.
    [[noreturn]] void haltOnLostDevice() const;
    void onEndSignalled();

    Options m_options;
    std::filesystem::path m_path;
    std::shared_ptr<Mp3Decoder> m_decoder;
    mutable std::optional<SongTags> m_tags;
    mutable bool m_deviceFailed = false;
    CrossThreadSignal *m_endSignal = nullptr;
    std::unique_ptr<ThreadWakeup> m_decodeMore;
    std::unique_ptr<PlaybackStream> m_stream;
    std::unique_ptr<AudioOutput> m_output;
    // Declared last, so that it stops first: it reads the stream and closes the device.
    std::unique_ptr<DecodingThread> m_decoding;
};

#endif
