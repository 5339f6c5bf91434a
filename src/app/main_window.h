#ifndef BRENLOWICK_MAIN_WINDOW_H
#define BRENLOWICK_MAIN_WINDOW_H

#include "app/error_trap.h"
#include "app/platform.h"
#include "platform/tray_icon.h"
#include "songlist/byte_string_list.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class DriveList;
class FolderList;
class SeekSlider;
class SongListView;
class frmSplash;
class frmAbout;
class MediaPlayer;

// The main window: the program's one long-lived window and the owner of all its state. Its
// member functions live in the folder of the subsystem they belong to, one file per concern.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(Platform &platform, QWidget *parent = nullptr);
    ~frmMain() override;

    // --- start-up and shutdown (app/) ---
    // Returns false when the program is to end at once (another instance runs).
    bool Form_Load();
    void Form_QueryUnload(int16_t &Cancel, int16_t UnloadMode);
    void Form_Unload(int16_t &Cancel);
    void cmdEnd_Click();
    void mnuEnd_Click();
    // The system asks the program to end (signal, logout): the unload runs once, then the end.
    void unloadBySystem();
    // The session manager asks for the data to be saved before a logout that may still be
    // cancelled: the settings are written and the program goes on.
    void commitSessionData();

    // --- settings (settings/) ---
    void LoadSettings();
    void SaveSettings();

    // --- song list (songlist/) ---
    void Drive_Change();
    void DirTree_Change();
    void cmdGetFiles_Click();
    void intRandom(int32_t Max);
    void SearchFolder(const std::filesystem::path &FolderPath);

    // --- playback (playback/) ---
    void SongList_Click();
    void StartCurrentSong();
    void cmdPlayPanel_Click(int16_t Index);
    void mnuPlayControl_Click(int16_t Index);
    void CountTimer_Timer();
    void Slider_Click();
    QString FormatTime(int32_t Seconds);
    void MediaPlayer_EndOfStream(int32_t Result);
    // The song's length or tags became known after it started: the slider's range and the
    // labels follow.
    void MediaPlayer_ClipInfoChanged();
    void chkPlayRepeat_Click();

    // --- window heights and tray (window/) ---
    void cmdFormExpand_Click();
    void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void mnuDisplay_Click();
    void enterTrayMode();
    void leaveTrayMode();
    bool inTrayMode() const;
    // The notification area went away or came back while the program runs.
    void trayAvailabilityChanged(bool available);
    void trayAdd();
    void trayDelete();

    // --- about box (about/) ---
    void mnuAbout_Click();

    // --- geometry of the whole window (frame included), in twips ---
    double windowTop() const;
    double windowLeft() const;
    double windowOuterWidth() const;
    double windowOuterHeight() const;
    void setWindowTop(double twips);
    void setWindowLeft(double twips);
    void setWindowOuterHeight(double twips);
    // Converts a rectangle in twips to pixels with the screen's factors.
    QRect toPixels(double left, double top, double width, double height) const;

    // --- reporting ---
    void ReportError(const QString &Message, const QString &ErrNumber,
                     const QString &ErrDescription);
    template <typename Body>
    bool trapped(Heading heading, Body &&body) noexcept
    {
        return RunTrapped(m_platform.messageBox, heading, std::forward<Body>(body));
    }

    Platform &platform() const { return m_platform; }

    // --- controls, named as in the inventory ---
    QPushButton *cmdEnd = nullptr;
    std::array<QPushButton *, 5> cmdPlayPanel{};
    QPushButton *cmdFormExpand = nullptr;
    QCheckBox *chkRandom = nullptr;
    QCheckBox *chkAutoPlay = nullptr;
    QCheckBox *chkMinimum = nullptr;
    SeekSlider *Slider = nullptr;
    SongListView *SongList = nullptr;
    QPushButton *cmdGetFiles = nullptr;
    QTimer *CountTimer = nullptr;
    QGroupBox *Frame1 = nullptr;
    QCheckBox *chkPlayRepeat = nullptr;
    QCheckBox *chkPlayLoop = nullptr;
    FolderList *DirTree = nullptr;
    DriveList *Drive = nullptr;
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLabel *imgIcon = nullptr;
    QLabel *lblArtist = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblPivot = nullptr;
    QLabel *lblCount = nullptr;
    QLabel *lblBack = nullptr;
    ::MediaPlayer &MediaPlayer;

    // The tray popup; the visibility of its menu action is the tray-mode flag.
    QMenu *mnuPopup = nullptr;
    QAction *mnuDisplay = nullptr;
    QAction *mnuLine0 = nullptr;
    std::array<QAction *, 5> mnuPlayControl{};
    QAction *mnuLine1 = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *mnuLine2 = nullptr;
    QAction *mnuEnd = nullptr;

    // --- window state ---
    std::filesystem::path IniPath;
    int32_t ingAPIReVal = 0;
    NotifyIconData TrayIconData;
    int16_t FormExpand = 0;
    int32_t CurrentSong = 0;
    // Paths and names are raw bytes: a name that is not valid UTF-8 is found, listed and played.
    std::vector<std::string> SongPaths;
    ByteStringList FoundPaths;
    ByteStringList FoundNames;
    int32_t FoundCount = 0;
    std::vector<int32_t> ShuffleOrder;

    frmSplash *splash() const { return m_splash; }
    // The About box while it is open; null once it has been closed.
    frmAbout *about() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void buildControls();
    void buildDisplay();
    // The song number in lblPivot, condensed to show whole however long the list.
    void showSongNumber(const QString &text);
    // Steps of a song start that its later info repeats: the slider's range, the tag labels.
    void showSliderRange();
    void showSongTags();
    void buildTransport();
    void buildSongArea();
    void buildOptions();
    void buildMenu();
    void connectHandlers();
    double frameHeightTwips() const;
    void adoptWindowManagerFrame();

    Platform &m_platform;
    bool m_unloaded = false;
    bool m_frameKnown = false;
    int m_framePixels = 0;
    frmSplash *m_splash = nullptr;
    // The progress window is discarded after each search; its tick count goes on next time.
    int16_t m_splashTimeCount = 0;
    bool m_gettingFiles = false;
    // Guarded: the box deletes itself when closed.
    QPointer<frmAbout> m_about;
    // Position refresh (playback/): a tick is in progress, and the failure it last reported.
    bool m_tickRunning = false;
    // The labels and the slider show the player's current song (a start got past its Play).
    bool m_songShown = false;
    QString m_reportedTickFailure;

    friend class frmSplash;
    friend class frmAbout;
};

// Builds the settings path from the program's folder: exactly one separator before the name.
std::filesystem::path settingsPathFor(const std::filesystem::path &programFolder);

#endif
