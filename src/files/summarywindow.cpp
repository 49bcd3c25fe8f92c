#include "files/summarywindow.h"

Tinf::Tinf(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("inf"));
    setWindowTitle(QStringLiteral("INF file"));
}
