#include "cleaning/flagswindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "cleaning/flagdialog.h"

namespace kordel {

QString flagPlaceText(const SidecarPlace& place) {
    const QString path = QString::fromStdString(place.path);
    return place.fallback ? QStringLiteral("The data folder cannot be written: the flags are kept in ") + path
                          : QStringLiteral("Kept in ") + path;
}

QString noFlagFolderText() { return QStringLiteral("No data folder: flags need opened files or a recording."); }

}  // namespace kordel

namespace {

QStringList rowTexts(const kordel::Flag& f) {
    QStringList components;
    for (const auto& c : f.components) components << QString::fromStdString(c);
    return {kordel::flagTimeText(f.startMs),
            kordel::flagTimeText(f.endMs),
            components.join(QLatin1Char(',')),
            QString::fromUtf8(kordel::flagKindName(f.kind)),
            QString::fromStdString(f.source),
            kordel::flagUtText(f.setMs),
            QString::fromStdString(f.comment)};
}

}  // namespace

FlagsWindow::FlagsWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FlagsWindow"));
    setWindowTitle(QStringLiteral("Flags"));
    setModal(false);

    const QStringList headers = {QStringLiteral("Start"), QStringLiteral("End"),    QStringLiteral("Components"),
                                 QStringLiteral("Kind"),  QStringLiteral("Source"), QStringLiteral("Set"),
                                 QStringLiteral("Comment")};
    table_ = new QTableWidget(0, static_cast<int>(headers.size()), this);
    table_->setObjectName(QStringLiteral("FlagTable"));
    table_->setHorizontalHeaderLabels(headers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &FlagsWindow::updateButtons);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { requestShow(row); });

    remove_ = new QPushButton(QStringLiteral("Remove"), this);
    remove_->setObjectName(QStringLiteral("Remove"));
    connect(remove_, &QPushButton::clicked, this, &FlagsWindow::requestRemove);
    show_ = new QPushButton(QStringLiteral("Show"), this);
    show_->setObjectName(QStringLiteral("Show"));
    connect(show_, &QPushButton::clicked, this, [this] {
        const auto rows = selectedRows();
        if (!rows.empty()) requestShow(rows.front());
    });

    log_ = new QListWidget(this);
    log_->setObjectName(QStringLiteral("EditLog"));
    log_->setSelectionMode(QAbstractItemView::NoSelection);
    place_ = new QLabel(this);
    place_->setObjectName(QStringLiteral("Place"));
    place_->setWordWrap(true);
    place_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(remove_);
    buttons->addWidget(show_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 3);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(QStringLiteral("Edits"), this));
    layout->addWidget(log_, 1);
    layout->addWidget(place_);
    clearFlags(kordel::noFlagFolderText());
}

void FlagsWindow::setFlags(const kordel::FlagSet& set, const QString& placeText) {
    flags_ = set.flags;
    std::stable_sort(flags_.begin(), flags_.end(),
                     [](const kordel::Flag& a, const kordel::Flag& b) { return a.startMs < b.startMs; });
    table_->clearSelection();
    table_->setRowCount(static_cast<int>(flags_.size()));
    for (int r = 0; r < table_->rowCount(); ++r) {
        const QStringList texts = rowTexts(flags_[static_cast<std::size_t>(r)]);
        for (int c = 0; c < texts.size(); ++c) table_->setItem(r, c, new QTableWidgetItem(texts[c]));
    }
    log_->clear();
    for (auto e = set.log.rbegin(); e != set.log.rend(); ++e) {
        log_->addItem(kordel::flagUtText(e->atMs) + QStringLiteral("  ") + QString::fromStdString(e->who) +
                      QStringLiteral("  ") + QString::fromStdString(e->what));
    }
    place_->setText(placeText);
    updateButtons();
}

void FlagsWindow::clearFlags(const QString& text) { setFlags({}, text); }

std::vector<int> FlagsWindow::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FlagsWindow::updateButtons() {
    const bool any = !selectedRows().empty();
    remove_->setEnabled(any);
    show_->setEnabled(any);
}

void FlagsWindow::requestRemove() {
    std::vector<kordel::Flag> chosen;
    for (const int r : selectedRows()) chosen.push_back(flags_[static_cast<std::size_t>(r)]);
    if (!chosen.empty()) emit removeRequested(chosen);
}

void FlagsWindow::requestShow(int row) {
    if (row < 0 || row >= static_cast<int>(flags_.size())) return;
    const kordel::Flag& f = flags_[static_cast<std::size_t>(row)];
    emit showRequested(f.startMs, f.endMs);
}
