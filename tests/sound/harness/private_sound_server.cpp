#include "sound/harness/private_sound_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace {

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace

PrivateSoundServer::PrivateSoundServer() = default;

PrivateSoundServer::~PrivateSoundServer()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            kill();
    }
}

bool PrivateSoundServer::installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty();
}

QString PrivateSoundServer::path(const char *name) const
{
    return m_dir.filePath(QString::fromLatin1(name));
}

QByteArray PrivateSoundServer::address() const
{
    return "unix:" + QFile::encodeName(path("native"));
}

bool PrivateSoundServer::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no scratch folder");
        return false;
    }
    const QByteArray sinkFormat = " rate=" + QByteArray::number(Rate) + " channels=2 format=s16le";
    const QByteArray script = "load-module module-null-sink sink_name=" + QByteArray(MainSink)
        + sinkFormat + "\n" + "load-module module-null-sink sink_name=" + QByteArray(OtherSink)
        + sinkFormat + "\n" + "set-default-sink " + QByteArray(MainSink) + "\n"
        + "load-module module-native-protocol-unix auth-anonymous=1 socket="
        + QFile::encodeName(path("native")) + "\n";
    // The cookie is the clients' own: without a file named here libpulse makes one in the
    // user's home.
    const QByteArray clientConfig
        = "autospawn = no\ncookie-file = " + QFile::encodeName(path("cookie")) + "\n";
    for (const char *folder : {"home", "runtime", "state"})
        QDir().mkpath(path(folder));
    if (!writeFile(path("server.pa"), script) || !writeFile(path("client.conf"), clientConfig)) {
        m_error = QStringLiteral("cannot write the server's files");
        return false;
    }

    // Nothing of the user's session reaches it: no session bus, no display, no home.
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), path("home"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("home"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
    environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"), path("runtime"));
    environment.insert(QStringLiteral("PULSE_STATE_PATH"), path("state"));
    m_daemon.setProcessEnvironment(environment);
    m_daemon.setStandardOutputFile(path("server.log"), QIODevice::Append);
    m_daemon.setStandardErrorFile(path("server.log"), QIODevice::Append);
    // A test killed by its timeout must not leave a server behind.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    // -n: no default script, so none of the desktop's modules (no device detection, no idle
    // suspension, no remembered stream routes); real-time scheduling would ask rtkit on a bus.
    m_daemon.start(QStringLiteral("pulseaudio"),
        {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--system=no"),
            QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
            QStringLiteral("--realtime=no"), QStringLiteral("--high-priority=no"),
            QStringLiteral("--log-target=stderr"), QStringLiteral("-F"), path("server.pa")});
    if (!m_daemon.waitForStarted(5000)) {
        m_error = QStringLiteral("pulseaudio did not start: ") + m_daemon.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!answers()) {
        if (m_daemon.state() == QProcess::NotRunning || deadline.hasExpired()) {
            QFile log(path("server.log"));
            log.open(QIODevice::ReadOnly);
            m_error = QStringLiteral("pulseaudio does not answer: ")
                + QString::fromLocal8Bit(log.readAll().right(2000));
            kill();
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

void PrivateSoundServer::kill()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

void PrivateSoundServer::becomeThisProcessServer() const
{
    qputenv("PULSE_SERVER", address());
    qputenv("PULSE_CLIENTCONFIG", QFile::encodeName(path("client.conf")));
    qputenv("PULSE_RUNTIME_PATH", QFile::encodeName(path("runtime")));
    // SDL would otherwise choose its driver by this, not by the server.
    qunsetenv("SDL_AUDIODRIVER");
}

bool PrivateSoundServer::pactl(const QStringList &arguments, QByteArray *output) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SERVER"), QString::fromLocal8Bit(address()));
    environment.insert(QStringLiteral("PULSE_CLIENTCONFIG"), path("client.conf"));
    environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"), path("runtime"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        m_error = QStringLiteral("pactl %1 hangs").arg(arguments.join(QLatin1Char(' ')));
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("pactl %1: %2")
                      .arg(arguments.join(QLatin1Char(' ')),
                          QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

bool PrivateSoundServer::answers() const
{
    return m_daemon.state() == QProcess::Running && pactl({QStringLiteral("info")});
}

bool PrivateSoundServer::suspendSink(const char *sink, bool suspended) const
{
    return pactl({QStringLiteral("suspend-sink"), QString::fromLatin1(sink),
        suspended ? QStringLiteral("1") : QStringLiteral("0")});
}

int PrivateSoundServer::moveStreams(const char *from, const char *to) const
{
    // Short listings: "index<TAB>name..." for sinks, "index<TAB>sink index<TAB>..." for streams.
    QByteArray sinks;
    QByteArray streams;
    if (!pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}, &sinks)
        || !pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")},
            &streams))
        return 0;
    QByteArray fromIndex;
    for (const QByteArray &line : sinks.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 1 && fields[1] == from)
            fromIndex = fields[0];
    }
    int moved = 0;
    for (const QByteArray &line : streams.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 1 && fields[1] == fromIndex
            && pactl({QStringLiteral("move-sink-input"), QString::fromLatin1(fields[0]),
                QString::fromLatin1(to)}))
            ++moved;
    }
    return moved;
}
