#pragma once

#include <QDialog>

class QLabel;

// The About box: product name and version, an OK button. Fixed size, centred.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* Version = nullptr;
    QLabel* ProductName = nullptr;
};
