#ifndef BRENLOWICK_SOAK_CHECKER_H
#define BRENLOWICK_SOAK_CHECKER_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class frmMain;
class MediaPlayer;
class SoakMessageBox;
class SoakTree;

// Checks what must always hold, from what the user sees and hears: the widgets, the player's
// position and length, the message boxes shown. It follows the session with a model of its
// own, fed by the driver (which command ran, which file changed) and by what the window shows
// of itself (an entry selected, a song's end): which song plays, which commands must be
// enabled, what the display must say, which boxes are due. The first failure is kept; the
// driver stops there.
class SoakChecker : public QObject {
    Q_OBJECT
public:
    // Built before the window, so that it sees each end of a song before the window acts on it.
    SoakChecker(MediaPlayer &player, const SoakTree &tree, SoakMessageBox &boxes);
    void watch(frmMain &window);

    // --- from the driver ---
    // Before each action; the position may jump (seek, stop, new song) only across one that
    // says so.
    void beginAction(bool mayMovePosition);
    // A transport command ran (its button or menu item was enabled), after it returned.
    void commandRan(int16_t index, int startsBefore);
    // At most how many seconds of a song play in a second of the clock, at the device's pace.
    void setAudioSpeed(double songSecondsPerSecond) { m_audioSpeed = songSecondsPerSecond; }
    // The slider, or the desktop, is about to move playback (seekStarting), and has moved it
    // to this second (seekRan); the song may have played on a little in between.
    void seekStarting() { m_sinceSeek.start(); }
    void seekRan(double seconds);
    void getFilesStarting(bool folderExists, bool hasSongs);
    void creditsTyped();
    enum class FileChange { Deleted, CutShort, Emptied };
    void fileChanged(const std::string &path, FileChange change);

    // --- checks; false once something failed ---
    bool checkAfterAction();
    bool samplePosition();
    bool failed() const { return !m_failure.empty(); }
    // A failure the driver saw itself (a click that did not take); the first one is kept.
    void fail(const std::string &what);
    const std::string &failure() const { return m_failure; }

    // What the model knows of the song the player holds.
    bool hasClip() const { return m_hasClip; }
    bool playing() const { return m_playing; }
    const std::string &clipPath() const { return m_clipPath; }
    int starts() const { return m_counts.starts + m_counts.failedStarts; }

    struct Counts {
        int ends = 0;
        int starts = 0;
        int failedStarts = 0;
        int vanishedMidSong = 0;
        int boxes = 0;
        int searches = 0;
    };
    const Counts &counts() const { return m_counts; }

private:
    enum class Halt { None, Pause, Stop, End, NoClip };
    // A box the session has earned: its first line, and the error numbers it may give (none
    // for a box without a number).
    struct DueBox {
        QString firstLine;
        std::vector<int> numbers;
    };

    void onEndBeforeWindow();
    void onEndAfterWindow();
    void onEntrySelected();
    void songStarted(int index);
    bool readPosition(double &position, double &length) const;
    void checkDisplay();
    void checkEnabling();
    void checkBoxes();
    void checkListAgainstFolder();
    void setCommand(int16_t index, bool enabled);

    MediaPlayer &m_player;
    const SoakTree &m_tree;
    SoakMessageBox &m_boxes;
    frmMain *m_window = nullptr;
    std::string m_failure;
    Counts m_counts;

    // The song the player holds, and how it plays.
    bool m_hasClip = false;
    bool m_playing = false;
    Halt m_halt = Halt::NoClip;
    std::string m_clipPath;
    bool m_clipCutWhilePlaying = false;
    int m_endsThisPlay = 0;
    enum class AfterEnd { Restart, Select, Halt } m_afterEnd = AfterEnd::Halt;

    // What the window must show.
    QString m_pivot = QStringLiteral("----/----");
    QString m_title;
    QString m_artist;
    std::array<bool, 5> m_buttons {};
    std::array<bool, 5> m_menuItems {true, true, true, true, true};
    bool m_currentMayBeZero = false;
    bool m_listChecked = true;
    bool m_folderExisted = true;

    std::vector<DueBox> m_dueBoxes;
    int m_beepsDue = 0;

    // The position at the last sample, and how many jumps had been allowed by then.
    uint64_t m_jumps = 0;
    uint64_t m_jumpsAtSample = 0;
    double m_lastPosition = 0.0;
    double m_audioSpeed = 1.0;
    QElapsedTimer m_sinceSeek;
};

#endif
