#include "engine/pulse_output.h"

#include "app/app_error.h"
#include "engine/playback_stream.h"

bool PulseOutput::run(PlaybackStream &, const std::atomic<bool> &)
{
    return false;
}

void PulseOutput::reportNoServer(PlaybackStream &stream)
{
    try {
        raiseError(ErrNo::E_FAIL_CODE, QStringLiteral("PulseAudio: no server"));
    } catch (const AppError &error) {
        stream.outputFailed(error);
    }
}
