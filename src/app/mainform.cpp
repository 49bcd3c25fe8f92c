#include "app/mainform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <iostream>

#include "app/aboutbox.h"
#include "app/dialogs.h"
#include "app/errorreport.h"
#include "app/settingsstore.h"
#include "app/yesnodialog.h"
#include "app/log/logwindow.h"
#include "charts/channelchart.h"
#include "charts/channelsplitter.h"
#include "exchange/recordexport.h"
#include "files/flashconversion.h"
#include "files/flashform.h"
#include "files/summarywindow.h"
#include "link/recordingrun.h"
#include "link/statuswindow.h"
#include "net/remotestation.h"
#include "widgets/zoomler.h"

const QString TMainForm::kVersionText = QStringLiteral("Version 1.4 - 22.05.2007");
const QString TMainForm::kStopAndExitQuestion = QStringLiteral("Recording is running. Stop it and exit?");

QString TMainForm::notFoundText(const QString& fileName) {
    return QStringLiteral("File \r\n") + fileName + QStringLiteral("\r\n") + QStringLiteral(" not found :-( !");
}

namespace {

const char* const kChannelCaptions[TMainForm::kChannels] = {"B&x", "B&y", "B&z", "T&s", "T&e", "&F"};

QToolButton* makeBarButton(QWidget* parent, const char* name, const QString& hint,
                           QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

// The serial port's name at start: the platform's first serial port.
QString firstSerialPortName() {
#ifdef Q_OS_WIN
    return QStringLiteral("COM1");
#else
    return QStringLiteral("ttyS0");
#endif
}

}  // namespace

TMainForm::TMainForm(const MainFormOptions& options, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Kordel-K5"));
    buildMenu();
    buildControls();
    buildStatusBar();
    move(64, 78);
    resize(909, 569);
    setAcceptDrops(true);
    // Key preview: the main window sees every key before the focused control.
    qApp->installEventFilter(this);
    FormCreate(options);
    placeRemoteStation();
}

// "Remote station..." follows "ComPort" on the menu bar; the station's state
// shows in the state panel; while watching, Record waits. The station's lines
// reach the charts as a recording's do, through events of their own.
void TMainForm::placeRemoteStation() {
    auto* lines = new kordel::RecorderEvents;
    connectCharts(*lines);
    remote_ = new kordel::RemoteStation(this, *lines, settingsFileName());
    lines->setParent(remote_);  // outlives the station's own parts
    placeCapability(remote_, StatusPanel[3]);
    connect(remote_, &kordel::RemoteStation::watchingChanged, this,
            [this](bool watching) {
                SpeedButton8->setEnabled(!watching);
                if (!watching) {
                    StatusPanel[0]->clear();
                }
                updatePauseButton();
            });
}

void TMainForm::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    N5 = file;
    file->setObjectName(QStringLiteral("N5"));
    OpenDATA1 = file->addAction(QStringLiteral("&Open file"), this, &TMainForm::OpenDATA1Click);
    OpenDATA1->setObjectName(QStringLiteral("OpenDATA1"));
    OpenFolder1 = file->addAction(QStringLiteral("Open &folder..."), this, &TMainForm::OpenFolder1Click);
    OpenFolder1->setObjectName(QStringLiteral("OpenFolder1"));
    Recentdata1 = file->addMenu(QStringLiteral("List of files..."));
    Recentdata1->setObjectName(QStringLiteral("Recentdata1"));
    Recentdata1->setEnabled(false);
    file->addSeparator();
    Exit1 = file->addAction(QStringLiteral("&Exit"), this, &TMainForm::Exit1Click);
    Exit1->setObjectName(QStringLiteral("Exit1"));
    View1 = menuBar()->addMenu(QStringLiteral("View"));
    View1->setObjectName(QStringLiteral("View1"));
    Statistics1 = View1->addAction(QStringLiteral("Statistics"), this, &TMainForm::Statistics1Click);
    Statistics1->setObjectName(QStringLiteral("Statistics1"));
    N24 = menuBar()->addAction(QStringLiteral("ComPort"), this, &TMainForm::N24Click);
    N24->setObjectName(QStringLiteral("N24"));
    N2 = menuBar()->addAction(QStringLiteral("About"), this, &TMainForm::N2Click);
    N2->setObjectName(QStringLiteral("N2"));
}

void TMainForm::buildControls() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* bar = new QFrame(central);
    bar->setObjectName(QStringLiteral("Panel6"));
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* barColumn = new QVBoxLayout(bar);
    barColumn->setContentsMargins(2, 2, 2, 0);
    barColumn->setSpacing(2);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (int k = 0; k < kChannels; ++k) {
        CheckBox[k] = new QCheckBox(QString::fromLatin1(kChannelCaptions[k]), bar);
        CheckBox[k]->setObjectName(QStringLiteral("CheckBox%1").arg(k));
        CheckBox[k]->setChecked(k != kTotalField);  // F is shown on demand
        connect(CheckBox[k], &QCheckBox::toggled, this, [this, k] { CheckBox0Click(k); });
        row->addWidget(CheckBox[k]);
    }
    row->addSpacing(8);
    SpeedButton8 = makeBarButton(bar, "SpeedButton8", QStringLiteral("Record"), QStyle::SP_MediaPlay);
    SpeedButton7 = makeBarButton(bar, "SpeedButton7", QStringLiteral("Stop"), QStyle::SP_MediaStop);
    PauseButton = makeBarButton(bar, "PauseButton", QStringLiteral("Pause"), QStyle::SP_MediaPause);
    PauseButton->setText(QStringLiteral("Pause"));
    PauseButton->setCheckable(true);
    PauseButton->setEnabled(false);  // until lines arrive live
    SpeedButton5 = new QToolButton(bar);
    SpeedButton5->setObjectName(QStringLiteral("SpeedButton5"));
    SpeedButton5->setText(QStringLiteral("&Status"));
    SpeedButton5->setAutoRaise(true);
    SpeedButton5->setFocusPolicy(Qt::NoFocus);
    // The Flash button shows the flash conversion's action (placed with the capabilities).
    SpeedButton3 = makeBarButton(bar, "SpeedButton3", QStringLiteral("Flash"), QStyle::SP_DriveFDIcon);
    SpeedButton6 = makeBarButton(bar, "SpeedButton6", QStringLiteral("log-file"),
                                 QStyle::SP_FileDialogDetailedView);
    Panel8 = new QLabel(bar);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    Panel8->setToolTip(QStringLiteral("Record"));
    Panel8->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont large = Panel8->font();
    large.setPointSize(large.pointSize() + 6);
    large.setBold(true);
    Panel8->setFont(large);
    Panel8->setFixedWidth(110);
    SpeedButton9 = makeBarButton(bar, "SpeedButton9", QStringLiteral("Range"),
                                 QStyle::SP_TitleBarNormalButton);
    SpeedButton10 = makeBarButton(bar, "SpeedButton10", QStringLiteral("Zoom"),
                                  QStyle::SP_TitleBarMaxButton);
    CrossMouseCB = new QCheckBox(QStringLiteral("Mouse"), bar);
    CrossMouseCB->setObjectName(QStringLiteral("CrossMouseCB"));
    connect(CrossMouseCB, &QCheckBox::toggled, this, &TMainForm::CrossMouseCBClick);
    AutoYCB = new QCheckBox(QStringLiteral("Auto Y"), bar);
    AutoYCB->setObjectName(QStringLiteral("AutoYCB"));
    connect(AutoYCB, &QCheckBox::toggled, this, &TMainForm::AutoYCBClick);

    connect(SpeedButton8, &QToolButton::clicked, this, &TMainForm::SpeedButton8Click);
    connect(SpeedButton7, &QToolButton::clicked, this, &TMainForm::SpeedButton7Click);
    // Toggled, not clicked: Stop releases it too.
    connect(PauseButton, &QToolButton::toggled, this, &TMainForm::PauseButtonClick);
    connect(SpeedButton5, &QToolButton::clicked, this, &TMainForm::SpeedButton5Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &TMainForm::SpeedButton6Click);
    connect(SpeedButton9, &QToolButton::clicked, this, &TMainForm::SpeedButton9Click);
    connect(SpeedButton10, &QToolButton::clicked, this, &TMainForm::SpeedButton10Click);

    for (QWidget* w : {static_cast<QWidget*>(SpeedButton8), static_cast<QWidget*>(SpeedButton7),
                       static_cast<QWidget*>(PauseButton),
                       static_cast<QWidget*>(SpeedButton5), static_cast<QWidget*>(SpeedButton3),
                       static_cast<QWidget*>(SpeedButton6), static_cast<QWidget*>(Panel8),
                       static_cast<QWidget*>(SpeedButton9), static_cast<QWidget*>(SpeedButton10),
                       static_cast<QWidget*>(CrossMouseCB), static_cast<QWidget*>(AutoYCB)}) {
        row->addWidget(w);
    }
    row->addStretch();
    barColumn->addLayout(row);

    auto* xBar = new TZoomler(bar);
    XZoomler = xBar;
    xBar->setObjectName(QStringLiteral("XZoomler"));
    xBar->setOrientation(TOrientation::Horizontal);
    xBar->setFixedHeight(14);
    barColumn->addWidget(xBar);  // along the bottom of the control bar
    // The time window follows the bar's scrolling, zooming and change events.
    for (auto sig : {&TZoomler::OnScrolling, &TZoomler::OnZooming, &TZoomler::OnChanged}) {
        connect(xBar, sig, this, [this](TZoomler*) { XZoomlerChanged(); });
    }
    column->addWidget(bar);

    PanelArea = new QWidget(central);
    PanelArea->setObjectName(QStringLiteral("PanelArea"));
    PanelArea->installEventFilter(this);
    // Room for every panel: the window cannot be made so low that one is cut off.
    PanelArea->setMinimumHeight(kChannels * 24 + (kChannels - 1) * 3);
    buildChannelPanels(PanelArea);
    column->addWidget(PanelArea, 1);
    setCentralWidget(central);
}

void TMainForm::buildChannelPanels(QWidget* area) {
    for (int k = 0; k < kChannels; ++k) {
        Panel[k] = new QWidget(area);
        Panel[k]->setObjectName(QStringLiteral("Panel%1").arg(k));
        auto* row = new QHBoxLayout(Panel[k]);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        // The vertical zoom bar with its design values, in the published
        // order (Step after Start and Finish), along the panel's left edge.
        auto* z = new TZoomler(Panel[k]);
        z->setObjectName(QStringLiteral("Zoomler%1").arg(k));
        z->setMin(1);
        z->setMax(100);
        z->setStart(30);
        z->setFinish(70);
        z->setStep(k == 0 ? 26.6666666666667 : 1);
        z->setSetStepAuto(true);
        z->setOrientation(TOrientation::Vertical);
        z->setFixedWidth(14);
        z->setTag(k);
        for (auto sig : {&TZoomler::OnScrolling, &TZoomler::OnZooming, &TZoomler::OnChanged}) {
            connect(z, sig, this, [this](TZoomler* b) { Zoomler0Changed(b->Tag()); });
        }
        Zoomler[k] = z;
        auto* chart = new ChannelChart(k, Panel[k]);
        chart->setObjectName(QStringLiteral("Chart%1").arg(k));
        connect(chart, &ChannelChart::Click, this, [this](ChannelChart* c) { Chart0Click(c->Tag()); });
        connect(chart, &ChannelChart::WheelTurned, this,
                [this](ChannelChart* c, int x, int y, int delta) { ChartWheel(c->Tag(), x, y, delta); });
        connect(chart, &ChannelChart::BoxDragged, this,
                [this](ChannelChart* c, const QRect& box) { ChartBox(c->Tag(), box); });
        connect(chart, &ChannelChart::DoubleClicked, this, [this](ChannelChart*) { ChartDoubleClick(); });
        connect(chart, &ChannelChart::MouseMove, this,
                [this](ChannelChart* c, int x, int y) { Chart0MouseMove(c->Tag(), x, y); });
        if (k == 0) {
            // Only the first chart has an exit handler.
            connect(chart, &ChannelChart::Exit, this, [this](ChannelChart*) { Chart0Exit(); });
        }
        Chart[k] = chart;
        row->addWidget(Zoomler[k]);
        row->addWidget(Chart[k], 1);
        Panel[k]->hide();
    }
    for (int k = 0; k < kChannels - 1; ++k) {
        auto* splitter = new ChannelSplitter(k, area);
        splitter->setObjectName(QStringLiteral("Splitter%1").arg(k));
        connect(splitter, &ChannelSplitter::DragStarted, this,
                [this](ChannelSplitter* s) { Splitter0Pressed(s->Tag()); });
        connect(splitter, &ChannelSplitter::Dragged, this,
                [this](ChannelSplitter* s, int dy) { Splitter0Moved(s->Tag(), dy); });
        Splitter[k] = splitter;
        Splitter[k]->hide();
    }
}

void TMainForm::buildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    const int widths[4] = {150, 100, 50, 50};
    for (int i = 0; i < 4; ++i) {
        StatusPanel[i] = new QLabel(StatusBar1);
        StatusPanel[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanel[i]->setMinimumWidth(widths[i]);
        if (i < 2) {
            StatusPanel[i]->setFixedWidth(widths[i]);
        }
        // The read-out is as wide as its text; the state panel takes the rest.
        StatusBar1->addWidget(StatusPanel[i], i == 3 ? 1 : 0);
    }
    setStatusBar(StatusBar1);
    StatusBar1->installEventFilter(this);
}

void TMainForm::FormCreate(const MainFormOptions& options) {
    // 1. The panels as the check boxes are designed (all checked).
    LayoutChannels();
    // 2. Charts and series are kept by channel number in Chart[] (filled above).
    // 3. The progress bar lies over status panel 1 and serves the data file reader.
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    placeProgressBar();
    ProgressBar1->show();
    // 4. The settings file lies beside the executable, whatever the working directory,
    // unless the program is installed (then in the user's configuration folder).
    const QString exeDir =
        options.exeDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.exeDir;
    const kordel::SettingsPlace place = kordel::locateSettings(exeDir);
    settingsNote_ = QString::fromStdString(place.logNote);
    settingsFile_ = std::make_unique<kordel::SettingsStore>(
        QDir(QString::fromStdString(place.folder)).filePath(QStringLiteral("kordel.ini")));
    selectedChart_ = -1;
    kordel::PortSettings port;
    port.portName = options.portName.isEmpty() ? firstSerialPortName() : options.portName;
    ComPort1 = options.portFactory ? options.portFactory(port) : kordel::createSerialPort(port);
    connect(ComPort1.get(), &kordel::SerialPort::dataArrived, this, &TMainForm::ComPortRxChar);
    // The failure is reported before the recording run (made next) ends.
    connect(ComPort1.get(), &kordel::SerialPort::failed, this, &TMainForm::onPortFailed);
    connectRecordingRun();
    connectInstrumentSession();
    createCapabilities();
    // 5. A data file named on the command line is plotted before the window
    // shows and becomes the current data file, as File > Open makes it.
    bool fileLoaded = false;
    QStringList named = options.dataFiles;
    if (named.isEmpty() && !options.dataFile.isEmpty()) {
        named << options.dataFile;
    }
    QStringList present;
    for (const QString& path : named) {
        if (QFileInfo(path).isFile() || QFileInfo(path).isDir()) {
            present << path;
        } else {
            kordel::ErrorReport::instance().report(notFoundText(path));
        }
    }
    if (!present.isEmpty()) {
        fileLoaded = LoadDataFiles(present);
    }
    // 6. The version in the caption, unless a file gave it its name.
    if (!fileLoaded || currentDataFileName_.isEmpty()) {
        setWindowTitle(QStringLiteral("Kordel-K5 - ") + kVersionText);
    }
    // 7. (The current day starts at 0 in the recorder.)
    CrossMouseCB->setChecked(false);
    // 8. The log stays in the folder the program was started in.
    startFolder_ = QDir::currentPath();
    log_.setPath(QDir(startFolder_).filePath(QStringLiteral("kordel.log")).toStdString());
    // 9. A failure to write this line is reported later and leaves step 10 to run.
    WriteLog(QStringLiteral("Start program KORDEL-K5 ") + kVersionText);
    // 10.
    // (No reply is awaited; the recording run's recorder is at block position 1.)
    // The log reaches the disk within about a second of a write (the recording
    // run does the same for the daily files).
    auto* syncTimer = new QTimer(this);
    connect(syncTimer, &QTimer::timeout, this, [this] {
        if (const auto status = log_.syncIfDue(); !status) {
            kordel::ErrorReport::instance().report(QString::fromStdString(status.message()));
        }
    });
    syncTimer->start(static_cast<int>(kordel::BatchedSync::kTick.count()));
    if (!fileLoaded) {
        currentDataFileName_ = QStringLiteral("!.pc");
    }
    kordel::ErrorReport::instance().setParentWidget(this);
}

void TMainForm::createSecondaryWindows() {
    LogFile = new TLogFile(log_, this);
    AboutBox = new TAboutBox(this);
    for (kordel::Capability* c : capabilities_) {
        c->createWindows(this);
    }
    inf = flash_->summaryWindow();
    Flash = flash_->form();
    Form6 = new TForm6(this);
    YesNo = new TYesNo(&answerFlag_, this);
}

TMainForm::~TMainForm() {
    // FormDestroy: release the settings file, close the port, log the end
    // (when closing the window has not done so already).
    qApp->removeEventFilter(this);
    if (!settingsSaved_) {
        saveSettings();
    }
    settingsFile_.reset();
    closeSerialPort();
    logExit();
}

void TMainForm::logExit() {
    if (exitLogged_) {
        return;
    }
    exitLogged_ = true;
    run_->syncNow();  // a recording still running is on the disk before the end
    kordel::IoStatus status = log_.write("Exit program");
    if (status) {
        status = log_.syncNow();  // the last entries go to the disk now
    }
    if (status) {
        return;
    }
    // A report queued now would wait for an event loop that is ending.
    const QString message = QString::fromStdString(status.message());
    if (QThread::currentThread()->loopLevel() > 0 || isVisible()) {
        kordel::dialogs().error(isVisible() ? this : nullptr, message);
    } else {
        std::cerr << "kordel: " << status.message() << '\n';
    }
}

QString TMainForm::settingsFileName() const {
    return settingsFile_ ? settingsFile_->path() : QString();
}

void TMainForm::WriteLog(const QString& text) { WriteLogBytes(text.toStdString()); }

void TMainForm::WriteLogBytes(std::string_view bytes) {
    if (const auto status = log_.write(bytes); !status) {
        kordel::ErrorReport::instance().report(QString::fromStdString(status.message()));
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!settingsRestored_) {
        settingsRestored_ = true;
        // Only now has the panel area its designed height: lay the channels out
        // in it before the stored heights and check boxes are applied.
        LayoutChannels();
        restoreSettings();
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (linkState() == Recording) {
        if (!kordel::dialogs().yesNo(this, kStopAndExitQuestion, kStopAndExitQuestion)) {
            event->ignore();
            return;
        }
        // Every byte received so far, in Qt and in the driver, goes to the
        // file before the run ends.
        run_->drain();
        SpeedButton7Click();
    }
    if (!settingsSaved_) {
        saveSettings();
    }
    closeSerialPort();
    logExit();
    QMainWindow::closeEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // A key travels up the parents when the focused control ignores it; the
        // main window looks at it once, when it reaches the focused control.
        QWidget* focus = QApplication::focusWidget();
        if (w->window() == this && (w == focus || (focus == nullptr && w == this))) {
            FormKeyDown(static_cast<QKeyEvent*>(event));
        }
    } else if (event->type() == QEvent::Resize) {
        if (watched == PanelArea) {
            layout_.resize(PanelArea->height());
            applyLayout();
        } else if (watched == StatusBar1) {
            placeProgressBar();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::placeProgressBar() {
    if (ProgressBar1 == nullptr) {
        return;
    }
    ProgressBar1->setGeometry(StatusPanel[1]->x(), 2, StatusPanel[1]->width(),
                              StatusBar1->height() - 2);
    ProgressBar1->raise();
}

void TMainForm::FormKeyDown(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
        ScrollByKey(event->key());
        break;
    default:
        break;
    }
}

// ---- channel panels ----

void TMainForm::LayoutChannels() {
    std::array<bool, kChannels> checked{};
    for (int k = 0; k < kChannels; ++k) {
        checked[k] = CheckBox[k]->isChecked();
    }
    layout_.layout(checked, PanelArea->height());
    applyLayout();
}

void TMainForm::applyLayout() {
    const int width = PanelArea->width();
    for (int k = 0; k < kChannels; ++k) {
        const kordel::Strip& p = layout_.panel(k);
        Panel[k]->setGeometry(0, p.top, width, p.height);
        Panel[k]->setVisible(p.shown);
    }
    for (int k = 0; k < kChannels - 1; ++k) {
        const kordel::Strip& s = layout_.splitter(k);
        Splitter[k]->setGeometry(0, s.top, width, s.height);
        Splitter[k]->setVisible(s.shown);
    }
}

void TMainForm::CheckBox0Click(int channel) {
    if (!CheckBox[channel]->isChecked() && layout_.count() < 2) {
        // The last shown channel cannot be switched off; checking it again runs
        // this handler once more, for the checked box.
        CheckBox[channel]->setChecked(true);
        return;
    }
    LayoutChannels();
    updateStatistics();
}

// ---- handlers that the other subsystems fill in ----

void TMainForm::SpeedButton3Click() { flash_->convert(); }

void TMainForm::createCapabilities() {
    flash_ = new kordel::FlashConversion(
        this, [this](const QString& text) { WriteLog(text); }, [this] { return openDialogInitialDir_; });
    placeCapability(flash_);
    SpeedButton3->setDefaultAction(flash_->convertAction());
    export_ = new kordel::RecordExport(this, [this] {
        const kordel::AxisRange window = Chart[0]->timeAxis();
        return kordel::RecordExport::View{Chart[0]->record(), window.min, window.max};
    });
    placeCapability(export_);
    const QList<QAction*> fileActions = N5->actions();
    N5->insertAction(fileActions.at(fileActions.indexOf(Exit1) - 1), export_->exportAction());  // above the separator
}

void TMainForm::placeCapability(kordel::Capability* capability, QLabel* statusLabel) {
    capabilities_.push_back(capability);
    for (QAction* action : capability->menuActions()) {
        menuBar()->insertAction(N2, action);  // before "About"
    }
    if (statusLabel != nullptr) {
        connect(capability, &kordel::Capability::statusTextChanged, statusLabel, &QLabel::setText);
        return;
    }
    auto* status = new QLabel(StatusBar1);
    status->setObjectName(capability->objectName() + QStringLiteral("Status"));
    status->setVisible(false);
    StatusBar1->addPermanentWidget(status);
    connect(capability, &kordel::Capability::statusTextChanged, status, [status](const QString& text) {
        status->setText(text);
        status->setVisible(!text.isEmpty());
    });
}

void TMainForm::SpeedButton6Click() { LogFile->showLog(); }

void TMainForm::Exit1Click() {
    // Closing the window closes the port, once a running recording is stopped.
    close();
}

void TMainForm::N2Click() {
    AboutBox->Version->setText(kVersionText);
    // Centred on the screen, not on the main window.
    if (const QScreen* s = screen()) {
        AboutBox->move(s->availableGeometry().center() - AboutBox->rect().center());
    }
    AboutBox->show();
    AboutBox->raise();
}
