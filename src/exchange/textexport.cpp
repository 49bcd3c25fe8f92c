#include "exchange/textexport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/fixedformats.h"
#include "exchange/csvwriter.h"
#include "exchange/intervalmeans.h"
#include "files/replacingfile.h"
#include "record/totalfield.h"

namespace kordel {

namespace {

std::int64_t intervalMs(ExportInterval i) {
    return i == ExportInterval::Second ? 1000 : i == ExportInterval::Minute ? 60000 : 0;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TextExport::TextExport(Record record, std::string elements, ExportSettings settings)
    : record_(std::move(record)), elements_(std::move(elements)), fromDataFiles_(elements_.empty()),
      settings_(std::move(settings)) {
    record_.shiftTimes(-settings_.utcOffsetMs);
    typicalMs_ = record_.typicalIntervalMs();
    if (fromDataFiles_) {
        if (const auto f = addTotalField(record_)) {
            iagaChannels_ = {0, 1, 2, *f};
        }
        elements_ = "XYZF";
    }
    first_ = settings_.fromMs ? record_.lowerBound(*settings_.fromMs) : 0;
    last_ = settings_.toMs ? record_.lowerBound(*settings_.toMs) : record_.size();
    last_ = std::max(first_, last_);
    keepWritableYears();
    if (const std::int64_t step = intervalMs(settings_.interval); step > 0) {
        means_ = intervalMeans(record_, first_, last_, step, minimumSamples(step, typicalMs_));
        first_ = 0;
        last_ = means_->size();
    }
}

void TextExport::keepWritableYears() {
    constexpr std::int64_t kYear1 = -693593LL * Record::kMsPerDay;     // 0001-01-01
    constexpr std::int64_t kYear10000 = 2958466LL * Record::kMsPerDay; // 10000-01-01
    const std::size_t lo = std::clamp(record_.lowerBound(kYear1), first_, last_);
    const std::size_t hi = std::clamp(record_.lowerBound(kYear10000), lo, last_);
    outsideYears_ = (lo - first_) + (last_ - hi);
    first_ = lo;
    last_ = hi;
}

namespace {

// `shiftMs`: the record's clock minus UT.
std::string noSamplesText(const Record& r, const ExportSettings& s, std::int64_t shiftMs) {
    if (r.empty() && !(s.fromMs && s.toMs)) return "no samples in the input";
    const std::int64_t from = s.fromMs ? *s.fromMs : r.timeMs(0) - shiftMs;
    const std::int64_t to = s.toMs ? *s.toMs : r.timeMs(r.size() - 1) - shiftMs;
    return "no samples between " + isoUtcText(from) + " and " + isoUtcText(to);
}

}  // namespace

std::string TextExport::nothingToWrite() const { return first_ < last_ ? std::string() : noSamplesText(record_, settings_, 0); }

std::string noSamplesSelected(const Record& record, const ExportSettings& settings) {
    const std::int64_t shift = settings.utcOffsetMs;
    const std::size_t first = settings.fromMs ? record.lowerBound(*settings.fromMs + shift) : 0;
    const std::size_t last = settings.toMs ? record.lowerBound(*settings.toMs + shift) : record.size();
    return first < last ? std::string() : noSamplesText(record, settings, shift);
}

std::string TextExport::offsetText(std::int64_t offsetMs) {
    const std::int64_t minutes = (offsetMs < 0 ? -offsetMs : offsetMs) / 60000;
    return std::string(offsetMs < 0 ? "-" : "+") + TwoDigits(static_cast<int>(minutes / 60)) + ":" +
           TwoDigits(static_cast<int>(minutes % 60));
}

IagaFileHeader TextExport::iagaHeader() const {
    IagaFileHeader h;
    h.station = settings_.station;
    h.reported = elements_;
    h.sensorOrientation = fromDataFiles_ ? "XYZ" : elements_.substr(0, 3);
    h.digitalSampling = typicalMs_ > 0 ? samplingText(typicalMs_) : "";
    switch (settings_.interval) {
        case ExportInterval::Second: h.dataIntervalType = "1-second (00:00-00:01)"; break;
        case ExportInterval::Minute: h.dataIntervalType = "average 1-minute (00:00-01:00)"; break;
        case ExportInterval::Native: {
            std::string s = samplingText(typicalMs_);
            h.dataIntervalType = s.substr(0, s.find(' ')) + "-second";
            break;
        }
    }
    h.dataType = "variation";
    if (fromDataFiles_) {
        h.comments.push_back("Kordel-K5 three-component fluxgate magnetometer.");
        h.comments.push_back("X, Y, Z are the instrument's Bx, By, Bz; F = sqrt(X^2 + Y^2 + Z^2).");
        h.comments.push_back("Ts and Te (sensor, electronics temperatures) are not reported.");
    } else {
        h.comments.push_back("Converted from IAGA-2002 input.");
    }
    h.comments.push_back("Instrument clock offset from UT " + offsetText(settings_.utcOffsetMs) +
                         " applied: times are UT.");
    h.comments.push_back("Written by " + settings_.programName + " " + settings_.programVersion + ".");
    return h;
}

std::vector<std::size_t> TextExport::csvChannels() const {
    std::vector<std::size_t> channels;
    const Record& r = data();
    if (!fromDataFiles_) {
        for (std::size_t c = 0; c < r.channelCount(); ++c) channels.push_back(c);
        return channels;
    }
    for (const char* name : {"Bx", "By", "Bz", "F", "Ts", "Te"}) {
        if (const auto c = r.findChannel(name)) channels.push_back(*c);
    }
    return channels;
}

std::vector<ExportPart> TextExport::days() const {
    std::vector<ExportPart> parts;
    const Record& r = data();
    const bool minutes = settings_.interval == ExportInterval::Minute ||
                         (settings_.interval == ExportInterval::Native && typicalMs_ >= 60000);
    const std::string kind = minutes ? "min" : "sec";
    const std::string ext = settings_.format == ExportFormat::Csv ? "csv" : kind;
    const std::string code = lower(settings_.station.code);
    for (std::size_t i = first_; i < last_;) {
        const std::int64_t t = r.timeMs(i);
        const std::int64_t day = t / Record::kMsPerDay - (t % Record::kMsPerDay < 0 ? 1 : 0);
        const std::size_t end = std::min(last_, r.lowerBound((day + 1) * Record::kMsPerDay));
        const CivilDateTime d = fromDateTimeNumber(static_cast<double>(day));
        char ymd[16];
        std::snprintf(ymd, sizeof ymd, "%04d%02d%02d", d.year, d.month, d.day);
        parts.push_back({code + ymd + "v" + kind + "." + ext, i, end});
        i = end;
    }
    return parts;
}

IoStatus TextExport::write(const ExportPart& part, const TextSink& sink) const {
    if (settings_.format == ExportFormat::Csv) {
        return writeCsv(data(), part.first, part.last, csvChannels(), sink);
    }
    return writeIaga2002(iagaHeader(), data(), part.first, part.last, iagaChannels_, sink);
}

IoStatus writeExportFile(const TextExport& ex, const ExportPart& part, const std::string& path) {
    ReplacingFile file;
    if (IoStatus s = file.open(path); !s) return s;
    if (IoStatus s = ex.write(part, [&](std::string_view bytes) { return file.append(bytes); }); !s) return s;
    return file.commit();
}

}  // namespace kordel
