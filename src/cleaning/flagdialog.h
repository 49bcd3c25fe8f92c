#pragma once
// The dialog that flags a range of samples by hand: it shows the range, lets
// the user tick the components, choose the kind and write a comment, and
// returns the Flag. It never touches the flag file; the caller adds the flag.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "processing/flags.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kordel {

// A time of the recording's clock as the flag windows show it: "2007-05-15 10:00:00.000".
QString flagTimeText(std::int64_t ms);
// A UT moment (when a flag was set or edited): "2026-12-08 19:40:00Z".
QString flagUtText(std::int64_t ms);

}  // namespace kordel

class FlagDialog : public QDialog {
    Q_OBJECT
public:
    // `startMs`..`endMs`: the range, inclusive, recording clock. One check box
    // per name of `components`, in that order; those in `preselected` ticked.
    FlagDialog(std::int64_t startMs, std::int64_t endMs, const std::vector<std::string>& components,
               const std::vector<std::string>& preselected, QWidget* parent = nullptr);

    // The flag as chosen, set by `who` at `nowMs` (UT).
    kordel::Flag flag(const std::string& who, std::int64_t nowMs) const;

private:
    void updateOk();

    std::int64_t startMs_;
    std::int64_t endMs_;
    std::vector<std::string> names_;
    std::vector<QCheckBox*> boxes_;  // one per name, same order
    QComboBox* kind_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QPushButton* ok_ = nullptr;
};
