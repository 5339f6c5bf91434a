#include "sound/harness/transport_analysis.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace {

// The position is compared with the sink once this long after a command, when the command's
// own latency is over.
constexpr int64_t SettleNs = 150'000'000;

struct Context {
    const Recording &recording;
    const StereoPcm &reference;
    const std::vector<ExactPiece> &pieces;

    int64_t frames(int64_t ms) const { return ms * recording.rate / 1000; }
    double msFrom(int64_t frame, int64_t ns) const
    {
        return static_cast<double>(recording.nsOfFrame(frame) - ns) / 1e6;
    }
    // The last piece that begins before this frame.
    const ExactPiece *pieceBefore(int64_t frame) const
    {
        const ExactPiece *found = nullptr;
        for (const ExactPiece &piece : pieces) {
            if (piece.begin < frame)
                found = &piece;
        }
        return found;
    }
    // The first piece that ends after this frame.
    const ExactPiece *pieceAfter(int64_t frame) const
    {
        for (const ExactPiece &piece : pieces) {
            if (piece.end > frame)
                return &piece;
        }
        return nullptr;
    }
    void measureStep(CommandAtSink &result, int64_t from, int64_t to, int allowed) const
    {
        result.step = largestStep(recording.pcm, from - frames(1), to + frames(1));
        result.stepAllowed = allowed;
    }
    int allowance(int64_t referenceFrom, int64_t referenceTo) const
    {
        return fadeStepAllowance(
            reference, referenceFrom - frames(1), referenceTo + frames(1), frames(FadeMs));
    }

    // A pause or a stop: the silence that follows it in [from, to). Returns where the silence
    // begins, and the song frame it begins at.
    std::optional<std::pair<int64_t, int64_t>> halt(
        CommandAtSink &result, int64_t from, int64_t to) const
    {
        const int64_t silent = silenceStart(recording.pcm, from, to, frames(10));
        const ExactPiece *before = pieceBefore(silent);
        result.found = silent < to && before;
        if (!result.found)
            return std::nullopt;
        result.latencyMs = msFrom(silent, result.command.returnedNs);
        measureStep(result, before->end, silent,
            allowance(before->referenceEnd(), silent + before->offset));
        return std::make_pair(silent, silent + before->offset);
    }

    // A play after a pause: the sound that starts in [from, to), against the song frame where
    // the pause stopped it.
    void resume(CommandAtSink &result, int64_t from, int64_t to, int64_t stoppedAtReference) const
    {
        const int64_t sound = soundStart(recording.pcm, from, to);
        const ExactPiece *after = pieceAfter(sound);
        result.found = sound < to && after;
        if (!result.found)
            return;
        result.latencyMs = msFrom(sound, result.command.returnedNs);
        measureStep(
            result, sound, after->begin, allowance(sound + after->offset, after->referenceBegin()));
        result.framesSkipped = sound + after->offset - stoppedAtReference;
    }

    // A seek while playing: the first piece of the song after the one that played when it was
    // given, and where in it the new place began.
    void seek(CommandAtSink &result) const
    {
        const ExactPiece *old = pieceBefore(recording.frameAtNs(result.command.issuedNs));
        const ExactPiece *fresh = old ? pieceAfter(old->end) : nullptr;
        result.found = old && fresh && fresh->offset != old->offset;
        if (!result.found)
            return;
        const int64_t arrives = result.command.seekFrame - fresh->offset;
        result.latencyMs = msFrom(arrives, result.command.returnedNs);
        measureStep(result, old->end, fresh->begin,
            std::max(allowance(old->referenceEnd(), old->referenceEnd() + frames(FadeSlackMs)),
                allowance(result.command.seekFrame, fresh->referenceBegin())));
    }
};

} // namespace

TransportAnalysis analyseTransport(
    const Recording &recording, const StereoPcm &reference, const ScenarioLog &log, int headSkipMs)
{
    TransportAnalysis analysis;
    if (log.commands.empty() || recording.frames() == 0)
        return analysis;
    const int64_t headFrame
        = recording.frameAtNs(log.commands.front().returnedNs + int64_t(headSkipMs) * 1'000'000);
    analysis.pieces = exactPieces(recording.pcm, headFrame, recording.frames(), reference, 441, 1);
    const Context context {recording, reference, analysis.pieces};
    analysis.framesOffTheSong = framesOutsidePieces(
        recording.pcm, headFrame, recording.frames(), analysis.pieces, context.frames(FadeSlackMs));

    // Where the latest pause's or stop's silence began, and where in the song it stopped.
    int64_t silenceFrom = headFrame;
    int64_t stoppedAtReference = -1;
    std::vector<int64_t> stoppedAt(log.commands.size(), -1);
    for (size_t index = 1; index < log.commands.size(); ++index) {
        const IssuedCommand &command = log.commands[index];
        CommandAtSink result {command};
        const int64_t from
            = std::max(headFrame, recording.frameAtNs(command.issuedNs) - context.frames(10));
        const int64_t to = index + 1 < log.commands.size()
            ? recording.frameAtNs(log.commands[index + 1].issuedNs)
            : recording.frames();
        switch (command.kind) {
        case TransportCommand::Pause:
        case TransportCommand::Stop:
            if (const auto silent = context.halt(result, from, to)) {
                silenceFrom = silent->first;
                stoppedAtReference = stoppedAt[index] = silent->second;
            }
            break;
        case TransportCommand::Play:
            context.resume(result, std::max(from, silenceFrom), to, stoppedAtReference);
            break;
        case TransportCommand::Seek:
            context.seek(result);
            break;
        }
        analysis.commands.push_back(result);
    }

    // The position against the sink, and whether it ever went back.
    const int64_t rate = recording.rate;
    size_t latest = 0; // the latest command issued before the reading
    const PositionReading *previous = nullptr;
    for (const PositionReading &reading : log.positions) {
        while (
            latest + 1 < log.commands.size() && log.commands[latest + 1].issuedNs <= reading.atNs) {
            ++latest;
            const auto kind = log.commands[latest].kind;
            if (kind == TransportCommand::Seek || kind == TransportCommand::Stop)
                previous = nullptr;
        }
        if (previous && previous->frame > reading.frame)
            analysis.largestBackwardMs = std::max(analysis.largestBackwardMs,
                static_cast<double>(previous->frame - reading.frame) * 1000.0 / rate);
        previous = &reading;
        const IssuedCommand &command = log.commands[latest];
        if (reading.atNs < command.returnedNs + SettleNs
            || reading.atNs < recording.nsOfFrame(headFrame))
            continue;
        int64_t heard = -1;
        if (command.kind == TransportCommand::Pause) {
            heard = stoppedAt[latest];
        } else if (command.kind != TransportCommand::Stop) {
            const int64_t frame = recording.frameAtNs(reading.atNs);
            if (const ExactPiece *piece = pieceAt(analysis.pieces, frame))
                heard = frame + piece->offset;
        }
        if (heard >= 0)
            analysis.positionErrorsMs.push_back(
                static_cast<double>(reading.frame - heard) * 1000.0 / rate);
    }
    return analysis;
}

QString TransportAnalysis::describe() const
{
    QStringList lines;
    for (const CommandAtSink &command : commands) {
        if (!command.found) {
            lines << QStringLiteral("%1: not found at the sink")
                         .arg(QLatin1String(commandName(command.command.kind)));
            continue;
        }
        lines << QStringLiteral("%1: %2 ms, step %3 (a fade allows %4)%5")
                     .arg(QLatin1String(commandName(command.command.kind)))
                     .arg(command.latencyMs, 0, 'f', 1)
                     .arg(command.step)
                     .arg(command.stepAllowed)
                     .arg(command.command.kind == TransportCommand::Play
                             ? QStringLiteral(", %1 frames skipped").arg(command.framesSkipped)
                             : QString());
    }
    std::vector<double> errors = positionErrorsMs;
    std::sort(errors.begin(), errors.end());
    const auto at = [&](size_t index) { return errors.empty() ? 0.0 : errors[index]; };
    lines << QStringLiteral("%1 exact pieces, %2 frames off the song; position less the sink's "
                            "%3 to %4 ms (median %5) over %6 readings; back by up to %7 ms")
                 .arg(pieces.size())
                 .arg(framesOffTheSong)
                 .arg(at(0), 0, 'f', 1)
                 .arg(at(errors.size() - 1), 0, 'f', 1)
                 .arg(at(errors.size() / 2), 0, 'f', 1)
                 .arg(errors.size())
                 .arg(largestBackwardMs, 0, 'f', 1);
    return lines.join(QLatin1Char('\n'));
}
