#include "app/errorreport.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <utility>

#include "app/dialogs.h"

namespace kordel {

ErrorReport& ErrorReport::instance() {
    static ErrorReport* report = new ErrorReport;  // lives as long as the process
    return *report;
}

void ErrorReport::report(const QString& text, Kind kind) {
    if (queue_.contains(text)) {
        return;
    }
    queue_ << text;
    if (kind == Kind::PortFailure) {
        portFailures_ << text;
    }
    if (!showing_ && !scheduled_) {
        scheduled_ = true;
        QTimer::singleShot(0, this, &ErrorReport::showNext);
    }
}

void ErrorReport::showNext() {
    scheduled_ = false;
    if (showing_) {
        return;
    }
    while (!queue_.isEmpty()) {
        showing_ = true;
        dialogs().error(parent_, queue_.constFirst());
        showing_ = false;
        portFailures_.removeOne(queue_.takeFirst());
    }
}

void ErrorReport::withdrawPortFailures() {
    QStringList onScreen;  // closed now, taken off the queue when its box's loop returns
    for (const QString& text : std::as_const(portFailures_)) {
        if (!(showing_ && !queue_.isEmpty() && queue_.constFirst() == text)) {
            queue_.removeOne(text);
            continue;
        }
        onScreen << text;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box != nullptr && box->isVisible() && box->text() == text) {
                box->done(QMessageBox::Ok);
            }
        }
    }
    portFailures_ = onScreen;
}

}  // namespace kordel
