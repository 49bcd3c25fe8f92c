#include "files/flashform.h"

TFlash::TFlash(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Flash"));
    setWindowTitle(QStringLiteral("Bin To Text"));
}
