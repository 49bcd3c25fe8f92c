#pragma once

#include <QDialog>

// The Status window: the instrument's mode, clock and save target.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};
