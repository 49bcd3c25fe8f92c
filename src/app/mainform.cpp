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
#include "app/firstscreen.h"
#include "app/settingsstore.h"
#include "app/yesnodialog.h"
#include "app/log/logwindow.h"
#include "charts/activityview.h"
#include "charts/channelchart.h"
#include "charts/chartview.h"
#include "cleaning/datacleaning.h"
#include "exchange/cleaningcontext.h"
#include "exchange/recordexport.h"
#include "files/flashconversion.h"
#include "files/flashform.h"
#include "files/recordingsfolder.h"
#include "files/recordopening.h"
#include "files/summarywindow.h"
#include "link/recordingrun.h"
#include "widgets/barbutton.h"
#include "link/statuswindow.h"
#include "net/remotestation.h"

const QString TMainForm::kVersionText = QStringLiteral("Version 1.4 - 22.05.2007");
const QString TMainForm::kStopAndExitQuestion = QStringLiteral("Recording is running. Stop it and exit?");

QString TMainForm::notFoundText(const QString& fileName) {
    return QStringLiteral("File \r\n") + fileName + QStringLiteral("\r\n") + QStringLiteral(" not found :-( !");
}

namespace {

using kordel::makeBarButton;

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
    placeCapability(new kordel::FirstScreen({*this, *charts_, *OpenDATA1, *OpenFolder1, *Exit1,
                                             findChild<QAction*>(QStringLiteral("Export1")), *SpeedButton5, remote_,
                                             [this] { return charts_->showsRecord(); },
                                             [this] { return portName(); }}));
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
    placeCapability(new kordel::ActivityView(this, {*charts_, View1, StatusBar1, run_->events(), *lines, *remote_,
                                                    [this](const QString& t) { WriteLog(t); }}));
    connect(remote_, &kordel::RemoteStation::watchingChanged, this,
            [this](bool watching) {
                SpeedButton8->setEnabled(!watching);
                if (!watching) {
                    StatusPanel[0]->clear();
                }
                charts_->setLiveSource(linkState() == Recording || watching);
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
    Statistics1 = View1->addAction(QStringLiteral("Statistics"));
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
    // The charts make their own controls in the bar; the window places them.
    charts_ = new kordel::ChartView(
        bar, [this] { return linkState() == Recording; },
        [this] { return currentDataFileName_ != QStringLiteral("!.pc"); }, central);
    connect(Statistics1, &QAction::triggered, charts_, &kordel::ChartView::Statistics1Click);
    for (QCheckBox* box : charts_->CheckBox) row->addWidget(box);
    row->addSpacing(8);
    SpeedButton8 = makeBarButton(bar, "SpeedButton8", QStringLiteral("Record"), QStyle::SP_MediaPlay);
    SpeedButton7 = makeBarButton(bar, "SpeedButton7", QStringLiteral("Stop"), QStyle::SP_MediaStop);
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

    connect(SpeedButton8, &QToolButton::clicked, this, &TMainForm::SpeedButton8Click);
    connect(SpeedButton7, &QToolButton::clicked, this, &TMainForm::SpeedButton7Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TMainForm::SpeedButton5Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &TMainForm::SpeedButton6Click);

    for (QWidget* w : {static_cast<QWidget*>(SpeedButton8), static_cast<QWidget*>(SpeedButton7),
                       static_cast<QWidget*>(charts_->PauseButton), static_cast<QWidget*>(SpeedButton5),
                       static_cast<QWidget*>(SpeedButton3), static_cast<QWidget*>(SpeedButton6),
                       static_cast<QWidget*>(Panel8), static_cast<QWidget*>(charts_->SpeedButton9),
                       static_cast<QWidget*>(charts_->SpeedButton10), static_cast<QWidget*>(charts_->CrossMouseCB),
                       static_cast<QWidget*>(charts_->AutoYCB)}) {
        row->addWidget(w);
    }
    row->addStretch();
    barColumn->addLayout(row);

    barColumn->addWidget(charts_->XZoomler);  // along the bottom of the control bar
    column->addWidget(bar);
    column->addWidget(charts_, 1);
    setCentralWidget(central);
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
        if (i == 1) {
            StatusPanel[i]->setFixedWidth(widths[i]);  // under the progress bar
        }
        // The latest sample and the read-out are as wide as their texts; the state panel takes the rest.
        StatusBar1->addWidget(StatusPanel[i], i == 3 ? 1 : 0);
    }
    setStatusBar(StatusBar1);
    StatusBar1->installEventFilter(this);
    connect(charts_, &kordel::ChartView::readoutChanged, StatusPanel[2], &QLabel::setText);
    connect(charts_, &kordel::ChartView::latestSampleChanged, StatusPanel[0], &QLabel::setText);
    connect(charts_, &kordel::ChartView::failed, this, [](const QString& m) { kordel::ErrorReport::instance().report(m); });
}

void TMainForm::FormCreate(const MainFormOptions& options) {
    // 1. The panels as the check boxes are designed (all checked).
    charts_->LayoutChannels();
    // 2. The charts keep their panels by channel number (made above).
    // 3. The progress bar lies over status panel 1 and serves the data file reader.
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    placeProgressBar();
    ProgressBar1->show();
    opening_ = new kordel::RecordOpening(this, ProgressBar1, [this](const QString& text) { WriteLog(text); });
    StatusBar1->addPermanentWidget(opening_->cancelButton());
    // 4. The settings file lies beside the executable, whatever the working directory,
    // unless the program is installed (then in the user's configuration folder).
    const QString exeDir =
        options.exeDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.exeDir;
    const kordel::SettingsPlace place = kordel::locateSettings(exeDir);
    settingsNote_ = QString::fromStdString(place.logNote);
    settingsFile_ = std::make_unique<kordel::SettingsStore>(
        QDir(QString::fromStdString(place.folder)).filePath(QStringLiteral("kordel.ini")));
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
    charts_->CrossMouseCB->setChecked(false);
    // 8. The log stays in the folder the program was started in.
    startFolder_ = QDir::currentPath();
    log_.setPath(QDir(startFolder_).filePath(QStringLiteral("kordel.log")).toStdString());
    // 9. A failure to write this line is reported later and leaves step 10 to run.
    WriteLog(QStringLiteral("Start program KORDEL-K5 ") + kVersionText);
    placeCapability(
        new kordel::RecordingsFolder(*run_, options.outputDir, N5, [this](const QString& t) { WriteLog(t); }));
    // 10. (No reply is awaited; the recorder is at block position 1.) The log reaches
    // the disk within about a second of a write, as the run's daily files do.
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
    createStatusWindow();
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
        charts_->LayoutChannels();
        restoreSettings();
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (opening_->loading()) {
        // The read stops first; the window closes once it has.
        opening_->cancel();
        QTimer::singleShot(0, this, &QWidget::close);
        event->ignore();
        return;
    }
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
    } else if (event->type() == QEvent::Resize && watched == StatusBar1) {
        placeProgressBar();
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
    case Qt::Key_Escape:
        opening_->cancel();
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
        charts_->ScrollByKey(event->key());
        break;
    default:
        break;
    }
}

// ---- handlers that the other subsystems fill in ----

void TMainForm::SpeedButton3Click() { flash_->convert(); }

void TMainForm::createCapabilities() {
    flash_ = new kordel::FlashConversion(
        this, [this](const QString& text) { WriteLog(text); }, [this] { return openDialogInitialDir_; });
    placeCapability(flash_);
    SpeedButton3->setDefaultAction(flash_->convertAction());
    auto* cleaning = new kordel::DataCleaning({*this, *charts_, *opening_, *run_, [this](const QString& t) { WriteLog(t); },
                                               kordel::currentCleaningContext});
    placeCapability(cleaning);
    export_ = new kordel::RecordExport(this, [this, cleaning] {
        const kordel::AxisRange window = charts_->Chart[0]->timeAxis();
        return kordel::RecordExport::View{charts_->shownRecord(), window.min, window.max, charts_->state(),
                                          currentDataFileName_, cleaning->levelText()};
    }, [this](const QString& text) { WriteLog(text); });
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
