#include "cleaning/flagdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace kordel {

QString flagTimeText(std::int64_t ms) {
    QString s = QString::fromStdString(isoTime(ms, false));
    s[10] = QLatin1Char(' ');
    return s;
}

QString flagUtText(std::int64_t ms) {
    QString s = QString::fromStdString(isoTime(ms, true)).left(19);
    s[10] = QLatin1Char(' ');
    return s + QLatin1Char('Z');
}

}  // namespace kordel

namespace {

struct KindChoice {
    kordel::FlagKind kind;
    const char* tip;  // what the kind does to the cleaned level
};

// Remove first: a hand-drawn range is most often a disturbance to leave out.
constexpr KindChoice kKinds[] = {
    {kordel::FlagKind::Remove, "Leaves the samples out of the cleaned level (a car parked by the sensor, a test)."},
    {kordel::FlagKind::Spike, "A short false excursion: leaves the samples out of the cleaned level."},
    {kordel::FlagKind::Step, "A jump that may be real or need a new baseline: only marks it, the samples stay."},
    {kordel::FlagKind::Keep, "The samples are good: keeps them in the cleaned level, over spike and remove flags."},
};

}  // namespace

FlagDialog::FlagDialog(std::int64_t startMs, std::int64_t endMs, const std::vector<std::string>& components,
                       const std::vector<std::string>& preselected, QWidget* parent)
    : QDialog(parent), startMs_(startMs), endMs_(endMs), names_(components) {
    setObjectName(QStringLiteral("FlagDialog"));
    setWindowTitle(QStringLiteral("Flag samples"));

    auto* range = new QLabel(
        QStringLiteral("From %1 to %2").arg(kordel::flagTimeText(startMs), kordel::flagTimeText(endMs)), this);
    range->setObjectName(QStringLiteral("Range"));

    auto* boxRow = new QHBoxLayout;
    for (const std::string& name : components) {
        auto* box = new QCheckBox(QString::fromStdString(name), this);
        box->setObjectName(QStringLiteral("Component_") + QString::fromStdString(name));
        box->setChecked(std::find(preselected.begin(), preselected.end(), name) != preselected.end());
        connect(box, &QCheckBox::toggled, this, &FlagDialog::updateOk);
        boxRow->addWidget(box);
        boxes_.push_back(box);
    }

    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("Kind"));
    for (const KindChoice& k : kKinds) {
        kind_->addItem(QString::fromUtf8(kordel::flagKindName(k.kind)), static_cast<int>(k.kind));
        kind_->setItemData(kind_->count() - 1, QString::fromUtf8(k.tip), Qt::ToolTipRole);
    }
    comment_ = new QLineEdit(this);
    comment_->setObjectName(QStringLiteral("Comment"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("Ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(range);
    form->addRow(QStringLiteral("Components"), boxRow);
    form->addRow(QStringLiteral("Kind"), kind_);
    form->addRow(QStringLiteral("Comment"), comment_);
    form->addRow(buttons);
    updateOk();
}

kordel::Flag FlagDialog::flag(const std::string& who, std::int64_t nowMs) const {
    kordel::Flag f;
    f.startMs = startMs_;
    f.endMs = endMs_;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (boxes_[i]->isChecked()) f.components.push_back(names_[i]);
    }
    f.kind = static_cast<kordel::FlagKind>(kind_->currentData().toInt());
    f.source = kordel::flagField(who);
    f.setMs = nowMs;
    f.comment = comment_->text().trimmed().toStdString();
    return f;
}

void FlagDialog::updateOk() {
    ok_->setEnabled(std::any_of(boxes_.begin(), boxes_.end(), [](const QCheckBox* b) { return b->isChecked(); }));
}
