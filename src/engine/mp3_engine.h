#ifndef BRENLOWICK_MP3_ENGINE_H
#define BRENLOWICK_MP3_ENGINE_H

#include "engine/buffered_file_reader.h"
#include "playback/player.h"

#include <chrono>
#include <functional>
#include <memory>

class AudioOutput;
class CrossThreadSignal;
class OutputThread;
class PlaybackStream;

// Threads and locks of the engine, in one place:
// - the window's thread gives the commands and reads positions, tags and the end;
// - each song has a decoding thread and an info thread (tags, the exact length), which end
//   soon after the song leaves playback (clip_threads.h);
// - the output thread opens, feeds and closes the device or the server's stream
//   (output_thread.h); SDL's own audio thread only copies what is decoded.
// One lock guards everything they share: PlaybackStream's. Lock order: SDL's device lock (held
// around its callback) before the stream's; nothing else is ever taken under the stream's lock,
// and no file, device or server is called while it is held. Every thread sleeps on a
// ThreadWakeup (an eventfd) that the stream owns: the one way they wake each other.
//
// The media player: libmpg123 decodes each song on a thread of its own, ahead of the output,
// and TagLib reads its tags on another; the output (a sound server's own client library where
// one answers, SDL's audio otherwise) runs on the engine's output thread. The window's thread
// never waits for a device, a server or the disk but for the head of a song it opens (which it
// must check): every command changes a few fields of the stream under one short lock and
// returns. Constructing it touches neither a device nor the file system; the output is opened
// by the first Play and kept open across songs, so a song started from the EndOfStream handler
// follows the last one without a gap. Position and duration are in seconds of the decoded,
// gapless signal.
class Mp3Engine : public MediaPlayer {
    Q_OBJECT
public:
    enum class OutputChoice {
        Automatic, // the sound server's output where one answers, else SDL's
        SoundServer, // only the server's
        Sdl, // only SDL's
    };
    // What a test or a benchmark may change; the program takes the defaults.
    struct Options {
        // How the song files are read (::pread when empty).
        FileReadFunction read;
        // How long SDL's device stays open while playback is halted.
        std::chrono::milliseconds idleDeviceGrace {3000};
        OutputChoice output = OutputChoice::Automatic;
        // An output made here instead of choosing one (a test's device that stalls).
        std::function<std::unique_ptr<AudioOutput>()> makeOutput;
    };

    explicit Mp3Engine(QObject *parent = nullptr);
    Mp3Engine(QObject *parent, Options options);
    // Lets the last samples of a song that has just ended play out (a fraction of a second),
    // then ends the output and the songs' threads, waiting at most a second for each: a read
    // that stalls, or a device that does not answer, is left behind.
    ~Mp3Engine() override;

    // Reads the song's head: throws AppError (53, 75, 76, 5 with a reason in words) and then
    // holds no clip.
    void setFileName(const std::filesystem::path &path) override;
    // Does nothing without a clip. An output that cannot be opened is reported as a lost
    // device is: through the position.
    void Play() override;
    void Pause() override;
    // Halts and goes back to the start.
    void Stop() override;
    // Throws AppError when playback failed since the last command: E_FAIL_CODE for a device or
    // server that went away or could not be opened, the file's error for a read that failed
    // mid-song. The song is halted where its sound stopped, and every read fails alike until
    // the next command, so whoever reads first (the desktop's media controls) does not take
    // the failure away from the window, which reports it. Never past Duration.
    double CurrentPosition() const override;
    // Clamped to the clip; sample-exact.
    void setCurrentPosition(double seconds) override;
    // Exact where the file states its length; otherwise estimated at once and made exact by a
    // walk over the file away from the window's thread. It changes only as ClipInfoChanged is
    // emitted, so that what the window reads and what it last showed agree.
    double Duration() const override;
    // Read away from the window's thread; waits a moment for them, and ClipInfoChanged tells
    // when they came later.
    QString GetMediaInfoString(int32_t infoType) const override;

    // Frames of the current clip handed to the output so far, counting seeks (ahead of what is
    // heard by the output's buffering): how the benchmarks see the first sample leave.
    int64_t framesHandedToDevice() const;
    // Whether the output has a device open (a stream on the server).
    bool deviceOpen() const;
    // "pulse" or "sdl" once the first Play has chosen, empty before.
    QString outputName() const;

private:
    void onWindowSignal();
    double streamDuration() const;

    Options m_options;
    bool m_hasClip = false;
    // The length the window was last told of (at the file's opening or by ClipInfoChanged).
    double m_toldDuration = 0.0;
    std::shared_ptr<PlaybackStream> m_stream;
    std::unique_ptr<OutputThread> m_output;
    CrossThreadSignal *m_windowSignal = nullptr;
};

#endif
