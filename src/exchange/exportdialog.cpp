#include "exchange/exportdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "exchange/exportarguments.h"
#include "exchange/exportname.h"

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

    FileName = new QLineEdit(this);
    FileName->setObjectName(QStringLiteral("FileName"));
    FileName->setMinimumWidth(380);
    FileName->setToolTip(QStringLiteral("The file to write; the format's extension is added when none is typed"));
    Browse = new QPushButton(QStringLiteral("Browse..."), this);
    Browse->setObjectName(QStringLiteral("Browse"));
    FileNote = new QLabel(this);
    FileNote->setObjectName(QStringLiteral("FileNote"));
    FileNote->setWordWrap(true);
    FileNote->setVisible(false);
    connect(FileName, &QLineEdit::textEdited, this, [this] {
        nameTyped_ = true;
        takeFormatFromName();
        updateNote();
    });
    connect(Browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("Export"), filePath());
        if (!chosen.isEmpty()) {
            FileName->setText(chosen);
            nameTyped_ = true;
            takeFormatFromName();
            updateNote();
        }
    });
    const auto formatChanged = [this] {
        if (!settling_) {
            giveNameTheFormat();
            updateProposal();
            updateNote();
        }
    };
    connect(Format, &QComboBox::currentIndexChanged, this, formatChanged);
    connect(Interval, &QComboBox::currentIndexChanged, this, formatChanged);
    connect(Range, &QComboBox::currentIndexChanged, this, &TExportDialog::updateProposal);
    connect(StationCode, &QLineEdit::textChanged, this, &TExportDialog::updateProposal);
    connect(UtcOffset, &QLineEdit::textChanged, this, &TExportDialog::updateProposal);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(FileName, 1);
    fileRow->addWidget(Browse);

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
    form->addRow(QStringLiteral("File"), fileRow);
    form->addRow(FileNote);
    form->addRow(buttons);
}

void TExportDialog::proposeName(const kordel::ExportNaming& naming) {
    naming_ = naming;
    nameTyped_ = false;
    updateProposal();
    updateNote();
}

void TExportDialog::updateProposal() {
    if (!naming_ || nameTyped_) {
        return;
    }
    const kordel::ExportChoice c = settings();
    // The name carries UT dates, as the file's contents do.
    const std::int64_t offset = kordel::parseUtcOffset(c.utcOffset.toStdString()).value_or(0);
    const bool window = c.visibleOnly;
    const std::int64_t from = (window ? naming_->windowFromMs : naming_->wholeFromMs) - offset;
    const std::int64_t to = (window ? naming_->windowToMs : naming_->wholeToMs) - offset;
    FileName->setText(kordel::proposedExportName(naming_->folder, c.station.code, from, to, c.format, c.interval));
}

void TExportDialog::takeFormatFromName() {
    const QString extension = QFileInfo(FileName->text().trimmed()).suffix().toLower();
    const auto named = kordel::formatOfExtension(extension);
    if (!named) {
        return;
    }
    settling_ = true;
    Format->setCurrentIndex(Format->findData(static_cast<int>(*named)));
    if (*named == kordel::ExportChoice::Format::Iaga2002) {
        using I = kordel::ExportInterval;
        const std::pair<const char*, I> intervals[] = {{"min", I::Minute}, {"hor", I::Hour}, {"day", I::Day}};
        for (const auto& [name, interval] : intervals) {
            if (extension == QLatin1String(name)) {
                Interval->setCurrentIndex(Interval->findData(static_cast<int>(interval)));
            }
        }
        // "sec" fits every sample and one-second values alike.
        if (extension == QLatin1String("sec") && chosen<I>(Interval) != I::Native) {
            Interval->setCurrentIndex(Interval->findData(static_cast<int>(I::Second)));
        }
    }
    settling_ = false;
}

void TExportDialog::giveNameTheFormat() {
    const QString typed = FileName->text().trimmed();
    const QFileInfo info(typed);
    if (!nameTyped_ || !kordel::formatOfExtension(info.suffix())) {
        return;  // no extension, or one no format uses: the note says so
    }
    const kordel::ExportChoice c = settings();
    const QString extension = kordel::exportExtension(c.format, c.interval);
    // "txt" stays for IAGA-2002: it is a name the user chose for that format.
    if (kordel::formatOfExtension(info.suffix()) == c.format && info.suffix().toLower() == QLatin1String("txt")) {
        return;
    }
    FileName->setText(typed.left(typed.size() - info.suffix().size()) + extension);
}

void TExportDialog::updateNote() {
    const kordel::ExportChoice c = settings();
    const QString note = kordel::extensionMismatch(FileName->text(), c.format, c.interval);
    FileNote->setText(note);
    FileNote->setVisible(!note.isEmpty());
}

QString TExportDialog::filePath() const {
    const kordel::ExportChoice c = settings();
    return kordel::completedExportPath(FileName->text(), c.format, c.interval);
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
