#include "app/firstscreen.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "net/remotestation.h"

namespace kordel {

const QString FirstScreen::kStatusLocked = QStringLiteral("Status: stop recording first");

FirstScreenNote::FirstScreenNote(QWidget* charts) : QWidget(charts) {
    setObjectName(QStringLiteral("FirstScreenNote"));
    // The charts under it keep the mouse, the wheel and dropped files.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("FirstScreenText"));
    text_->setAlignment(Qt::AlignCenter);
    text_->setTextFormat(Qt::PlainText);
    text_->setStyleSheet(QStringLiteral("QLabel { padding: 16px 32px; border: 1px solid palette(mid); "
                                        "border-radius: 6px; background: palette(base); }"));
    QFont larger = text_->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.2);
    text_->setFont(larger);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 0, Qt::AlignCenter);
    charts->installEventFilter(this);
    setGeometry(charts->rect());
    setPort(QString());
    raise();
}

void FirstScreenNote::setPort(const QString& portName) {
    const QString text = QStringLiteral("Nothing to show yet.\n\n"
                                        "Record from %1 (ComPort chooses another port)\n"
                                        "File > Open file or Open folder (Ctrl+O, Ctrl+Shift+O), or drop files here\n"
                                        "Remote station... watches a station on the network\n\n"
                                        "Help > Guide (F1) tells more.")
                             .arg(portName.isEmpty() ? QStringLiteral("the instrument's port") : portName);
    if (text_->text() != text) {
        text_->setText(text);
    }
}

bool FirstScreenNote::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        raise();  // above panels laid out since
    }
    return QWidget::eventFilter(watched, event);
}

GuideWindow::GuideWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("GuideWindow"));
    setWindowTitle(QStringLiteral("Kordel-K5 Guide"));
    setModal(false);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("GuideText"));
    browser_->setOpenExternalLinks(true);
    browser_->setMarkdown(guideText());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    resize(720, 600);
}

QString GuideWindow::guideText() {
    QFile file(QStringLiteral(":/kordel/guide.md"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("The guide is missing from this build; the README tells the same.");
    }
    return QString::fromUtf8(file.readAll());
}

FirstScreen::FirstScreen(FirstScreenParts parts) : Capability(&parts.window), parts_(std::move(parts)) {
    setObjectName(QStringLiteral("FirstScreen"));
    // The shortcuts everyone expects of a File menu.
    parts_.open.setShortcut(QKeySequence::Open);
    parts_.openFolder.setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    parts_.exit.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    if (parts_.exportPicture != nullptr) {
        parts_.exportPicture->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    }
    help_ = new QMenu(QStringLiteral("Help"), &parts_.window);
    help_->setObjectName(QStringLiteral("Help1"));
    guide_ = help_->addAction(QStringLiteral("Guide"), this, &FirstScreen::showGuide);
    guide_->setObjectName(QStringLiteral("Guide1"));
    guide_->setShortcut(QKeySequence::HelpContents);
    // A shortcut works only on an action that is part of a shown window.
    parts_.window.addAction(guide_);

    note_ = new FirstScreenNote(&parts_.charts);
    if (parts_.remote != nullptr) {
        connect(parts_.remote, &RemoteStation::watchingChanged, this, &FirstScreen::update);
    }
    // The charts tell no one when they show a record: a light look while the
    // note is up, which stops once it is down.
    check_.setInterval(250);
    connect(&check_, &QTimer::timeout, this, &FirstScreen::update);
    check_.start();
    update();
}

QList<QAction*> FirstScreen::menuActions() const { return {help_->menuAction()}; }

void FirstScreen::setRecording(bool recording) {
    recording_ = recording;
    // Disabled, the button says why.
    parts_.statusButton.setToolTip(recording ? kStatusLocked : QString());
    parts_.open.setEnabled(!recording);  // their shortcuts, too, wait for Stop
    parts_.openFolder.setEnabled(!recording);
    update();
}

void FirstScreen::showGuide() {
    if (!guideWindow_) {
        guideWindow_ = new GuideWindow(&parts_.window);
    }
    guideWindow_->show();
    guideWindow_->raise();
    guideWindow_->activateWindow();
}

void FirstScreen::update() {
    const bool watching = parts_.remote != nullptr && parts_.remote->watching();
    const bool empty = !parts_.showsRecord() && !recording_ && !watching;
    if (empty) {
        note_->setPort(parts_.portName());
        note_->raise();
        if (!check_.isActive()) {
            check_.start();
        }
    } else {
        check_.stop();  // the note stays down until recording or watching ends with nothing shown
    }
    note_->setVisible(empty);
}

}  // namespace kordel
