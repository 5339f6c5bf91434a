#ifndef BRENLOWICK_PLAYER_H
#define BRENLOWICK_PLAYER_H

#include <QObject>
#include <QString>

#include <cstdint>
#include <filesystem>

// What the window asks of the media player. Every member may throw AppError; a missing or
// unresponsive audio device is ErrNo::E_FAIL_CODE. All calls are made on the UI thread, and
// EndOfStream is emitted on it.
class MediaPlayer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~MediaPlayer() override = default;

    // Makes the file at this path (raw bytes) the current clip, releasing any earlier one.
    virtual void setFileName(const std::filesystem::path &path) = 0;
    // Starts the clip, or resumes at the current position after a pause.
    virtual void Play() = 0;
    // Halts and keeps the position.
    virtual void Pause() = 0;
    // Halts; the caller writes position 0 afterwards.
    virtual void Stop() = 0;
    // Seconds from the clip's start.
    virtual double CurrentPosition() const = 0;
    virtual void setCurrentPosition(double seconds) = 0;
    // Length of the current clip in seconds, valid once setFileName has returned.
    virtual double Duration() const = 0;
    // 8: the clip's title, 9: its author; empty text where the tag has none.
    virtual QString GetMediaInfoString(int32_t infoType) const = 0;

Q_SIGNALS:
    // Raised once when playback reaches the end of the clip; the argument means nothing.
    void EndOfStream(int32_t result);
    // The current clip's Duration or its tags became known after setFileName returned (a
    // length made exact by a walk over the file, tags read from a slow disk).
    void ClipInfoChanged();
};

namespace MediaInfo {
constexpr int32_t Title = 8;
constexpr int32_t Author = 9;
} // namespace MediaInfo

#endif
