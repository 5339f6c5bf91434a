#ifndef BRENLOWICK_PULSE_OUTPUT_H
#define BRENLOWICK_PULSE_OUTPUT_H

#include "engine/audio_output.h"

class PlaybackStream;

// placeholder
class PulseOutput final : public AudioOutput {
public:
    bool run(PlaybackStream &stream, const std::atomic<bool> &stopping) override;
    const char *name() const override { return "pulse"; }
    void reportNoServer(PlaybackStream &stream);
};

#endif
