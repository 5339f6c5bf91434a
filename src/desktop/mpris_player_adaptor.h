#ifndef BRENLOWICK_MPRIS_PLAYER_ADAPTOR_H
#define BRENLOWICK_MPRIS_PLAYER_ADAPTOR_H

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

#include <cstdint>

class frmMain;
class MprisChangeWatcher;

// org.mpris.MediaPlayer2.Player: the transport commands, the play mode and the current song.
// Every command runs the window's own handler, and only while its button is enabled, so the
// media keys do exactly what the buttons do. Commands and the loop status written are answered
// first and run after (desktop/after_reply.h); reads are answered at once.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    MprisPlayerAdaptor(QObject *exported, frmMain &window, MprisChangeWatcher &watcher);

    QString playbackStatus() const;
    QString loopStatus() const;
    void setLoopStatus(const QString &status);
    // The player has neither speed nor volume control: both stay at 1. A client may still set
    // them (a desktop's volume slider does); the setting is taken, changes nothing, and the
    // client is told the value it really has.
    double rate() const { return 1.0; }
    double volume() const { return 1.0; }
    void setRate(double requested);
    void setVolume(double requested);
    QVariantMap metadata() const;
    qlonglong position() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const { return true; }

public Q_SLOTS:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position);
    void OpenUri(const QString &Uri);

Q_SIGNALS:
    void Seeked(qlonglong Position);

private:
    // Runs the transport handler when its button is enabled; a disabled button does nothing.
    void runCommand(int16_t index);
    void queueCommand(int16_t index);
    void moveTo(qint64 position);
    qint64 lengthNow() const;

    frmMain &m_window;
    MprisChangeWatcher &m_watcher;
};

#endif
