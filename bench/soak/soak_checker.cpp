#include "bench/soak/soak_checker.h"

#include "app/main_window.h"
#include "bench/soak/soak_platform.h"
#include "bench/soak/soak_tree.h"
#include "playback/player.h"
#include "playback/seek_slider.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

const QString PlaybackHeading = QStringLiteral("再生時にエラーが発生しました。");
const QString GeneralHeading = QStringLiteral("エラーが発生しました。");
const QString CreditsStart = QStringLiteral("Presented by ");

// A position is exact to the sample; a millisecond covers the conversions.
constexpr double Tolerance = 1e-3;

std::string text(const QString &value)
{
    return value.toStdString();
}

bool checked(const QCheckBox *box)
{
    return box->checkState() != Qt::Unchecked;
}

} // namespace

SoakChecker::SoakChecker(MediaPlayer &player, const SoakTree &tree, SoakMessageBox &boxes)
    : m_player(player)
    , m_tree(tree)
    , m_boxes(boxes)
{
    connect(&player, &MediaPlayer::EndOfStream, this, &SoakChecker::onEndBeforeWindow);
}

void SoakChecker::watch(frmMain &window)
{
    m_window = &window;
    connect(&m_player, &MediaPlayer::EndOfStream, this, &SoakChecker::onEndAfterWindow);
    connect(window.SongList, &SongListView::Click, this, &SoakChecker::onEntrySelected);
}

void SoakChecker::fail(const std::string &what)
{
    if (m_failure.empty())
        m_failure = what;
}

void SoakChecker::beginAction(bool mayMovePosition)
{
    if (mayMovePosition)
        ++m_jumps;
}

void SoakChecker::setCommand(int16_t index, bool enabled)
{
    m_buttons[static_cast<size_t>(index)] = enabled;
    m_menuItems[static_cast<size_t>(index)] = enabled;
}

void SoakChecker::songStarted(int index)
{
    ++m_jumps;
    m_endsThisPlay = 0;
    m_currentMayBeZero = false;
    const int count = m_window->SongList->ListCount();
    const bool loop = checked(m_window->chkPlayLoop);
    setCommand(3, loop || index != 0);
    setCommand(4, loop || index != count - 1);
    // Pause comes on even when the song then cannot start.
    setCommand(1, true);
    const std::string path = m_window->SongPaths.at(static_cast<size_t>(index));
    if (m_tree.playable(path)) {
        ++m_counts.starts;
        m_hasClip = true;
        m_playing = true;
        m_halt = Halt::None;
        m_clipPath = path;
        m_clipCutWhilePlaying = false;
        const SoakTree::Song *song = m_tree.song(path);
        m_pivot = QStringLiteral("%1/%2").arg(index + 1).arg(count);
        m_title = song->title;
        m_artist = song->artist;
        return;
    }
    // The display keeps the last song that did start; the failure is told once.
    ++m_counts.failedStarts;
    m_hasClip = false;
    m_playing = false;
    m_halt = Halt::NoClip;
    m_clipPath.clear();
    m_dueBoxes.push_back({PlaybackHeading, {m_tree.song(path) ? 5 : 53}});
}

void SoakChecker::onEntrySelected()
{
    // Connected after the window's handler: the song has been started, or has failed to.
    songStarted(m_window->SongList->ListIndex());
}

void SoakChecker::onEndBeforeWindow()
{
    ++m_counts.ends;
    double position = 0.0;
    double length = 0.0;
    if (!readPosition(position, length))
        fail("the player failed to tell its position at the end of a song");
    if (m_halt == Halt::Stop || m_halt == Halt::NoClip || !m_hasClip)
        fail("a song's end arrived after a stop, or with no song started");
    else if (m_endsThisPlay > 0 || m_halt == Halt::End)
        fail("a song raised its end twice");
    else if (!m_clipCutWhilePlaying && std::abs(position - length) > Tolerance)
        fail("a song's end arrived at " + std::to_string(position) + " s of "
            + std::to_string(length) + " s (a seek or a new song should have withdrawn it)");
    ++m_endsThisPlay;
    ++m_jumps;
    m_playing = false;
    m_halt = Halt::End;
    if (checked(m_window->chkPlayRepeat)) {
        m_afterEnd = AfterEnd::Restart;
    } else if (checked(m_window->chkPlayLoop)) {
        m_afterEnd = AfterEnd::Select; // the selection's signal brings the start
    } else {
        m_afterEnd = AfterEnd::Halt;
        setCommand(1, false);
    }
}

void SoakChecker::onEndAfterWindow()
{
    if (m_afterEnd == AfterEnd::Restart && m_window->SongList->ListIndex() >= 0)
        songStarted(m_window->SongList->ListIndex());
}

void SoakChecker::commandRan(int16_t index, int startsBefore)
{
    ++m_jumps;
    switch (index) {
    case 0:
        setCommand(1, true);
        if (m_hasClip) {
            m_playing = true;
            m_halt = Halt::None;
            m_endsThisPlay = 0;
        }
        break;
    case 1:
        if (m_playing)
            m_halt = Halt::Pause;
        m_playing = false;
        break;
    case 2:
        setCommand(1, false);
        m_playing = false;
        if (m_hasClip)
            m_halt = Halt::Stop;
        if (std::abs(m_player.CurrentPosition()) > Tolerance)
            fail("stop left the position at " + std::to_string(m_player.CurrentPosition()));
        if (m_window->Slider->value() != 0)
            fail("stop left the slider at " + std::to_string(m_window->Slider->value()));
        break;
    case 4:
        // Next on the last song with loop off selects nothing and starts over at the first.
        if (starts() == startsBefore && m_window->SongList->ListCount() > 0)
            m_currentMayBeZero = true;
        break;
    default:
        break;
    }
}

void SoakChecker::seekRan(double seconds)
{
    ++m_jumps;
    m_endsThisPlay = 0;
    if (!m_hasClip)
        return;
    double length = m_player.Duration();
    double position = m_player.CurrentPosition();
    if (position < std::clamp(seconds, 0.0, length) - Tolerance) {
        // A length told too long (an estimate the song's decoding has since cut short) is put
        // right by a notice already on its way, and the seek went to the true end.
        const auto jumps = m_jumps;
        QCoreApplication::processEvents();
        if (m_jumps != jumps || !m_hasClip)
            return; // the song ended there and started over, or another one started
        length = m_player.Duration();
        position = m_player.CurrentPosition();
    }
    const double target = std::clamp(seconds, 0.0, length);
    // Playing on from the seek is fine, as far as the device's pace and a buffer allow.
    const double playedOn = 0.2 + m_audioSpeed * static_cast<double>(m_sinceSeek.elapsed()) / 1e3;
    if (position < target - Tolerance || position > target + playedOn)
        fail("a seek to " + std::to_string(target) + " s left the position at "
            + std::to_string(position) + " s");
    if (m_halt == Halt::End)
        m_halt = Halt::Pause; // an ended song moved by a seek waits there for play
}

void SoakChecker::getFilesStarting(bool folderExists, bool hasSongs)
{
    ++m_counts.searches;
    m_playing = false;
    m_hasClip = false;
    m_halt = Halt::NoClip;
    m_clipPath.clear();
    m_pivot = QStringLiteral("----/----");
    m_title.clear();
    m_artist.clear();
    m_currentMayBeZero = false;
    for (int16_t index = 0; index < 5; ++index)
        setCommand(index, folderExists && hasSongs);
    m_listChecked = false;
    m_folderExisted = folderExists;
    if (!folderExists)
        m_dueBoxes.push_back({GeneralHeading, {76, 53}});
}

void SoakChecker::creditsTyped()
{
    m_dueBoxes.push_back({CreditsStart, {}});
    m_beepsDue += 2;
}

void SoakChecker::fileChanged(const std::string &path, FileChange change)
{
    if (!m_hasClip || path != m_clipPath)
        return;
    if (m_playing)
        ++m_counts.vanishedMidSong;
    // A deleted file plays on from the open file; a cut one ends where its bytes end.
    if (change != FileChange::Deleted)
        m_clipCutWhilePlaying = true;
}

bool SoakChecker::readPosition(double &position, double &length) const
{
    try {
        position = m_player.CurrentPosition();
        length = m_player.Duration();
        return true;
    } catch (...) {
        return false;
    }
}

bool SoakChecker::samplePosition()
{
    double position = 0.0;
    double length = 0.0;
    // A failure is the window's refresh to report, and the box check judges that.
    if (!readPosition(position, length))
        return !failed();
    if (position < 0.0 || position > length + Tolerance)
        fail("the position " + std::to_string(position) + " s lies outside the song's "
            + std::to_string(length) + " s");
    if (m_jumps == m_jumpsAtSample) {
        if (position < m_lastPosition - Tolerance)
            fail("the position went back from " + std::to_string(m_lastPosition) + " s to "
                + std::to_string(position) + " s while playing");
        else if (!m_playing && std::abs(position - m_lastPosition) > Tolerance)
            fail("the position moved from " + std::to_string(m_lastPosition) + " s to "
                + std::to_string(position) + " s while halted");
    }
    m_lastPosition = position;
    m_jumpsAtSample = m_jumps;
    return !failed();
}

void SoakChecker::checkDisplay()
{
    const frmMain &w = *m_window;
    if (w.lblPivot->text() != m_pivot || w.lblTitle->text() != m_title
        || w.lblArtist->text() != m_artist)
        fail("the display shows " + text(w.lblPivot->text()) + " \"" + text(w.lblTitle->text())
            + "\" by \"" + text(w.lblArtist->text()) + "\" instead of " + text(m_pivot) + " \""
            + text(m_title) + "\" by \"" + text(m_artist) + "\"");
    const int selected = w.SongList->ListIndex();
    if (selected >= 0 && w.CurrentSong != selected && !(m_currentMayBeZero && w.CurrentSong == 0))
        fail("the current song is " + std::to_string(w.CurrentSong) + " while entry "
            + std::to_string(selected) + " is selected");
    if (w.SongList->ListCount() != static_cast<int>(w.SongPaths.size()))
        fail("the list shows " + std::to_string(w.SongList->ListCount()) + " entries for "
            + std::to_string(w.SongPaths.size()) + " paths");
    if (w.Slider->value() < 0 || w.Slider->value() > w.Slider->maximum())
        fail("the slider stands at " + std::to_string(w.Slider->value()) + " of "
            + std::to_string(w.Slider->maximum()));
    if (m_hasClip && w.Slider->maximum() != static_cast<int>(std::nearbyint(m_player.Duration())))
        fail("the slider's range is " + std::to_string(w.Slider->maximum()) + " for a song of "
            + std::to_string(m_player.Duration()) + " s");
    if (w.chkPlayLoop->isEnabled() == (w.chkPlayRepeat->checkState() == Qt::Checked))
        fail("the loop box is enabled while repeat is on, or disabled while it is off");
}

void SoakChecker::checkEnabling()
{
    const frmMain &w = *m_window;
    for (size_t i = 0; i < 5; ++i) {
        const bool button = w.cmdPlayPanel[i]->isEnabled();
        const bool item = w.mnuPlayControl[i]->isEnabled();
        if (button != m_buttons[i] || item != m_menuItems[i])
            fail("transport command " + std::to_string(i) + ": button " + (button ? "on" : "off")
                + ", menu item " + (item ? "on" : "off") + "; the rules say button "
                + (m_buttons[i] ? "on" : "off") + ", menu item " + (m_menuItems[i] ? "on" : "off"));
    }
}

void SoakChecker::checkBoxes()
{
    // Each box is judged once and let go, so a long session's boxes take no memory here.
    std::vector<SoakMessageBox::Shown> boxes;
    boxes.swap(m_boxes.shown);
    for (const SoakMessageBox::Shown &entry : boxes) {
        ++m_counts.boxes;
        const QString &shown = entry.text;
        const auto due = std::find_if(m_dueBoxes.begin(), m_dueBoxes.end(), [&](const DueBox &box) {
            if (!shown.startsWith(box.firstLine))
                return false;
            if (box.numbers.empty())
                return true;
            return std::any_of(box.numbers.begin(), box.numbers.end(), [&](int number) {
                return shown.contains(QStringLiteral("エラー番号：%1\r\n").arg(number));
            });
        });
        if (due == m_dueBoxes.end()) {
            fail("an error box nobody should have seen: " + text(shown));
            return;
        }
        m_dueBoxes.erase(due);
    }
    if (!m_dueBoxes.empty())
        fail("no box told the user: " + text(m_dueBoxes.front().firstLine));
    m_dueBoxes.clear();
    if (m_boxes.beeps != m_beepsDue)
        fail(std::to_string(m_boxes.beeps) + " beeps where " + std::to_string(m_beepsDue)
            + " were due");
}

void SoakChecker::checkListAgainstFolder()
{
    if (m_listChecked)
        return;
    m_listChecked = true;
    // Every song in the folder is listed once, each entry showing its file's name; a search of
    // a folder that has gone lists nothing.
    const frmMain &w = *m_window;
    std::vector<std::string> listed = w.SongPaths;
    std::vector<std::string> present
        = m_folderExisted ? m_tree.presentSongs() : std::vector<std::string>();
    std::sort(listed.begin(), listed.end());
    std::sort(present.begin(), present.end());
    if (listed != present)
        fail("the list holds " + std::to_string(listed.size()) + " songs where the folder has "
            + std::to_string(present.size()) + ", or other ones");
    for (size_t i = 0; i < w.SongPaths.size() && !failed(); ++i) {
        const std::string &path = w.SongPaths[i];
        const SoakTree::Song *song = m_tree.song(path);
        const QString name = QString::fromStdString(path.substr(path.rfind('/') + 1));
        if (song && song->utf8Name && w.SongList->List(static_cast<int>(i)) != name)
            fail("entry " + std::to_string(i) + " shows "
                + text(w.SongList->List(static_cast<int>(i))) + " for " + path);
    }
}

bool SoakChecker::checkAfterAction()
{
    samplePosition();
    checkBoxes();
    checkDisplay();
    checkEnabling();
    checkListAgainstFolder();
    return !failed();
}
