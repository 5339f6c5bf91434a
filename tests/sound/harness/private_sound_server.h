#ifndef BRENLOWICK_PRIVATE_SOUND_SERVER_H
#define BRENLOWICK_PRIVATE_SOUND_SERVER_H

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A PulseAudio of the test's own: two null sinks (the default one, and another to move a
// stream to) on a socket in a scratch folder, with everything it reads or writes (its runtime
// folder, its home, the clients' configuration and cookie) in that folder too, so a server the
// user runs is never touched. It runs as whoever runs the test, root included (it warns then).
// It can be killed and started again on the same socket, its sink suspended, and the streams
// playing on it moved to the other sink.
class PrivateSoundServer {
public:
    static constexpr const char *MainSink = "brenlowick_main";
    static constexpr const char *OtherSink = "brenlowick_other";
    static constexpr long Rate = 44100;

    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer &) = delete;
    PrivateSoundServer &operator=(const PrivateSoundServer &) = delete;

    // Whether pulseaudio and pactl are installed at all (a test skips without them).
    static bool installed();

    // Starts the server and waits until it answers; returns false with the reason in error().
    bool start();
    // Ends it at once, as a crash would: no client is told.
    void kill();
    bool answers() const;
    QString error() const { return m_error; }

    // What a client of this server needs: "unix:" and the socket's path.
    QByteArray address() const;
    // Points this process's sound clients (libpulse, SDL's PulseAudio driver) at this server,
    // and at no other, for the rest of its life: PULSE_SERVER, PULSE_CLIENTCONFIG (no
    // autospawn, a cookie in the scratch folder), PULSE_RUNTIME_PATH.
    void becomeThisProcessServer() const;

    bool suspendSink(const char *sink, bool suspended) const;
    // Moves every stream playing on `from` to `to`; returns how many it moved.
    int moveStreams(const char *from, const char *to) const;

private:
    bool pactl(const QStringList &arguments, QByteArray *output = nullptr) const;
    QString path(const char *name) const;

    QTemporaryDir m_dir;
    QProcess m_daemon;
    mutable QString m_error;
};

#endif
