#ifndef BRENLOWICK_MP3_ENGINE_H
#define BRENLOWICK_MP3_ENGINE_H

#include "playback/player.h"

// Placeholder until the real decoder and audio output land: every playback call reports a
// missing audio device.
class Mp3Engine : public MediaPlayer
{
    Q_OBJECT
public:
    explicit Mp3Engine(QObject *parent = nullptr);
    void setFileName(const std::filesystem::path &path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    double CurrentPosition() const override;
    void setCurrentPosition(double seconds) override;
    double Duration() const override;
    QString GetMediaInfoString(int32_t infoType) const override;
};

#endif
