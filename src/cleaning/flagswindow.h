#pragma once
// The Flags window: the flags of the shown data folder in a table, their edit
// log (newest first) and where the flag file is kept. It is shown without
// blocking the main window. It changes nothing itself: Remove and Show ask
// the owner, who removes through FolderFlags or moves the charts, and then
// calls setFlags() with what the file holds.

#include <QDialog>
#include <QString>
#include <QtGlobal>
#include <vector>

#include "processing/flags.h"
#include "processing/sidecarfile.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace kordel {

// "Kept in <path>", or, in the user's folder, "The data folder cannot be
// written: the flags are kept in <path>".
QString flagPlaceText(const SidecarPlace& place);
// What the window says when nothing is shown that has a folder.
QString noFlagFolderText();

}  // namespace kordel

class FlagsWindow : public QDialog {
    Q_OBJECT
public:
    explicit FlagsWindow(QWidget* parent = nullptr);

    // Shows the flags of `set` sorted by start, its log newest first, and `placeText`.
    void setFlags(const kordel::FlagSet& set, const QString& placeText);
    // Shows no flags, only `text` (why there are none to show).
    void clearFlags(const QString& text);

signals:
    // The flags of the selected rows, in the table's order.
    void removeRequested(std::vector<kordel::Flag> flags);
    // The range of the flag chosen (Show, or a double click on its row).
    void showRequested(qint64 startMs, qint64 endMs);

private:
    std::vector<int> selectedRows() const;
    void updateButtons();
    void requestRemove();
    void requestShow(int row);

    std::vector<kordel::Flag> flags_;  // row i shows flags_[i]
    QTableWidget* table_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* show_ = nullptr;
    QListWidget* log_ = nullptr;
    QLabel* place_ = nullptr;
};
