#ifndef BRENLOWICK_BARE_PULSE_PLAYER_H
#define BRENLOWICK_BARE_PULSE_PLAYER_H

#include "playback/player.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The baseline of the latencies at the sink: the least a client of the sound server does for a
// command, with the whole song decoded beforehand. One thread writes 5 ms at a time into a
// stream that keeps only 20 ms queued (libpulse's simple API); a pause, stop or seek flushes
// the queue, and a pause resumes from where the writing stood, whatever was flushed.
class BarePulsePlayer : public MediaPlayer {
public:
    BarePulsePlayer() = default;
    ~BarePulsePlayer() override;

    void setFileName(const std::filesystem::path &path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    // Where the writing stands, not what is heard: for the scenario's reads only.
    double CurrentPosition() const override;
    void setCurrentPosition(double seconds) override;
    double Duration() const override;
    QString GetMediaInfoString(int32_t) const override { return {}; }

private:
    void writeUntilQuit();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<int16_t> m_pcm;
    long m_rate = 44100;
    int64_t m_frame = 0;
    bool m_playing = false;
    bool m_flush = false;
    bool m_quit = false;
    std::thread m_writer;
};

#endif
