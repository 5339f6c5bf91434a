#include "platform/mp3_engine.h"

#include "app/app_error.h"

Mp3Engine::Mp3Engine(QObject *parent) : MediaPlayer(parent) {}
void Mp3Engine::setFileName(const std::filesystem::path &) {}
void Mp3Engine::Play() { raiseError(ErrNo::E_FAIL_CODE); }
void Mp3Engine::Pause() {}
void Mp3Engine::Stop() {}
double Mp3Engine::CurrentPosition() const { return 0.0; }
void Mp3Engine::setCurrentPosition(double) {}
double Mp3Engine::Duration() const { return 0.0; }
QString Mp3Engine::GetMediaInfoString(int32_t) const { return {}; }
