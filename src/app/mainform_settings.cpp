// The settings file "kordel.ini": window placement, channel panel heights and
// check boxes, the "Mouse" check box, the open dialog's folder and the recent
// data files, all in sections named after the main window's class; each
// capability keeps its own section.

#include <QApplication>
#include <QScreen>

#include "app/capability.h"
#include "app/mainform.h"
#include "charts/chartview.h"
#include "app/settingsstore.h"
#include "app/settingsvalues.h"

using namespace kordel::settingsvalues;

namespace {

const QString kSection = QStringLiteral("TMainForm");
const QString kMruData = QStringLiteral("TMainForm.MRU_DATA");

// Show states as the placement records them.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;

int screenResolution(const QWidget* w) {
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

}  // namespace

void TMainForm::restoreSettings() {
    if (!settingsNote_.isEmpty()) {
        WriteLog(settingsNote_);
    }
    if (toInt(settingsFile_->value(kSection, QStringLiteral("FormVersion"))).value_or(0) < 0) {
        return;
    }
    restorePlacement();
    restoreProperties();
    mruData_.clear();
    mruData_.assign(toStd(settingsFile_->list(kMruData)));
    rebuildRecentMenu();
    for (kordel::Capability* c : capabilities_) {
        c->restoreSettings(*settingsFile_);
    }
}

void TMainForm::restorePlacement() {
    const auto minMax = toFour(settingsFile_->value(kSection, QStringLiteral("MinMaxPos")));
    const auto norm = toFour(settingsFile_->value(kSection, QStringLiteral("NormPos")));
    const int ppi = toInt(settingsFile_->value(kSection, QStringLiteral("PixelsPerInch")))
                        .value_or(screenResolution(this));
    // A placement saved at another resolution would put the window in the wrong place.
    if ((minMax || norm) && ppi == screenResolution(this) && norm) {
        const auto& r = *norm;
        if (r[2] > r[0] && r[3] > r[1]) {
            move(r[0], r[1]);
            resize(r[2] - r[0], r[3] - r[1]);
        }
    }
    const auto showCmd = toInt(settingsFile_->value(kSection, QStringLiteral("ShowCmd")));
    if (!showCmd) {
        return;
    }
    switch (*showCmd) {
    case kShowMaximized:
        setWindowState(Qt::WindowMaximized);
        break;
    case kShowMinimized:
    case 6:
    case 7:
        setWindowState(Qt::WindowMinimized);
        break;
    default:
        setWindowState(Qt::WindowNoState);
        break;
    }
}

void TMainForm::restoreProperties() {
    if (const auto dir = settingsFile_->value(kSection, QStringLiteral("OpenDialogDATA_InitialDir"))) {
        openDialogInitialDir_ = *dir;
    }
    charts_->restoreSettings(*settingsFile_, kSection);
}

void TMainForm::saveSettings() {
    settingsSaved_ = true;
    kordel::SettingsStore& s = *settingsFile_;
    s.setValue(kSection, QStringLiteral("FormVersion"), QStringLiteral("0"));
    s.setValue(kSection, QStringLiteral("Flags"), QStringLiteral("0"));
    const int showCmd = isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal;
    s.setValue(kSection, QStringLiteral("ShowCmd"), QString::number(showCmd));
    s.setValue(kSection, QStringLiteral("MinMaxPos"), QStringLiteral("-1,-1,-1,-1"));
    const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
    const QPoint topLeft = isMaximized() || isMinimized() ? r.topLeft() : pos();
    s.setValue(kSection, QStringLiteral("NormPos"),
               QStringLiteral("%1,%2,%3,%4")
                   .arg(topLeft.x())
                   .arg(topLeft.y())
                   .arg(topLeft.x() + r.width())
                   .arg(topLeft.y() + r.height()));
    s.setValue(kSection, QStringLiteral("PixelsPerInch"), QString::number(screenResolution(this)));
    s.setValue(kSection, QStringLiteral("OpenDialogDATA_InitialDir"), openDialogInitialDir_);
    charts_->saveSettings(s, kSection);
    s.setList(kMruData, toQt(mruData_.items()));
    for (const kordel::Capability* c : capabilities_) {
        c->saveSettings(s);
    }
    s.sync();
}
