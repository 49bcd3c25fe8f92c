#pragma once

#include <QWidget>

// Holds the flash dump conversion ("Bin To Text"); the window itself is never shown.
class TFlash : public QWidget {
    Q_OBJECT
public:
    explicit TFlash(QWidget* parent = nullptr);
};
