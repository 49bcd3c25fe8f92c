// File > Export...: what it writes from the shown record, its checks, its
// settings section and its dialog.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "../files/scratchdir.h"
#include "app/settingsstore.h"
#include "exchange/exportdialog.h"
#include "exchange/recordexport.h"
#include "record/record.h"

namespace kordel {
namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

constexpr std::int64_t kDay = 39'218LL * Record::kMsPerDay;  // 2007-05-16
constexpr std::int64_t kOneHour = 3'600'000;

// Two samples at 01:00:00.000 and 01:00:00.100 of the instrument's clock.
Record twoSamples() {
    Record r(Record::dataFileChannels());
    const std::int32_t a[] = {2'000'000, 150'000, 4'400'000, 250, 300};
    const std::int32_t b[] = {2'000'001, 150'000, 4'400'000, 250, 300};
    r.append(kDay + kOneHour, a);
    r.append(kDay + kOneHour + 100, b);
    r.finish();
    return r;
}

ExportChoice csvChoice() {
    ExportChoice c;
    c.format = ExportChoice::Format::Csv;
    c.utcOffset = QStringLiteral("+01:00");
    return c;
}

TEST(RecordExport, WritesTheWholeRecordOrTheVisibleWindowInUt) {
    const auto record = std::make_shared<const Record>(twoSamples());
    const double second = (kDay + kOneHour + 100) / static_cast<double>(Record::kMsPerDay);
    const std::string header = "time,Bx,By,Bz,F,Ts,Te\r\n";
    const std::string first = "2007-05-16T00:00:00.000Z,20000.00,1500.00,44000.00,48355.45,25.0,30.0\r\n";
    const std::string last = "2007-05-16T00:00:00.100Z,20000.01,1500.00,44000.00,48355.46,25.0,30.0\r\n";
    struct Case {
        bool visibleOnly;
        std::string expected;
    };
    for (const Case& c : {Case{false, header + first + last}, Case{true, header + last}}) {
        test::ScratchDir dir;
        RecordExport ex(nullptr, [&] { return RecordExport::View{record, second - 1e-9, second, {}, {}}; });
        ExportChoice choice = csvChoice();
        choice.visibleOnly = c.visibleOnly;
        EXPECT_EQ(ex.exportTo(choice, QString::fromStdString(dir.file("o.csv"))), QString());
        EXPECT_EQ(readAll(dir.file("o.csv")), c.expected) << c.visibleOnly;
    }
}

TEST(RecordExport, RefusesWhatCannotBeWrittenWithAMessage) {
    const auto record = std::make_shared<const Record>(twoSamples());
    test::ScratchDir dir;
    struct Case {
        std::shared_ptr<const Record> record;
        const char* offset;
        const char* code;
        const char* latitude;
        std::string path;
        const char* message;
    };
    const std::vector<Case> cases{
        {nullptr, "+00:00", "ABC", "", dir.file("a.csv"), "There is no record to export."},
        {record, "2", "ABC", "", dir.file("a.csv"), "The UTC offset needs +HH:MM or -HH:MM."},
        {record, "+00:00", "AB", "", dir.file("a.csv"), "The IAGA code needs three letters."},
        {record, "+00:00", "ABC", "north", dir.file("a.csv"), "Latitude, longitude and elevation need numbers."},
    };
    for (const Case& c : cases) {
        RecordExport ex(nullptr, [&] { return RecordExport::View{c.record, 0, 1e9, {}, {}}; });
        ExportChoice choice = csvChoice();
        choice.utcOffset = QString::fromLatin1(c.offset);
        choice.station.code = c.code;
        choice.station.latitude = c.latitude;
        EXPECT_EQ(ex.exportTo(choice, QString::fromStdString(c.path)).toStdString(), c.message);
    }
    // A visible window without samples (00:00 to 00:30 of the clock): a message, no file.
    RecordExport empty(nullptr, [&] { return RecordExport::View{record, 39'218.0, 39'218.0 + 1.0 / 48, {}, {}}; });
    ExportChoice window = csvChoice();
    window.visibleOnly = true;
    EXPECT_EQ(empty.exportTo(window, QString::fromStdString(dir.file("a.csv"))).toStdString(),
              "Nothing exported: no samples between 2007-05-15T23:00:00.000Z and 2007-05-15T23:30:00.001Z.");
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.csv")));
    RecordExport ex(nullptr, [&] { return RecordExport::View{record, 0, 1e9, {}, {}}; });
    EXPECT_FALSE(ex.exportTo(csvChoice(), QString::fromStdString(dir.file("no/such/o.csv"))).isEmpty());
    ExportChoice png = csvChoice();
    png.format = ExportChoice::Format::Png;
    EXPECT_EQ(ex.exportTo(png, QString::fromStdString(dir.file("o.png"))), QString());
    EXPECT_TRUE(readAll(dir.file("o.png")).starts_with("\x89PNG\r\n\x1a\n"));
}

void expectSame(const ExportChoice& a, const ExportChoice& b) {
    EXPECT_EQ(a.format, b.format);
    EXPECT_EQ(a.interval, b.interval);
    EXPECT_EQ(a.filter, b.filter);
    EXPECT_EQ(a.visibleOnly, b.visibleOnly);
    EXPECT_EQ(a.utcOffset, b.utcOffset);
    EXPECT_EQ(a.station.code, b.station.code);
    EXPECT_EQ(a.station.name, b.station.name);
    EXPECT_EQ(a.station.source, b.station.source);
    EXPECT_EQ(a.station.latitude, b.station.latitude);
    EXPECT_EQ(a.station.longitude, b.station.longitude);
    EXPECT_EQ(a.station.elevation, b.station.elevation);
}

// The choice survives the settings file and the dialog unchanged.
TEST(RecordExport, ChoiceKeptInTheSettingsFileAndShownByTheDialog) {
    ExportChoice choice;
    choice.format = ExportChoice::Format::Svg;
    choice.interval = ExportInterval::Minute;
    choice.filter = ExportFilter::Mean;
    choice.visibleOnly = true;
    choice.utcOffset = QStringLiteral("-03:30");
    choice.station = {"Institute, Dept.", "Kordel Hill", "KDH", "51.5", "-0.25", "120"};

    expectSame(TExportDialog(choice).settings(), choice);

    test::ScratchDir dir;
    const QString path = QString::fromStdString(dir.file("kordel.ini"));
    {
        SettingsStore store(path);
        RecordExport fresh(nullptr, {});
        fresh.restoreSettings(store);  // nothing there yet: the defaults stay
        expectSame(fresh.choice(), ExportChoice());
        RecordExport saving(nullptr, {});
        saving.setChoice(choice);
        saving.saveSettings(store);
        ASSERT_TRUE(store.sync());
    }
    SettingsStore store(path);
    RecordExport restored(nullptr, {});
    restored.restoreSettings(store);
    expectSame(restored.choice(), choice);
}

}  // namespace
}  // namespace kordel
