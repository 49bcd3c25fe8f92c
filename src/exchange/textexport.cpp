#include "exchange/textexport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/fixedformats.h"
#include "exchange/csvwriter.h"
#include "files/replacingfile.h"
#include "record/totalfield.h"

namespace kordel {

namespace {

// Enough samples to tell their interval, few enough to copy at once.
constexpr std::size_t kSamplesJudged = 100'000;

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TextExport::TextExport(Record record, std::string elements, ExportSettings settings)
    : record_(std::move(record)), elements_(std::move(elements)), fromDataFiles_(elements_.empty()),
      settings_(std::move(settings)) {
    record_.shiftTimes(-settings_.utcOffsetMs);
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
    // The samples' interval as the instrument gave them (ten lines to a
    // stamp are 0.1 s apart), judged from the first of them within their
    // first UT day (days apart are no interval).
    std::size_t judged = 0;
    if (first_ < last_) {
        const std::int64_t t = record_.timeMs(first_);
        const std::int64_t dayEnd = (t / Record::kMsPerDay - (t % Record::kMsPerDay < 0 ? 1 : 0) + 1) * Record::kMsPerDay;
        judged = std::min({record_.lowerBound(dayEnd), last_, first_ + kSamplesJudged}) - first_;
    }
    const SampleClock clock = sampleClock(spreadSharedStamps(record_.times().subspan(first_, judged)));
    typicalMs_ = clock.intervalMs > 0 ? clock.intervalMs : record_.typicalIntervalMs();
    kind_ = clock.kind;
}

IntervalValues TextExport::intervalValues() const {
    return IntervalValues(record_, first_, last_, settings_.interval, settings_.filter, settings_.fromMs,
                          settings_.toMs);
}

std::string TextExport::unsupportedInterval() const {
    using Kind = SampleClock::Kind;
    const ExportInterval i = settings_.interval;
    if (i == ExportInterval::Native || first_ == last_) return {};
    const bool mean = settings_.filter == ExportFilter::Mean && (i == ExportInterval::Second || i == ExportInterval::Minute);
    if (mean) return {};
    const std::string apart = "the samples are " + samplingText(typicalMs_) + " apart";
    if (i == ExportInterval::Second && kind_ != Kind::Faster && kind_ != Kind::Seconds) {
        return "one-second values need a sample at least every second; " + apart;
    }
    if (kind_ == Kind::Other) {
        return "filtered one-minute values need samples at most 1 second apart, or every 5, 10 or 60 seconds on "
               "whole multiples of that; " + apart;
    }
    return {};
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
    if (settings_.interval == ExportInterval::Native) {
        std::string s = samplingText(typicalMs_);
        h.dataIntervalType = s.substr(0, s.find(' ')) + "-second";
    } else {
        h.dataIntervalType = intervalValues().intervalType();
    }
    h.dataType = "variation";
    if (fromDataFiles_) {
        h.comments.push_back("Kordel-K5 three-component fluxgate magnetometer.");
        h.comments.push_back("X, Y, Z are the instrument's Bx, By, Bz; F = sqrt(X^2 + Y^2 + Z^2).");
        h.comments.push_back("Ts and Te (sensor, electronics temperatures) are not reported.");
    } else {
        h.comments.push_back("Converted from IAGA-2002 input.");
    }
    if (!settings_.levelText.empty()) h.comments.push_back(settings_.levelText);
    if (settings_.interval != ExportInterval::Native) h.comments.push_back(intervalValues().methodText());
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

std::string TextExport::partName(std::int64_t day) const {
    const char* kind = "sec";
    switch (settings_.interval) {
        case ExportInterval::Native: kind = typicalMs_ >= 60000 ? "min" : "sec"; break;
        case ExportInterval::Second: kind = "sec"; break;
        case ExportInterval::Minute: kind = "min"; break;
        case ExportInterval::Hour: kind = "hor"; break;
        case ExportInterval::Day: kind = "day"; break;
    }
    const std::string ext = settings_.format == ExportFormat::Csv ? "csv" : kind;
    const CivilDateTime d = fromDateTimeNumber(static_cast<double>(day));
    char date[16];
    if (settings_.interval == ExportInterval::Day) {
        std::snprintf(date, sizeof date, "%04d%02d", d.year, d.month);
    } else {
        std::snprintf(date, sizeof date, "%04d%02d%02d", d.year, d.month, d.day);
    }
    return lower(settings_.station.code) + date + "v" + kind + "." + ext;
}

std::vector<ExportPart> TextExport::days() const {
    std::vector<ExportPart> parts;
    const Record& r = data();
    for (std::size_t i = first_; i < last_;) {
        const std::int64_t t = r.timeMs(i);
        const std::int64_t day = t / Record::kMsPerDay - (t % Record::kMsPerDay < 0 ? 1 : 0);
        std::int64_t next = day + 1;
        if (settings_.interval == ExportInterval::Day) {
            // Daily means: one file per month.
            const CivilDateTime d = fromDateTimeNumber(static_cast<double>(day));
            next = static_cast<std::int64_t>(d.month == 12 ? toDateNumber(d.year + 1, 1, 1)
                                                           : toDateNumber(d.year, d.month + 1, 1));
        }
        const std::size_t end = std::min(last_, r.lowerBoundFrom(i, next * Record::kMsPerDay));
        parts.push_back({partName(day), i, end});
        i = end;
    }
    return parts;
}

namespace {

// Passes on what follows the first `skip` bytes: the days after the first
// are written with the same header, which the output holds once.
TextSink skipping(std::size_t skip, const TextSink& sink) {
    return [skip, &sink](std::string_view bytes) mutable {
        const std::size_t n = std::min(skip, bytes.size());
        skip -= n;
        bytes.remove_prefix(n);
        return bytes.empty() ? IoStatus{} : sink(bytes);
    };
}

}  // namespace

IoStatus TextExport::write(const ExportPart& part, const TextSink& sink) const {
    const bool csv = settings_.format == ExportFormat::Csv;
    if (settings_.interval == ExportInterval::Native) {
        return csv ? writeCsv(data(), part.first, part.last, csvChannels(), sink)
                   : writeIaga2002(iagaHeader(), data(), part.first, part.last, iagaChannels_, sink);
    }
    // A day's values at a time; the header once.
    const IntervalValues values = intervalValues();
    const IagaFileHeader header = iagaHeader();
    const std::vector<std::int64_t> days = values.daysHoldingSamples(part.first, part.last);
    std::size_t headerBytes = 0;
    for (std::size_t k = 0; k < days.size(); ++k) {
        const Record v = values.valuesOfDay(
            days[k], csv ? csvChannels() : std::vector<std::size_t>(iagaChannels_.begin(), iagaChannels_.end()));
        const TextSink out = k == 0 ? sink : skipping(headerBytes, sink);
        if (csv) {
            const std::vector<std::size_t> channels = csvChannels();
            if (IoStatus s = writeCsv(v, 0, v.size(), channels, out); !s) return s;
            if (k == 0) {
                std::string head = "time";
                for (const std::size_t c : channels) head += "," + csvField(v.channel(c).name);
                headerBytes = head.size() + 2;
            }
        } else {
            if (IoStatus s = writeIaga2002(header, v, 0, v.size(), iagaChannels_, out); !s) return s;
            headerBytes = iagaHeaderBlock(header).size();
        }
    }
    return days.empty() ? (csv ? writeCsv(data(), 0, 0, csvChannels(), sink)
                               : writeIaga2002(header, data(), 0, 0, iagaChannels_, sink))
                        : IoStatus{};
}

IoStatus writeExportFile(const TextExport& ex, const ExportPart& part, const std::string& path) {
    ReplacingFile file;
    if (IoStatus s = file.open(path); !s) return s;
    if (IoStatus s = ex.write(part, [&](std::string_view bytes) { return file.append(bytes); }); !s) return s;
    return file.commit();
}

}  // namespace kordel
