#include "bench/soak/soak_driver.h"

#include "about/about_box.h"
#include "app/main_window.h"
#include "bench/soak/soak_checker.h"
#include "bench/soak/soak_platform.h"
#include "bench/soak/soak_tree.h"
#include "playback/seek_slider.h"
#include "songlist/song_list_model.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include <algorithm>
#include <cmath>

// The toolkit's entry for a mouse event from the windowing system, which QtGui exports for
// test drivers.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow *window, const QPointF &local,
    const QPointF &global, Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
    Qt::KeyboardModifiers mods, int timestamp);

namespace {

// The left button, delivered as the windowing system delivers it: through the top-level window,
// so that the application's record of the buttons held, popups and modal windows see it as they
// see a user's hand, not only the widget aimed at.
void sendMouse(QWidget *widget, QEvent::Type type, QPoint at, Qt::MouseButtons held)
{
    QWidget *top = widget->window();
    QWindow *window = top->windowHandle();
    if (!window) {
        QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::LeftButton,
            held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
        return;
    }
    // Presses half a second apart: never taken for a double click.
    static int timestamp = 0;
    timestamp += type == QEvent::MouseButtonPress ? 500 : 1;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    qt_handleMouseEvent(window, QPointF(widget->mapTo(top, at)), QPointF(widget->mapToGlobal(at)),
        held, button, type, Qt::NoModifier, timestamp);
}

} // namespace

bool mayMovePosition(ActionKind kind)
{
    switch (kind) {
    case ActionKind::PressSize:
    case ActionKind::ToggleRepeat:
    case ActionKind::ToggleLoop:
    case ActionKind::ToggleRandom:
    case ActionKind::CloseBox:
    case ActionKind::TrayLeftPress:
    case ActionKind::TrayRestoreItem:
    case ActionKind::TrayAbout:
    case ActionKind::AboutOk:
    case ActionKind::AboutCredits:
    case ActionKind::MprisLoopStatus:
    case ActionKind::TreeAddSongs:
    case ActionKind::TreeDelete:
    case ActionKind::TreeCutShort:
    case ActionKind::TreeEmpty:
    case ActionKind::TreeRemoveFolder:
    case ActionKind::TreeRemoveChosen:
    case ActionKind::Wait:
    case ActionKind::PlayOut:
        return false;
    default:
        return true;
    }
}

SoakDriver::SoakDriver(frmMain &window, SoakTray &tray, MprisPlayerAdaptor &mpris, SoakTree &tree,
    SoakChecker &checker, uint64_t seed)
    : m_window(window)
    , m_tray(tray)
    , m_mpris(mpris)
    , m_tree(tree)
    , m_checker(checker)
    , m_random(seed ^ 0x74726565ULL)
{
}

Reach SoakDriver::reach() const
{
    Reach reach;
    reach.windowShown = m_window.isVisible();
    reach.formExpand = m_window.FormExpand;
    reach.aboutOpen = m_window.about() && m_window.about()->isVisible();
    reach.chosenFolderExists = m_tree.chosenFolderExists();
    return reach;
}

std::string SoakDriver::perform(const Action &action)
{
    switch (action.kind) {
    case ActionKind::PressTransport:
        return pressTransport(action.index);
    case ActionKind::TrayTransport:
        return trayTransport(action.index);
    case ActionKind::ClickListEntry:
        return clickListEntry(action.fraction);
    case ActionKind::SliderClickBeside:
        return sliderClickBeside(action.index % 2 == 0);
    case ActionKind::SliderDrag:
        return sliderDrag(action.fraction);
    case ActionKind::PressSize:
        return pressSize();
    case ActionKind::ToggleRepeat:
    case ActionKind::ToggleLoop:
    case ActionKind::ToggleRandom:
        return toggle(action.kind);
    case ActionKind::GetFiles:
        return getFiles();
    case ActionKind::CloseBox:
        return closeBox();
    case ActionKind::TrayLeftPress:
        return trayRestore(false);
    case ActionKind::TrayRestoreItem:
        return trayRestore(true);
    case ActionKind::TrayAbout:
        return trayAbout();
    case ActionKind::AboutOk:
        return aboutOk();
    case ActionKind::AboutCredits:
        return aboutCredits();
    case ActionKind::MprisPlayPause:
    case ActionKind::MprisNext:
    case ActionKind::MprisPrevious:
    case ActionKind::MprisStop:
        return mprisCommand(action.kind);
    case ActionKind::MprisSeek:
        return mprisSeek(action.fraction);
    case ActionKind::MprisSetPosition:
        return mprisSetPosition(action.fraction);
    case ActionKind::MprisLoopStatus:
        return mprisLoopStatus(action.index);
    case ActionKind::Wait:
        waitSampling(action.milliseconds);
        return std::to_string(action.milliseconds) + " ms";
    case ActionKind::PlayOut:
        return playOut();
    default:
        return changeFolder(action);
    }
}

void SoakDriver::click(QWidget *widget, QPoint at)
{
    sendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void SoakDriver::click(QWidget *widget)
{
    click(widget, widget->rect().center());
}

std::string SoakDriver::pressTransport(int index)
{
    QPushButton *button = m_window.cmdPlayPanel[static_cast<size_t>(index)];
    const bool enabled = button->isEnabled();
    const int startsBefore = m_checker.starts();
    click(button);
    if (enabled)
        m_checker.commandRan(static_cast<int16_t>(index), startsBefore);
    return "command " + std::to_string(index) + (enabled ? "" : " (greyed out)");
}

bool SoakDriver::pickFromPopup(QAction *item)
{
    bool picked = false;
    m_tray.pickItem = [&](QMenu &menu) {
        // A greyed-out item cannot be chosen; the popup closes without a command.
        if (menu.actions().contains(item) && item->isEnabled()) {
            item->trigger();
            picked = true;
        }
    };
    const int popupsBefore = m_tray.popups;
    m_tray.press(TrayMessage::RightButtonDown);
    m_tray.pickItem = nullptr;
    if (m_tray.popups != popupsBefore + 1)
        m_checker.fail("a right press on the icon in tray mode opened no popup");
    return picked;
}

std::string SoakDriver::trayTransport(int index)
{
    const int startsBefore = m_checker.starts();
    const bool ran = pickFromPopup(m_window.mnuPlayControl[static_cast<size_t>(index)]);
    if (ran)
        m_checker.commandRan(static_cast<int16_t>(index), startsBefore);
    return "tray command " + std::to_string(index) + (ran ? "" : " (greyed out)");
}

std::string SoakDriver::clickListEntry(double fraction)
{
    SongListView *list = m_window.SongList;
    if (list->ListCount() == 0)
        return "no entry to click";
    const int row = std::min(static_cast<int>(fraction * list->ListCount()), list->ListCount() - 1);
    const QModelIndex entry = list->model().index(row);
    list->scrollTo(entry);
    click(list->viewport(), list->visualRect(entry).center());
    return "row " + std::to_string(row) + (list->isEnabled() ? "" : " (list disabled)");
}

std::string SoakDriver::sliderClickBeside(bool forward)
{
    SeekSlider *slider = m_window.Slider;
    const QRect thumb = slider->handleRect();
    const int x = forward ? (thumb.right() + slider->width()) / 2 : thumb.left() / 2;
    if (forward ? x <= thumb.right() : x >= thumb.left())
        return "no room beside the thumb";
    const int before = slider->value();
    const int step = (forward ? 1 : -1) * slider->pageStep();
    const int startsBefore = m_checker.starts();
    const QPoint at(x, thumb.center().y());
    sendMouse(slider, QEvent::MouseButtonPress, at, Qt::LeftButton);
    // A hand takes a moment between press and release; a refresh tick often falls in it.
    waitSampling(std::uniform_int_distribution<int>(0, 300)(m_random));
    m_checker.seekStarting();
    sendMouse(slider, QEvent::MouseButtonRelease, at, Qt::NoButton);
    // The range is the one at the release: a length made exact while the button was held (a
    // file cut short as it plays) may have narrowed it.
    const int expected = std::clamp(before + step, 0, slider->maximum());
    if (m_checker.starts() == startsBefore && slider->value() != expected)
        m_checker.fail("a click beside the thumb moved the slider from " + std::to_string(before)
            + " to " + std::to_string(slider->value()) + ", not " + std::to_string(expected));
    m_checker.seekRan(slider->value());
    return std::string(forward ? "forward" : "back") + " from " + std::to_string(before);
}

std::string SoakDriver::sliderDrag(double fraction)
{
    SeekSlider *slider = m_window.Slider;
    if (slider->maximum() <= 0)
        return "nothing to drag";
    const QRect thumb = slider->handleRect();
    const int span = slider->width() - thumb.width();
    const int target = static_cast<int>(std::lround(fraction * slider->maximum()));
    const int pixels = QStyle::sliderPositionFromValue(0, slider->maximum(), target, span)
        - QStyle::sliderPositionFromValue(0, slider->maximum(), slider->value(), span);
    const QPoint from = thumb.center();
    const int startsBefore = m_checker.starts();
    const std::string done
        = "to " + std::to_string(target) + " of " + std::to_string(slider->maximum());
    sendMouse(slider, QEvent::MouseButtonPress, from, Qt::LeftButton);
    // The thumb is held across refresh ticks, and songs may end meanwhile.
    for (int step = 1; step <= 3 && !m_checker.failed(); ++step) {
        sendMouse(slider, QEvent::MouseMove, from + QPoint(pixels * step / 3, 0), Qt::LeftButton);
        waitSampling(std::uniform_int_distribution<int>(0, 80)(m_random));
    }
    m_checker.seekStarting();
    sendMouse(slider, QEvent::MouseButtonRelease, from + QPoint(pixels, 0), Qt::NoButton);
    if (m_checker.starts() == startsBefore && std::abs(slider->value() - target) > 1)
        m_checker.fail("the thumb dragged to " + std::to_string(target) + " came to rest at "
            + std::to_string(slider->value()));
    m_checker.seekRan(slider->value());
    return done;
}

std::string SoakDriver::pressSize()
{
    const int before = m_window.FormExpand;
    click(m_window.cmdFormExpand);
    if (m_window.FormExpand != before % 3 + 1)
        m_checker.fail("the size button went from " + std::to_string(before) + " to "
            + std::to_string(m_window.FormExpand));
    return "from " + std::to_string(before);
}

std::string SoakDriver::toggle(ActionKind kind)
{
    QCheckBox *box = kind == ActionKind::ToggleRepeat ? m_window.chkPlayRepeat
        : kind == ActionKind::ToggleLoop              ? m_window.chkPlayLoop
                                                      : m_window.chkRandom;
    const bool before = box->isChecked();
    const bool enabled = box->isEnabled();
    // On the box's square, where a click always lands whatever the caption's width.
    click(box, QPoint(6, box->height() / 2));
    if (box->isChecked() == before && enabled)
        m_checker.fail(box->objectName().toStdString() + " did not change when clicked");
    return std::string(box->isChecked() ? "on" : "off") + (enabled ? "" : " (greyed out)");
}

std::string SoakDriver::getFiles()
{
    m_checker.getFilesStarting(m_tree.chosenFolderExists(), !m_tree.presentSongs().empty());
    click(m_window.cmdGetFiles);
    return std::to_string(m_window.SongList->ListCount()) + " songs";
}

std::string SoakDriver::closeBox()
{
    // As the window manager's close button: a close the window did not ask for itself.
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    // notify() keeps the event spontaneous, where sendEvent() would mark it as the program's.
    QApplication::instance()->notify(&m_window, &close);
    if (m_window.isVisible() || !m_window.inTrayMode())
        m_checker.fail("the close box did not put the window in the tray");
    return {};
}

std::string SoakDriver::trayRestore(bool throughMenu)
{
    if (throughMenu)
        pickFromPopup(m_window.mnuDisplay);
    else
        m_tray.press(TrayMessage::LeftButtonDown);
    if (!m_window.isVisible() || m_window.inTrayMode())
        m_checker.fail("the window did not come back from the tray");
    return {};
}

std::string SoakDriver::trayAbout()
{
    pickFromPopup(m_window.mnuAbout);
    if (!m_window.about() || !m_window.about()->isVisible())
        m_checker.fail("the popup's About item showed no About box");
    return {};
}

std::string SoakDriver::aboutOk()
{
    click(m_window.about()->cmdOK);
    runEventLoopFor(0);
    if (m_window.about())
        m_checker.fail("the About box is still there after OK");
    return {};
}

std::string SoakDriver::aboutCredits()
{
    QPushButton *ok = m_window.about()->cmdOK;
    for (const char letter : std::string("vortl")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (letter - 'a'), Qt::NoModifier,
            QString(QLatin1Char(letter)));
        QApplication::sendEvent(ok, &press);
    }
    m_checker.creditsTyped();
    return {};
}
