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
class QLabel;

class TStatistics : public QDialog {
    Q_OBJECT
public:
    struct Row {
        QString channel;  // "Bx, nT", …
        int decimals = 2;
        std::optional<kordel::WindowStatistics> stats;  // none: no sample in the window
    };

    // Count, Mean, Minimum, Maximum, Std. deviation, Range, Time of minimum,
    // Time of maximum, Coverage, Gaps.
    static constexpr int kColumns = 10;

    explicit TStatistics(QWidget* parent = nullptr);

    void showRows(const std::vector<Row>& rows);
    // The time window the rows are of, named above them.
    void setRange(const QString& text);
    QString range() const;
    // The text of a cell (tests read it).
    QString cell(int row, int column) const;
    int rowCount() const;

private:
    QTableWidget* table_ = nullptr;
    QLabel* range_ = nullptr;
};

namespace kordel {
// Statistics of plain values (the live window), as windowStatistics gives them.
std::optional<WindowStatistics> statisticsOf(const std::vector<double>& values);
}
