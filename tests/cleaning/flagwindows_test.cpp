// The flag dialog and the Flags window: the Flag the dialog builds from what
// was chosen, OK only with a component, the window's rows and log exactly,
// and what Remove, Show and a double click ask for.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "cleaning/flagdialog.h"
#include "cleaning/flagswindow.h"
#include "exchange/exportarguments.h"

namespace kordel {
namespace {

std::int64_t at(const char* iso) { return *parseIsoUtc(iso); }

const std::vector<std::string> kComponents = {"Bx", "By", "Bz"};

TEST(FlagDialog, BuildsTheFlagChosen) {
    const std::int64_t start = at("2007-05-15T10:00:00"), end = at("2007-05-15T10:00:05");
    const std::int64_t now = at("2026-12-08T19:40:00Z");
    const struct {
        std::vector<std::string> ticked;
        const char* kind;
        const char* comment;
        Flag expected;
    } rows[] = {
        {{"Bx", "By"}, "remove", "  car parked  ",
         {start, end, {"Bx", "By"}, FlagKind::Remove, "jo_ann", now, "car parked"}},
        {{"Bz"}, "spike", "", {start, end, {"Bz"}, FlagKind::Spike, "jo_ann", now, ""}},
        {{"Bz", "Bx"}, "step", "sudden  commencement", {start, end, {"Bx", "Bz"}, FlagKind::Step, "jo_ann", now,
                                                         "sudden  commencement"}},
        {{"By"}, "keep", "\treal\t", {start, end, {"By"}, FlagKind::Keep, "jo_ann", now, "real"}},
    };
    for (const auto& r : rows) {
        FlagDialog dialog(start, end, kComponents, {});
        for (const auto& name : r.ticked) {
            auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("Component_") + QString::fromStdString(name));
            ASSERT_NE(box, nullptr) << name;
            box->setChecked(true);
        }
        auto* kind = dialog.findChild<QComboBox*>(QStringLiteral("Kind"));
        ASSERT_NE(kind, nullptr);
        kind->setCurrentText(QString::fromUtf8(r.kind));
        ASSERT_EQ(kind->currentText(), QString::fromUtf8(r.kind));
        dialog.findChild<QLineEdit*>(QStringLiteral("Comment"))->setText(QString::fromUtf8(r.comment));
        EXPECT_EQ(dialog.flag("jo ann", now), r.expected) << r.kind;
    }
}

TEST(FlagDialog, ShowsTheRangeAndTheKindsAndNeedsAComponent) {
    FlagDialog dialog(at("2007-05-15T10:00:00"), at("2007-05-15T10:00:05"), kComponents, {"By"});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Flag samples"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("Range"))->text(),
              QStringLiteral("From 2007-05-15 10:00:00.000 to 2007-05-15 10:00:05.000"));
    auto* kind = dialog.findChild<QComboBox*>(QStringLiteral("Kind"));
    QStringList kinds;
    for (int i = 0; i < kind->count(); ++i) {
        kinds << kind->itemText(i);
        EXPECT_FALSE(kind->itemData(i, Qt::ToolTipRole).toString().isEmpty()) << i;
    }
    EXPECT_EQ(kinds, (QStringList{"remove", "spike", "step", "keep"}));
    EXPECT_EQ(kind->currentText(), QStringLiteral("remove"));

    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("Ok"));
    auto* by = dialog.findChild<QCheckBox*>(QStringLiteral("Component_By"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(by->isChecked());
    EXPECT_FALSE(dialog.findChild<QCheckBox*>(QStringLiteral("Component_Bx"))->isChecked());
    EXPECT_TRUE(ok->isEnabled());
    by->setChecked(false);
    EXPECT_FALSE(ok->isEnabled());
    dialog.findChild<QCheckBox*>(QStringLiteral("Component_Bz"))->setChecked(true);
    EXPECT_TRUE(ok->isEnabled());
    FlagDialog none(0, 0, kComponents, {});
    EXPECT_FALSE(none.findChild<QPushButton*>(QStringLiteral("Ok"))->isEnabled());
}

// Two flags given out of order, and a log of two edits.
FlagSet twoFlags() {
    FlagSet set;
    set.flags = {{at("2007-05-15T10:00:00"), at("2007-05-15T10:00:05"), {"Bx", "By"}, FlagKind::Remove, "alice",
                  at("2026-12-08T19:40:00Z"), "car parked"},
                 {at("2007-05-15T09:00:00.100"), at("2007-05-15T09:00:00.300"), {"Bz"}, FlagKind::Spike, "auto",
                  at("2026-12-08T08:00:00.500Z"), ""}};
    set.log = {{at("2026-12-08T08:00:00.500Z"), "auto", "kordel-export --flag-spikes: 1 spike"},
               {at("2026-12-08T19:40:00Z"), "alice",
                "added remove 2007-05-15T10:00:00.000 2007-05-15T10:00:05.000 Bx,By: car parked"}};
    return set;
}

QStringList rowTexts(const QTableWidget* table, int row) {
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c) texts << table->item(row, c)->text();
    return texts;
}

TEST(FlagsWindow, ListsTheFlagsByStartAndTheLogNewestFirst) {
    FlagsWindow window;
    window.setFlags(twoFlags(), QStringLiteral("Kept in /data/kordel-flags.txt"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Flags"));
    EXPECT_FALSE(window.isModal());
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("FlagTable"));
    ASSERT_EQ(table->rowCount(), 2);
    QStringList headers;
    for (int c = 0; c < table->columnCount(); ++c) headers << table->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headers, (QStringList{"Start", "End", "Components", "Kind", "Source", "Set", "Comment"}));
    EXPECT_EQ(rowTexts(table, 0), (QStringList{"2007-05-15 09:00:00.100", "2007-05-15 09:00:00.300", "Bz", "spike",
                                               "auto", "2026-12-08 08:00:00Z", ""}));
    EXPECT_EQ(rowTexts(table, 1), (QStringList{"2007-05-15 10:00:00.000", "2007-05-15 10:00:05.000", "Bx,By",
                                               "remove", "alice", "2026-12-08 19:40:00Z", "car parked"}));
    auto* log = window.findChild<QListWidget*>(QStringLiteral("EditLog"));
    ASSERT_EQ(log->count(), 2);
    EXPECT_EQ(log->item(0)->text(), QStringLiteral("2026-12-08 19:40:00Z  alice  added remove 2007-05-15T10:00:00.000 "
                                                   "2007-05-15T10:00:05.000 Bx,By: car parked"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("Place"))->text(),
              QStringLiteral("Kept in /data/kordel-flags.txt"));

    window.clearFlags(noFlagFolderText());
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(log->count(), 0);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("Place"))->text(),
              QStringLiteral("No data folder: flags need opened files or a recording."));
}

TEST(FlagsWindow, SaysWhereTheFlagsAreKept) {
    const struct {
        SidecarPlace place;
        const char* text;
    } rows[] = {
        {{"/data/kordel-flags.txt", false}, "Kept in /data/kordel-flags.txt"},
        {{"/home/u/k/%2Fdata/kordel-flags.txt", true},
         "The data folder cannot be written: the flags are kept in /home/u/k/%2Fdata/kordel-flags.txt"},
    };
    for (const auto& r : rows) EXPECT_EQ(flagPlaceText(r.place), QString::fromUtf8(r.text));
}

TEST(FlagsWindow, RemoveAsksForTheSelectedFlags) {
    FlagsWindow window;
    FlagSet set = twoFlags();
    set.flags.push_back({at("2007-05-15T11:00:00"), at("2007-05-15T11:00:00"), {"Bx"}, FlagKind::Step, "auto", 0, ""});
    window.setFlags(set, QString());
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("FlagTable"));
    auto* remove = window.findChild<QPushButton*>(QStringLiteral("Remove"));
    std::vector<std::vector<Flag>> asked;
    QObject::connect(&window, &FlagsWindow::removeRequested, [&](std::vector<Flag> f) { asked.push_back(f); });
    EXPECT_FALSE(remove->isEnabled());
    table->selectRow(2);
    table->selectionModel()->select(table->model()->index(0, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(remove->isEnabled());
    QTest::mouseClick(remove, Qt::LeftButton);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], (std::vector<Flag>{set.flags[1], set.flags[2]}));  // rows 0 and 2, by start
    table->clearSelection();
    EXPECT_FALSE(remove->isEnabled());
}

TEST(FlagsWindow, ShowAndADoubleClickAskForTheRowsRange) {
    FlagsWindow window;
    window.setFlags(twoFlags(), QString());
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("FlagTable"));
    std::vector<std::pair<qint64, qint64>> shown;
    QObject::connect(&window, &FlagsWindow::showRequested, [&](qint64 s, qint64 e) { shown.emplace_back(s, e); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The view takes a double click on the cell the press before it hit.
    const QPoint cell = table->visualItemRect(table->item(1, 3)).center();
    QTest::mousePress(table->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
    table->clearSelection();
    table->selectRow(0);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Show")), Qt::LeftButton);
    const std::vector<std::pair<qint64, qint64>> expected = {
        {at("2007-05-15T10:00:00"), at("2007-05-15T10:00:05")},
        {at("2007-05-15T09:00:00.100"), at("2007-05-15T09:00:00.300")}};
    EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace kordel
