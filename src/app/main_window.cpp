#include "app/main_window.h"

#include "app/app_icon.h"
#include "app/button_pictures.h"
#include "app/gothic_font.h"
#include "app/twips.h"
#include "platform/screen_metrics.h"
#include "playback/player.h"
#include "playback/seek_slider.h"
#include "songlist/drive_list.h"
#include "songlist/folder_list.h"
#include "songlist/song_list_view.h"
#include "window/tray_message.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace {

constexpr double ClientWidthTwips = 3885;
constexpr double ClientHeightTwips = 7215;

const QColor DisplayGreen(0, 255, 0);

// The widest song number the display is laid out for; longer lists condense it further.
const QString UsualSongNumber = QStringLiteral("0000/0000");

void paintDisplay(QLabel *label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, DisplayGreen);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

} // namespace

frmMain::frmMain(Platform &platform, QWidget *parent)
    : QWidget(parent), MediaPlayer(platform.player), m_platform(platform)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Brenlowick"));
    setWindowIcon(programIcon());
    // The controls without a font of their own take the window's: a Japanese Gothic face.
    setFont(gothicFont(9));
    setFixedWidth(twipsToPixels(ClientWidthTwips, m_platform.screen.twipsPerPixelX()));
    resize(width(), twipsToPixels(ClientHeightTwips, m_platform.screen.twipsPerPixelY()));
    buildControls();
    buildMenu();
    connectHandlers();
}

frmMain::~frmMain() = default;

QRect frmMain::toPixels(double left, double top, double width, double height) const
{
    return twipsRect(left, top, width, height, m_platform.screen.twipsPerPixelX(),
                     m_platform.screen.twipsPerPixelY());
}

void frmMain::buildControls()
{
    // Created back to front: the display background first, so the labels stand on it.
    buildDisplay();
    buildTransport();
    buildSongArea();
    buildOptions();

    CountTimer = new QTimer(this);
    CountTimer->setObjectName(QStringLiteral("CountTimer"));
    CountTimer->setInterval(250);
}

void frmMain::buildDisplay()
{
    auto makeLabel = [this](const char *name, const QString &text, double l, double t, double w,
                            double h) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        // Tags and numbers are shown as they are: a title like "<b>Live</b>" is no markup.
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setGeometry(toPixels(l, t, w, h));
        paintDisplay(label);
        return label;
    };
    lblBack = makeLabel("lblBack", QString(), -120, -210, 4095, 705);
    lblBack->setFont(gothicFont(9.75));
    lblCount = makeLabel("lblCount", QStringLiteral("00:00:00"), 60, 30, 840, 270);
    lblCount->setFont(gothicFont(12));
    lblPivot = makeLabel("lblPivot", QString(), 30, 300, 870, 195);
    lblPivot->setFont(gothicFont(8.25));
    condenseToFit(lblCount, QStringLiteral("00:00:00"));
    showSongNumber(QStringLiteral("----/----"));
    lblTitle = makeLabel("lblTitle", QString(), 1530, 270, 2265, 195);
    Label1 = makeLabel("Label1", QStringLiteral("Title："), 1080, 270, 420, 195);
    Label2 = makeLabel("Label2", QStringLiteral("Artist："), 990, 45, 555, 195);
    condenseToFit(Label1, Label1->text());
    condenseToFit(Label2, Label2->text());
    lblArtist = makeLabel("lblArtist", QString(), 1530, 60, 2265, 195);

    // Outside the visible width and used by nothing, like the player control's own place.
    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setGeometry(toPixels(4365, 465, 480, 480));
    imgIcon->setPixmap(programIcon().pixmap(32, 32));

    Slider = new SeekSlider(this);
    Slider->setObjectName(QStringLiteral("Slider"));
    Slider->setGeometry(toPixels(15, 540, 3855, 165));
    // Filling its own background makes the slider opaque, so the thumb's moves repaint the slider
    // alone and not the window beneath it too.
    Slider->setAutoFillBackground(true);
}

void frmMain::showSongNumber(const QString &text)
{
    lblPivot->setText(text);
    // Half width at the least: "1000000/1000000" still fits, and digits stay legible.
    condenseToFit(lblPivot, QStringList{UsualSongNumber, text}, 50);
}

void frmMain::buildTransport()
{
    auto makeButton = [this](const QString &name, const QIcon &picture, const QString &tip,
                             double left) {
        auto *button = new QPushButton(this);
        button->setObjectName(name);
        button->setIcon(picture);
        button->setIconSize(QSize(20, 20));
        button->setToolTip(tip);
        button->setGeometry(toPixels(left, 705, 330, 330));
        return button;
    };
    cmdEnd = makeButton(QStringLiteral("cmdEnd"), ButtonPicture::end(),
                        QStringLiteral("終了します"), 3450);
    const std::array<QIcon, 5> pictures = {ButtonPicture::play(), ButtonPicture::pause(),
                                           ButtonPicture::stop(), ButtonPicture::previous(),
                                           ButtonPicture::next()};
    const std::array<QString, 5> tips = {
        QStringLiteral("再生します"), QStringLiteral("一時停止します"), QStringLiteral("停止します"),
        QStringLiteral("前の曲に移動します"), QStringLiteral("次の曲に移動します")};
    const std::array<double, 5> lefts = {120, 435, 750, 1170, 1485};
    for (int index = 4; index >= 0; --index) {
        cmdPlayPanel[index] = makeButton(QStringLiteral("cmdPlayPanel_%1").arg(index),
                                         pictures[index], tips[index], lefts[index]);
        cmdPlayPanel[index]->setEnabled(false);
    }
    cmdFormExpand = makeButton(QStringLiteral("cmdFormExpand"), ButtonPicture::expand(),
                               QStringLiteral("画面サイズを変更します"), 1935);
    cmdFormExpand->setFont(gothicFont(9.75));
}

void frmMain::buildSongArea()
{
    SongList = new SongListView(this);
    SongList->setObjectName(QStringLiteral("SongList"));
    SongList->setGeometry(toPixels(30, 1260, 3795, 1320));
    SongList->setEnabled(false);

    Drive = new DriveList(m_platform.drives, this);
    Drive->setObjectName(QStringLiteral("Drive"));
    Drive->setGeometry(toPixels(45, 2790, 3795, 300));

    DirTree = new FolderList(this);
    DirTree->setObjectName(QStringLiteral("DirTree"));
    DirTree->setGeometry(toPixels(45, 3150, 3795, 1560));

    cmdGetFiles = new QPushButton(QStringLiteral("ファイル取得"), this);
    cmdGetFiles->setObjectName(QStringLiteral("cmdGetFiles"));
    cmdGetFiles->setToolTip(QStringLiteral("ファイルを検索し曲リストを生成します"));
    cmdGetFiles->setGeometry(toPixels(180, 4800, 3525, 315));
}

void frmMain::buildOptions()
{
    auto makeFrame = [this](const char *name, const QString &caption, double l, double t,
                            double w, double h) {
        auto *frame = new QGroupBox(caption, this);
        frame->setObjectName(QLatin1String(name));
        frame->setGeometry(toPixels(l, t, w, h));
        return frame;
    };
    auto makeCheck = [this](QWidget *parent, const char *name, const QString &caption,
                            const QString &tip, double l, double t, double w, double h) {
        auto *box = new QCheckBox(caption, parent);
        box->setObjectName(QLatin1String(name));
        box->setToolTip(tip);
        box->setGeometry(toPixels(l, t, w, h));
        return box;
    };
    // Frame3 groups the options visually; the boxes are the window's own children above it.
    Frame3 = makeFrame("Frame3", QStringLiteral("オプション"), 135, 5190, 3585, 1605);
    Frame2 = makeFrame("Frame2", QStringLiteral("起動時"), 1800, 5775, 1770, 900);
    Frame1 = makeFrame("Frame1", QStringLiteral("再生モード"), 270, 5775, 1455, 915);
    chkRandom = makeCheck(this, "chkRandom", QStringLiteral("ファイルをランダム順に取得する"),
                          QStringLiteral("曲順をランダムに取得ます"), 270, 5415, 2850, 315);
    chkAutoPlay = makeCheck(this, "chkAutoPlay", QStringLiteral("再生を開始する"),
                            QStringLiteral("再生を開始します"), 1935, 5955, 1515, 345);
    chkMinimum = makeCheck(this, "chkMinimum", QStringLiteral("最小化する"),
                           QStringLiteral("最小化した状態で起動します"), 1935, 6270, 1185, 360);
    chkPlayRepeat = makeCheck(Frame1, "chkPlayRepeat", QStringLiteral("リピート"),
                              QStringLiteral("１曲を繰り返し再生します"), 135, 240, 1005, 255);
    chkPlayLoop = makeCheck(Frame1, "chkPlayLoop", QStringLiteral("ループ"),
                            QStringLiteral("曲リスト内を繰り返し再生します"), 135, 540, 870, 255);
    chkPlayLoop->setChecked(true);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth)
                          + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) + 4;
    for (QCheckBox *box : {chkRandom, chkAutoPlay, chkMinimum, chkPlayRepeat, chkPlayLoop})
        condenseToFit(box, box->text(), indicator);
}

void frmMain::buildMenu()
{
    // Never shown as a menu bar: it is the tray popup, opened by the tray icon's handler.
    mnuPopup = new QMenu(QStringLiteral("タスクトレイポップアップ"), this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopup->menuAction()->setVisible(false);
    auto addItem = [this](const QString &name, const QString &caption) {
        QAction *action = mnuPopup->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    auto addLine = [this](const QString &name) {
        QAction *line = mnuPopup->addSeparator();
        line->setObjectName(name);
        return line;
    };
    mnuDisplay = addItem(QStringLiteral("mnuDisplay"), QStringLiteral("元に戻す"));
    mnuLine0 = addLine(QStringLiteral("mnuLine0"));
    const std::array<QString, 5> captions = {QStringLiteral("再生"), QStringLiteral("一時停止"),
                                             QStringLiteral("停止"), QStringLiteral("前の曲へ"),
                                             QStringLiteral("次の曲へ")};
    for (size_t index = 0; index < captions.size(); ++index)
        mnuPlayControl[index] =
            addItem(QStringLiteral("mnuPlayControl_%1").arg(index), captions[index]);
    mnuLine1 = addLine(QStringLiteral("mnuLine1"));
    mnuAbout = addItem(QStringLiteral("mnuAbout"), QStringLiteral("Brenlowickについて"));
    mnuLine2 = addLine(QStringLiteral("mnuLine2"));
    mnuEnd = addItem(QStringLiteral("mnuEnd"), QStringLiteral("終了する"));
}

void frmMain::connectHandlers()
{
    connect(cmdEnd, &QPushButton::clicked, this, &frmMain::cmdEnd_Click);
    connect(mnuEnd, &QAction::triggered, this, &frmMain::mnuEnd_Click);
    for (int16_t index = 0; index < 5; ++index) {
        connect(cmdPlayPanel[index], &QPushButton::clicked, this,
                [this, index] { cmdPlayPanel_Click(index); });
        connect(mnuPlayControl[index], &QAction::triggered, this,
                [this, index] { mnuPlayControl_Click(index); });
    }
    connect(cmdFormExpand, &QPushButton::clicked, this, &frmMain::cmdFormExpand_Click);
    connect(cmdGetFiles, &QPushButton::clicked, this, &frmMain::cmdGetFiles_Click);
    connect(chkPlayRepeat, &QCheckBox::clicked, this, &frmMain::chkPlayRepeat_Click);
    connect(SongList, &SongListView::Click, this, &frmMain::SongList_Click);
    connect(Drive, &DriveList::Change, this, &frmMain::Drive_Change);
    connect(DirTree, &FolderList::Change, this, &frmMain::DirTree_Change);
    connect(Slider, &SeekSlider::Click, this, &frmMain::Slider_Click);
    connect(CountTimer, &QTimer::timeout, this, &frmMain::CountTimer_Timer);
    connect(&MediaPlayer, &MediaPlayer::EndOfStream, this, &frmMain::MediaPlayer_EndOfStream);
    connect(&MediaPlayer, &MediaPlayer::ClipInfoChanged, this,
            &frmMain::MediaPlayer_ClipInfoChanged);
    connect(mnuDisplay, &QAction::triggered, this, &frmMain::mnuDisplay_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
    connect(&m_platform.tray, &TrayIconService::mouseMessage, this, [this](int32_t message) {
        // The icon's callback arrives as a mouse move whose X, in twips, carries the message.
        const double x = trayXForMessage(message, m_platform.screen.twipsPerPixelX());
        Form_MouseMove(0, 0, static_cast<float>(x), 0.0F);
    });
    connect(&m_platform.tray, &TrayIconService::availabilityChanged, this,
            &frmMain::trayAvailabilityChanged);
}

void frmMain::ReportError(const QString &Message, const QString &ErrNumber,
                          const QString &ErrDescription)
{
    ::ReportError(m_platform.messageBox, Message, ErrNumber, ErrDescription);
}
