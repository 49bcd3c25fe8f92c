#include "files/recordopening.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <new>
#include <thread>

#include "app/dialogs.h"
#include "app/errorreport.h"
#include "exchange/exportinput.h"
#include "exchange/iagareader.h"
#include "record/recordloader.h"
#include "record/recordtitle.h"

namespace kordel {

namespace {

// Shows the hourglass over the window for as long as the object lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString fileNameOf(const std::string& path) { return QFileInfo(QString::fromStdString(path)).fileName(); }

void reportAll(const std::vector<std::string>& texts) {
    if (texts.empty()) return;
    QStringList lines;
    for (const auto& t : texts) lines << QString::fromStdString(t);
    ErrorReport::instance().report(lines.join(QLatin1Char('\n')));
}

// The error lines a load met, put to the user one by one after the load (the
// files are parsed on two threads, ahead of any answer): OK goes on to the
// next, "Skip all" skips the rest without a box, Cancel stops asking. Every
// good line is plotted whatever the answers; Cancel leaves the title as it
// was, as stopping a read did. Returns false on Cancel; `skipped` counts the
// error lines skipped without a box.
bool askAboutErrorLines(QWidget* parent, const RecordLoadResult& r, long& skipped) {
    using Answer = Dialogs::LineAnswer;
    const bool several = r.files.size() > 1;
    std::size_t asked = 0;
    for (const ErrorLine& e : r.errorLines) {
        const QString where = several ? QStringLiteral(" of %1").arg(fileNameOf(e.file)) : QString();
        const Answer answer = dialogs().errorLine(
            parent, QStringLiteral("Error in line %1").arg(e.lineNumber) + where + QStringLiteral("\r\n") +
                        QString::fromLatin1(e.text.data(), static_cast<qsizetype>(e.text.size())) +
                        QStringLiteral("\r\nContinue ?"));
        ++asked;
        if (answer == Answer::Cancel) return false;
        if (answer == Answer::SkipAll) break;
    }
    skipped = static_cast<long>(r.errorLineCount - asked);
    return true;
}

QString titleOf(const std::vector<std::string>& files) {
    std::vector<std::string> shown;
    for (const auto& f : files) shown.push_back(files.size() == 1 ? f : fileNameOf(f).toStdString());
    return QString::fromStdString(viewerTitle(shown));
}

}  // namespace

const QString kDataFileFilter = QStringLiteral(
    "Data files (*.pc *.fl *.min *.sec *.hor *.day *.mon)|*.pc;*.fl;*.min;*.sec;*.hor;*.day;*.mon|"
    "Kordel txt-file (*.pc)|*.pc|Kordel txt-file (*.fl)|*.fl|"
    "IAGA-2002 (*.min *.sec *.hor *.day *.mon *.txt)|*.min;*.sec;*.hor;*.day;*.mon;*.txt|All files (*.*)|*.*");

RecordOpening::RecordOpening(QWidget* window, QProgressBar* progress, std::function<void(const QString&)> log)
    : QObject(window), window_(window), progress_(progress), log_(std::move(log)) {
    setObjectName(QStringLiteral("RecordOpening"));
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), window);
    cancelButton_->setObjectName(QStringLiteral("CancelLoad"));
    cancelButton_->setToolTip(QStringLiteral("Stop reading (Esc)"));
    cancelButton_->setFocusPolicy(Qt::NoFocus);
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, &RecordOpening::cancel);
}

RecordOpening::~RecordOpening() { cancel(); }

void RecordOpening::logOpened(const QString& current) {
    if (!log_) return;
    for (const QString& f : std::as_const(filesRead_)) {
        if (f != current) log_(QStringLiteral("Open file: ") + f);
    }
    log_(QStringLiteral("Open file: ") + current);
}

void RecordOpening::cancel() {
    if (cancelled_) cancelled_->store(true);
}

OpenedRecord RecordOpening::open(const QStringList& paths) {
    if (loading_) return OpenedRecord{OpenedRecord::Outcome::Cancelled, {}, {}, {}, {}, false};
    if (paths.isEmpty()) return {};
    std::vector<std::string> names;
    for (const QString& p : paths) names.push_back(p.toStdString());
    OpenedRecord opened = QFileInfo(paths.constFirst()).isFile() && isIaga2002File(names.front())
                              ? openIagaFiles(names)
                              : openDataFiles(paths);
    if (opened.outcome == OpenedRecord::Outcome::Shown && opened.record && levelling_) {
        opened.record = levelling_(std::move(opened.record), names);
    }
    return opened;
}

OpenedRecord RecordOpening::openDataFiles(const QStringList& paths) {
    std::vector<std::string> names;
    for (const QString& p : paths) names.push_back(p.toStdString());
    // The worker shares only what it owns: the flag, the result and the names.
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    auto result = std::make_shared<RecordLoadResult>();
    cancelled_ = cancelled;
    loading_ = true;
    cancelButton_->show();
    QEventLoop loop;
    QPointer<QProgressBar> progress(progress_);
    RecordLoadOptions options;
    options.totalField = true;  // F beside X, Y, Z, computed as the files are merged
    options.cancelled = [cancelled] { return cancelled->load(); };
    options.onProgress = [progress](int percent) {
        QMetaObject::invokeMethod(
            progress, [progress, percent] { if (progress && percent != progress->value()) progress->setValue(percent); },
            Qt::QueuedConnection);
    };
    std::jthread worker([options, names, result, &loop] {
        try {
            *result = RecordLoader(options).load(names);
        } catch (const std::bad_alloc&) {
            result->status = RecordLoadResult::Status::Refused;
            result->message = "Not enough memory to read these files.";
        }
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    {
        WaitCursor hourglass;
        loop.exec();  // Cancel and Esc reach the window meanwhile
    }
    worker.join();
    loading_ = false;
    cancelled_.reset();
    cancelButton_->hide();
    if (progress_) progress_->setValue(0);
    RecordLoadResult& r = *result;

    OpenedRecord opened;
    if (r.status == RecordLoadResult::Status::Cancelled || cancelled->load()) {
        opened.outcome = OpenedRecord::Outcome::Cancelled;
        return opened;
    }
    if (r.status == RecordLoadResult::Status::Refused) {
        ErrorReport::instance().report(QString::fromStdString(r.message));
        return opened;
    }
    reportAll(r.failures);
    filesRead_.clear();
    for (const std::string& f : r.files) filesRead_ << QString::fromStdString(f);
    if (r.files.size() == 1) opened.currentFile = QString::fromStdString(r.files.front());
    if (r.files.empty() || r.failures.size() == r.files.size()) {
        if (r.files.empty()) {
            dialogs().error(window_, QStringLiteral("No *.pc or *.fl files in ") + paths.join(QStringLiteral(", ")));
        }
        return opened;
    }
    long skippedSilently = 0;
    opened.fitBars = askAboutErrorLines(window_, r, skippedSilently);
    opened.record = std::make_shared<const Record>(std::move(r.record));
    if (skippedSilently > 0) {
        const QString text = QStringLiteral("Error lines skipped: %1").arg(skippedSilently);
        log_(text);
        dialogs().message(window_, text);
    }
    if (opened.fitBars) opened.title = titleOf(r.files);
    opened.outcome = OpenedRecord::Outcome::Shown;
    return opened;
}

OpenedRecord RecordOpening::openIagaFiles(const std::vector<std::string>& paths) {
    filesRead_.clear();
    for (const std::string& f : paths) filesRead_ << QString::fromStdString(f);
    ExportInput input;
    {
        WaitCursor hourglass;
        input = readExportInputs(paths);
    }
    reportAll(input.messages);
    OpenedRecord opened;
    if (input.status == ExportInput::Status::Usage || input.record.empty() || input.elements.size() != 4) {
        return opened;
    }
    opened.elements = input.elements;
    opened.record = std::make_shared<const Record>(std::move(input.record));
    opened.title = titleOf(paths);
    opened.outcome = OpenedRecord::Outcome::Shown;
    return opened;
}

}  // namespace kordel
