#include "exchange/exportdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace {

template <typename T>
void addChoice(QComboBox* box, const QString& text, T value, T current) {
    box->addItem(text, QVariant::fromValue(static_cast<int>(value)));
    if (value == current) {
        box->setCurrentIndex(box->count() - 1);
    }
}

template <typename T>
T chosen(const QComboBox* box) {
    return static_cast<T>(box->currentData().toInt());
}

QLineEdit* field(QWidget* parent, const std::string& text) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    return edit;
}

std::string text(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

}  // namespace

TExportDialog::TExportDialog(const kordel::ExportChoice& current, QWidget* parent) : QDialog(parent) {
    using F = kordel::ExportChoice::Format;
    using I = kordel::ExportInterval;
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(QStringLiteral("Export"));

    Format = new QComboBox(this);
    addChoice(Format, QStringLiteral("IAGA-2002"), F::Iaga2002, current.format);
    addChoice(Format, QStringLiteral("CSV"), F::Csv, current.format);
    addChoice(Format, QStringLiteral("PNG picture"), F::Png, current.format);
    addChoice(Format, QStringLiteral("SVG picture"), F::Svg, current.format);
    addChoice(Format, QStringLiteral("PDF picture"), F::Pdf, current.format);
    Interval = new QComboBox(this);
    addChoice(Interval, QStringLiteral("Every sample"), I::Native, current.interval);
    addChoice(Interval, QStringLiteral("One-second values"), I::Second, current.interval);
    addChoice(Interval, QStringLiteral("One-minute values"), I::Minute, current.interval);
    addChoice(Interval, QStringLiteral("Hourly means"), I::Hour, current.interval);
    addChoice(Interval, QStringLiteral("Daily means"), I::Day, current.interval);
    Filter = new QComboBox(this);
    addChoice(Filter, QStringLiteral("Standard filter, centred"), kordel::ExportFilter::Standard, current.filter);
    addChoice(Filter, QStringLiteral("Plain means, stamped at the start"), kordel::ExportFilter::Mean, current.filter);
    Filter->setToolTip(QStringLiteral("How one-second and one-minute values are made; hours and days are always "
                                      "means of the filtered minutes"));
    const auto filterApplies = [this] {
        const auto i = chosen<kordel::ExportInterval>(Interval);
        Filter->setEnabled(i == kordel::ExportInterval::Second || i == kordel::ExportInterval::Minute);
    };
    connect(Interval, &QComboBox::currentIndexChanged, this, filterApplies);
    filterApplies();
    Range = new QComboBox(this);
    addChoice(Range, QStringLiteral("Whole record"), 0, current.visibleOnly ? 1 : 0);
    addChoice(Range, QStringLiteral("Visible window"), 1, current.visibleOnly ? 1 : 0);
    UtcOffset = new QLineEdit(current.utcOffset, this);
    UtcOffset->setToolTip(QStringLiteral("Offset of the instrument's clock from UT, +HH:MM or -HH:MM"));
    StationCode = field(this, current.station.code);
    StationCode->setMaxLength(3);
    StationName = field(this, current.station.name);
    Source = field(this, current.station.source);
    Latitude = field(this, current.station.latitude);
    Longitude = field(this, current.station.longitude);
    Elevation = field(this, current.station.elevation);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Format"), Format);
    form->addRow(QStringLiteral("Interval"), Interval);
    form->addRow(QStringLiteral("Values"), Filter);
    form->addRow(QStringLiteral("Range"), Range);
    form->addRow(QStringLiteral("UTC offset of the clock"), UtcOffset);
    form->addRow(QStringLiteral("IAGA code"), StationCode);
    form->addRow(QStringLiteral("Station name"), StationName);
    form->addRow(QStringLiteral("Source of data"), Source);
    form->addRow(QStringLiteral("Latitude, degrees"), Latitude);
    form->addRow(QStringLiteral("Longitude, degrees"), Longitude);
    form->addRow(QStringLiteral("Elevation, m"), Elevation);
    form->addRow(buttons);
}

kordel::ExportChoice TExportDialog::settings() const {
    kordel::ExportChoice c;
    c.format = chosen<kordel::ExportChoice::Format>(Format);
    c.interval = chosen<kordel::ExportInterval>(Interval);
    c.filter = chosen<kordel::ExportFilter>(Filter);
    c.visibleOnly = Range->currentData().toInt() == 1;
    c.utcOffset = UtcOffset->text().trimmed();
    c.station.code = QString::fromStdString(text(StationCode)).toUpper().toStdString();
    c.station.name = text(StationName);
    c.station.source = text(Source);
    c.station.latitude = text(Latitude);
    c.station.longitude = text(Longitude);
    c.station.elevation = text(Elevation);
    return c;
}
