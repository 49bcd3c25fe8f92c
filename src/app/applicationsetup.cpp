#include "app/applicationsetup.h"

#include <QCoreApplication>
#include <clocale>
#include <csignal>

namespace kordel {

void setUpApplication() {
    std::setlocale(LC_NUMERIC, "C");
    // A file size limit must end in a failed write that is reported, not in a
    // killed program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication::setApplicationName(QStringLiteral("kordel"));
}

}  // namespace kordel
