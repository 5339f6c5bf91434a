#include "fakes/fake_platform.h"

#include "app/app_error.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMenu>

#include <algorithm>

void FakeMediaPlayer::maybeFail(const QString &call)
{
    const auto failure = failNext.find(call);
    if (failure == failNext.end())
        return;
    const int32_t number = failure->second;
    failNext.erase(failure);
    raiseError(number);
}

void FakeMediaPlayer::setFileName(const std::filesystem::path &path)
{
    calls << QStringLiteral("FileName:") + QString::fromStdString(path.native());
    maybeFail(QStringLiteral("FileName"));
    const auto bad = badFiles.find(path.filename().native());
    if (bad != badFiles.end())
        raiseError(bad->second);
    fileName = path;
    const auto clip = clips.find(path.filename().native());
    m_clip = clip != clips.end() ? clip->second : Clip{};
    position = 0.0;
    playing = false;
}

void FakeMediaPlayer::Play()
{
    calls << QStringLiteral("Play");
    maybeFail(QStringLiteral("Play"));
    playing = true;
}

void FakeMediaPlayer::Pause()
{
    calls << QStringLiteral("Pause");
    maybeFail(QStringLiteral("Pause"));
    playing = false;
}

void FakeMediaPlayer::Stop()
{
    calls << QStringLiteral("Stop");
    maybeFail(QStringLiteral("Stop"));
    playing = false;
}

double FakeMediaPlayer::CurrentPosition() const
{
    const_cast<FakeMediaPlayer *>(this)->maybeFail(QStringLiteral("CurrentPosition"));
    return position;
}

void FakeMediaPlayer::setCurrentPosition(double seconds)
{
    calls << QStringLiteral("SetPosition:%1").arg(seconds);
    maybeFail(QStringLiteral("SetPosition"));
    position = seconds;
}

double FakeMediaPlayer::Duration() const
{
    const_cast<FakeMediaPlayer *>(this)->maybeFail(QStringLiteral("Duration"));
    return m_clip.duration;
}

QString FakeMediaPlayer::GetMediaInfoString(int32_t infoType) const
{
    if (infoType == MediaInfo::Title)
        return m_clip.title;
    if (infoType == MediaInfo::Author)
        return m_clip.author;
    return {};
}

void RecordingMessageBox::show(Icon icon, const QString &text)
{
    shown.push_back({icon, text});
    OpenBox box;
    m_open.push_back(&box);
    if (onShow)
        onShow(text);
    if (modal && !box.dismissed) {
        QEventLoop loop;
        box.loop = &loop;
        // A real box posts events of its own as it opens (show, layout), and with them the
        // events already queued behind the one that opened it are delivered inside its loop.
        QMetaObject::invokeMethod(&loop, [] {}, Qt::QueuedConnection);
        loop.exec();
    }
    m_open.erase(std::find(m_open.begin(), m_open.end(), &box));
}

void RecordingMessageBox::dismiss()
{
    if (m_open.empty())
        return;
    OpenBox *box = m_open.back();
    box->dismissed = true;
    if (box->loop)
        box->loop->quit();
}

int32_t RecordingTray::notify(int32_t message, const NotifyIconData &data)
{
    messages.push_back(message);
    lastData = data;
    if (onNotify)
        onNotify(message);
    if (!available)
        return 0;
    if (message == TrayMessage::Add)
        iconShown = true;
    if (message == TrayMessage::Delete)
        iconShown = false;
    return 1;
}

void RecordingTray::popupAtPointer(QMenu &menu)
{
    ++popups;
    if (onPopup)
        onPopup(menu);
}

void FakeEventLoop::yield()
{
    ++yields;
    if (onYield)
        onYield();
    if (processEvents)
        QCoreApplication::processEvents();
}

std::filesystem::path FakeProcess::programFolder() const
{
    if (folderError)
        raiseError(*folderError);
    return folder;
}
