#ifndef BRENLOWICK_TRANSPORT_ANALYSIS_H
#define BRENLOWICK_TRANSPORT_ANALYSIS_H

#include "sound/harness/sound_analysis.h"
#include "sound/harness/transport_scenario.h"

#include <QString>

#include <vector>

// What a transport scenario did at the sink.
struct CommandAtSink {
    IssuedCommand command;
    // From the command's return to its effect at the sink: the first frame of the silence that
    // follows (pause, stop), of the sound that resumes (play), of the new place (seek).
    double latencyMs = 0;
    // The steepest step between the last exact sample before the command's effect and the
    // first exact one after it, and what a fade of the material there allows.
    int step = 0;
    int stepAllowed = 0;
    // For a play: frames of the song skipped (more than 0) or repeated (less) since the pause.
    int64_t framesSkipped = 0;
    bool found = false; // the effect was found in the recording at all
};

struct TransportAnalysis {
    std::vector<ExactPiece> pieces;
    std::vector<CommandAtSink> commands; // all but the first Play
    // Sounding frames after the head of the stream that match no piece of the song, fades
    // apart.
    int64_t framesOffTheSong = 0;
    // The position read while the song played steadily or stood paused, less the frame the
    // sink was playing (or had stopped at) at that moment, in milliseconds.
    std::vector<double> positionErrorsMs;
    // The largest step back of the position between two readings with no seek or stop
    // between them, in milliseconds (0 if it never went back).
    double largestBackwardMs = 0;

    QString describe() const;
};

// The fade a command may make where the sound stops or starts: any step it makes is measured
// against a linear fade this long, and sound this close to a stretch of the song counts as its
// fade rather than as sound off the song.
constexpr int64_t FadeMs = 5;
constexpr int64_t FadeSlackMs = 10;

TransportAnalysis analyseTransport(
    const Recording &recording, const StereoPcm &reference, const ScenarioLog &log, int headSkipMs);

#endif
