#pragma once
// The "Statistics" window: for each shown channel, the count, mean, minimum,
// maximum and standard deviation of its samples in the visible time window.
// Non-modal; the main window hands it the numbers again whenever the time
// window moves.

#include <QDialog>
#include <optional>
#include <vector>

#include "record/rangesummary.h"

class QTableWidget;

class TStatistics : public QDialog {
    Q_OBJECT
public:
    struct Row {
        QString channel;  // "Bx, nT", …
        int decimals = 2;
        std::optional<kordel::WindowStatistics> stats;  // none: no sample in the window
    };

    explicit TStatistics(QWidget* parent = nullptr);

    void showRows(const std::vector<Row>& rows);
    // The text of a cell (tests read it).
    QString cell(int row, int column) const;
    int rowCount() const;

private:
    QTableWidget* table_ = nullptr;
};

namespace kordel {
// Statistics of plain values (the live window), as windowStatistics gives them.
std::optional<WindowStatistics> statisticsOf(const std::vector<double>& values);
}
