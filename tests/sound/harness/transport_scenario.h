#ifndef BRENLOWICK_TRANSPORT_SCENARIO_H
#define BRENLOWICK_TRANSPORT_SCENARIO_H

#include <QString>

#include <cstdint>
#include <filesystem>
#include <vector>

class MediaPlayer;
class SinkRecorder;

// A song played with commands at set times, as a user gives them, while the position is read
// every couple of milliseconds, as fast as any reader could; every time on the steady clock.
struct TransportCommand {
    enum Kind { Play, Pause, Stop, Seek };
    Kind kind = Play;
    int atMs = 0; // after the first Play returned
    int64_t seekFrame = 0; // for Seek
};

struct IssuedCommand {
    TransportCommand::Kind kind = TransportCommand::Play;
    int64_t issuedNs = 0;
    int64_t returnedNs = 0;
    int64_t seekFrame = 0;
};

struct PositionReading {
    int64_t atNs = 0; // the middle of the call
    int64_t frame = 0;
};

struct ScenarioLog {
    std::vector<IssuedCommand> commands; // the first Play included
    std::vector<PositionReading> positions;
    QString error; // what the engine threw, if it did
};

const char *commandName(TransportCommand::Kind kind);

// Opens the song, plays it, gives the commands, reads the position until `endMs`, and then waits
// until the recorder has heard the sink until then.
ScenarioLog runTransportScenario(MediaPlayer &player, SinkRecorder &recorder,
    const std::filesystem::path &song, long rate, const std::vector<TransportCommand> &commands,
    int endMs);

// Pauses, plays and seeks, each a few times, at uneven times (so they fall anywhere in whatever
// buffers the output keeps), all within a song of at least 2 s, and a stop to end.
std::vector<TransportCommand> everyTransportCommand(long rate, int &endMs);

// Waits, reading nothing, until the recorder has heard the sink up to this time; false if it
// does not within a few seconds.
bool waitUntilHeard(const SinkRecorder &recorder, int64_t ns);

#endif
