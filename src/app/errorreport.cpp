#include "app/errorreport.h"

#include <QTimer>

#include "app/dialogs.h"

namespace kordel {

ErrorReport& ErrorReport::instance() {
    static ErrorReport* report = new ErrorReport;  // lives as long as the process
    return *report;
}

void ErrorReport::report(const QString& text) {
    if (queue_.contains(text)) {
        return;
    }
    queue_ << text;
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
        queue_.removeFirst();
    }
}

}  // namespace kordel
