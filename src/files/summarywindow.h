#pragma once

#include <QDialog>

// The conversion summary window ("INF file"): shows the summary file of the
// last flash dump conversion.
class Tinf : public QDialog {
    Q_OBJECT
public:
    explicit Tinf(QWidget* parent = nullptr);
};
