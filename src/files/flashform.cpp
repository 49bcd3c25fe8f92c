#include "files/flashform.h"

#include <QFile>

#include "app/dialogs.h"
#include "app/errorreport.h"
#include "files/flashconverter.h"
#include "files/summarywindow.h"

namespace {

// Hands the converter's reports to the log, the summary window and the boxes;
// the summary file is written by the summary writer it inherits, and the
// window shows what has been written.
class WindowListener final : public kordel::FileSummaryListener {
public:
    WindowListener(Tinf* inf, const TFlash::LogSink& log, QWidget* boxParent)
        : inf_(inf), log_(log), boxParent_(boxParent) {}

    void onLog(const std::string& text) override {
        if (log_) {
            log_(QString::fromStdString(text));
        }
    }
    void onMessage(const std::string& text) override {
        kordel::dialogs().message(boxParent_, QString::fromStdString(text));
    }
    void onFailure(const std::string& text) override {
        kordel::ErrorReport::instance().report(QString::fromStdString(text));
    }
    void onProgress(int percent) override { inf_->SetSummaryProgress(percent); }
    kordel::IoStatus onSummaryBegin(const kordel::SummaryHeader& header, const std::string& path) override {
        if (kordel::IoStatus s = FileSummaryListener::onSummaryBegin(header, path); !s) {
            return s;
        }
        return inf_->BeginSummary(header.stem, QFile::decodeName(QByteArray::fromStdString(path)));
    }
    kordel::IoStatus onSummaryEnd() override {
        kordel::IoStatus status = FileSummaryListener::onSummaryEnd();
        if (kordel::IoStatus s = inf_->EndSummary(); !s && status.ok()) {
            status = s;
        }
        return status;
    }

private:
    Tinf* inf_;
    const TFlash::LogSink& log_;
    QWidget* boxParent_;
};

}  // namespace

TFlash::TFlash(QWidget* parent, Tinf* inf, LogSink log)
    : QWidget(parent, Qt::Window), inf_(inf), log_(std::move(log)) {
    setObjectName(QStringLiteral("Flash"));
    setWindowTitle(QStringLiteral("Bin To Text"));
}

void TFlash::Button5Click() {
    if (inf_ == nullptr) {
        return;
    }
    WindowListener listener(inf_, log_, parentWidget());
    // Names without a folder: the output lands in the current directory.
    kordel::FlashConverter converter(listener);
    converter.run(QFile::encodeName(FileName).toStdString());
}
