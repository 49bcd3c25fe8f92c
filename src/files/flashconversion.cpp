#include "files/flashconversion.h"

#include <QAction>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "app/dialogs.h"
#include "app/settingsstore.h"
#include "files/flashform.h"
#include "files/summarywindow.h"

namespace kordel {

namespace {

// The recent dumps, kept beside the main window's own section.
const QString kRecentSection = QStringLiteral("TMainForm.MRU_FLASH");

// The Flash button's picture: a memory dump (a block of bits), an arrow, and
// the page of text it becomes.
QIcon dumpConversionIcon() {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(1, 5, 8, 14, QColor(40, 40, 90));
    for (int y = 7; y < 18; y += 3) {
        for (int x = 2; x < 8; x += 3) {
            p.fillRect(x + ((y / 3) % 2), y, 2, 1, QColor(200, 220, 255));
        }
    }
    p.setPen(QPen(QColor(0, 110, 0), 2));
    p.drawLine(10, 12, 14, 12);
    p.drawLine(12, 9, 14, 12);
    p.drawLine(12, 15, 14, 12);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawRect(15, 3, 8, 18);
    for (int y = 6; y < 19; y += 3) {
        p.drawLine(17, y, 21, y);
    }
    return QIcon(pm);
}

}  // namespace

FlashConversion::FlashConversion(QWidget* mainWindow, LogSink log, FolderSource initialDir)
    : Capability(mainWindow),
      mainWindow_(mainWindow),
      log_(std::move(log)),
      initialDir_(std::move(initialDir)),
      convert_(new QAction(dumpConversionIcon(), QStringLiteral("Flash"), this)) {
    setObjectName(QStringLiteral("FlashConversion"));
    convert_->setObjectName(QStringLiteral("FlashAction"));
    convert_->setToolTip(QStringLiteral("Flash"));
    connect(convert_, &QAction::triggered, this, &FlashConversion::convert);
}

void FlashConversion::createWindows(QWidget* mainWindow) {
    summary_ = new Tinf(mainWindow);
    form_ = new TFlash(mainWindow, summary_, log_);
}

void FlashConversion::convert() {
    // The dialog makes the dump's folder the current directory, so the
    // converted files land beside the dump.
    const QString dump = dialogs().openFile(mainWindow_, TFlash::kDumpFilter, QString(),
                                            initialDir_ ? initialDir_() : QString());
    if (dump.isEmpty() || form_ == nullptr) {
        return;
    }
    form_->FileName = dump;
    form_->Button5Click();
}

void FlashConversion::restoreSettings(const SettingsStore& store) {
    std::vector<std::string> names;
    for (const QString& s : store.list(kRecentSection)) {
        names.push_back(s.toStdString());
    }
    recent_.clear();
    recent_.assign(names);
}

void FlashConversion::saveSettings(SettingsStore& store) const {
    QStringList names;
    for (const auto& s : recent_.items()) {
        names << QString::fromStdString(s);
    }
    store.setList(kRecentSection, names);
}

void FlashConversion::setRecording(bool recording) { convert_->setEnabled(!recording); }

}  // namespace kordel
