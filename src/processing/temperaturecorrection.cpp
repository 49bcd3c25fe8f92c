#include "processing/temperaturecorrection.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/fixedformats.h"
#include "exchange/exportarguments.h"
#include "processing/flags.h"
#include "processing/robustregression.h"
#include "processing/sidecarfile.h"

namespace kordel {

namespace {

constexpr std::int64_t kBinMs = 600'000;  // ten minutes
constexpr std::size_t kBinsPerDay = 144;
constexpr int kHalfWindowDays = 3;
constexpr std::size_t kMinimumDays = 3;
constexpr double kTeSignificance = 3.0;
constexpr double kMaxTsTeCorrelation = 0.95;
// More groups add little to the error's precision and cost a fit each.
constexpr std::size_t kJackknifeGroups = 31;
// A record spanning more than this (a clock gone wrong) is not binned.
constexpr std::size_t kMaxDays = 3700;
constexpr const char* kNames[5] = {"Bx", "By", "Bz", "Ts", "Te"};

std::int64_t dayOf(std::int64_t t) { return t / Record::kMsPerDay - (t % Record::kMsPerDay < 0 ? 1 : 0); }

// Ten-minute means of the five quantities, days × 144 bins, NaN where empty.
struct Bins {
    std::int64_t firstDay = 0;
    std::size_t days = 0;
    std::array<std::vector<double>, 5> mean;
    double at(std::size_t q, std::size_t d, std::size_t b) const { return mean[q][d * kBinsPerDay + b]; }
};

Bins binMeans(const Record& r, const std::array<std::size_t, 5>& ch) {
    Bins bins;
    bins.firstDay = dayOf(r.timeMs(0));
    bins.days = static_cast<std::size_t>(dayOf(r.timeMs(r.size() - 1)) - bins.firstDay + 1);
    const std::size_t n = bins.days * kBinsPerDay;
    std::array<std::vector<double>, 5> sum;
    std::array<std::vector<std::uint32_t>, 5> count;
    for (std::size_t q = 0; q < 5; ++q) sum[q].assign(n, 0.0), count[q].assign(n, 0);
    const std::int64_t origin = bins.firstDay * Record::kMsPerDay;
    const auto times = r.times();
    std::array<std::span<const std::int32_t>, 5> cols;
    for (std::size_t q = 0; q < 5; ++q) cols[q] = r.column(ch[q]);
    // Times ascend: the bin moves on when a sample passes its end (no division per sample).
    std::size_t b = 0;
    std::int64_t binEnd = origin + kBinMs;
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (times[i] >= binEnd) {
            b = static_cast<std::size_t>((times[i] - origin) / kBinMs);
            binEnd = origin + static_cast<std::int64_t>(b + 1) * kBinMs;
        }
        for (std::size_t q = 0; q < 5; ++q) {
            const std::int32_t v = cols[q][i];
            if (v == Record::kMissing) continue;
            sum[q][b] += v;
            ++count[q][b];
        }
    }
    for (std::size_t q = 0; q < 5; ++q) {
        bins.mean[q].resize(n);
        const double scale = r.scale(ch[q]);
        for (std::size_t k = 0; k < n; ++k) {
            bins.mean[q][k] = count[q][k] ? sum[q][k] / count[q][k] / scale : std::nan("");
        }
    }
    return bins;
}

// A bin's departures from the same bin of the surrounding days (point.y
// unused), with the day it belongs to; only bins where all five are known and
// the window holds another day.
struct Departure {
    std::array<double, 5> v{};
    std::size_t day = 0;
};

std::vector<Departure> departures(const Bins& bins) {
    std::vector<Departure> out;
    const auto known = [&](std::size_t d, std::size_t b) {
        for (std::size_t q = 0; q < 5; ++q) {
            if (std::isnan(bins.at(q, d, b))) return false;
        }
        return true;
    };
    for (std::size_t d = 0; d < bins.days; ++d) {
        const auto k = static_cast<std::size_t>(std::min<std::int64_t>(
            {kHalfWindowDays, static_cast<std::int64_t>(d), static_cast<std::int64_t>(bins.days - 1 - d)}));
        if (k == 0) continue;
        for (std::size_t b = 0; b < kBinsPerDay; ++b) {
            if (!known(d, b)) continue;
            std::array<double, 5> mean{};
            std::size_t n = 0;
            for (std::size_t e = d - k; e <= d + k; ++e) {
                if (!known(e, b)) continue;
                for (std::size_t q = 0; q < 5; ++q) mean[q] += bins.at(q, e, b);
                ++n;
            }
            if (n < 2) continue;
            Departure dep;
            dep.day = d;
            for (std::size_t q = 0; q < 5; ++q) dep.v[q] = bins.at(q, d, b) - mean[q] / static_cast<double>(n);
            out.push_back(dep);
        }
    }
    return out;
}

struct Fit {
    std::array<double, 3> b{};
    std::array<double, 3> error{};
    bool ok = false;
};

// Component q on Ts (and Te), with jackknife errors: each of at most
// kJackknifeGroups runs of consecutive days left out in turn.
Fit fitComponent(const std::vector<Departure>& deps, const std::vector<std::size_t>& days, std::size_t q,
                 int regressors) {
    std::vector<RegressionPoint> points;
    points.reserve(deps.size());
    const std::size_t groups = std::min(days.size(), kJackknifeGroups);
    std::vector<std::size_t> groupOf(days.empty() ? 0 : days.back() + 1, 0);
    for (std::size_t k = 0; k < days.size(); ++k) groupOf[days[k]] = k * groups / days.size();
    const auto pointsWithout = [&](std::size_t leftOut) {
        points.clear();
        for (const Departure& d : deps) {
            if (groupOf[d.day] != leftOut) points.push_back({d.v[q], {d.v[3], d.v[4]}});
        }
    };
    pointsWithout(SIZE_MAX);
    Fit fit;
    const auto all = huberRegression(points, regressors);
    if (!all) return fit;
    fit.b = *all;
    std::vector<std::array<double, 3>> partial;
    for (std::size_t g = 0; g < groups; ++g) {
        pointsWithout(g);
        if (const auto b = huberRegression(points, regressors)) partial.push_back(*b);
    }
    const double g = static_cast<double>(partial.size());
    if (g < 2) return fit;
    for (std::size_t j = 1; j < 3; ++j) {
        double mean = 0, ss = 0;
        for (const auto& p : partial) mean += p[j];
        mean /= g;
        for (const auto& p : partial) ss += (p[j] - mean) * (p[j] - mean);
        fit.error[j] = std::sqrt((g - 1) / g * ss);
    }
    fit.ok = true;
    return fit;
}

double correlation(const std::vector<Departure>& deps, std::size_t a, std::size_t b) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    const double n = static_cast<double>(deps.size());
    for (const Departure& d : deps) {
        sa += d.v[a], sb += d.v[b], saa += d.v[a] * d.v[a], sbb += d.v[b] * d.v[b], sab += d.v[a] * d.v[b];
    }
    const double va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return va > 0 && vb > 0 ? (sab - sa * sb / n) / std::sqrt(va * vb) : 1.0;
}

std::string dateText(std::int64_t day) { return isoTime(day * Record::kMsPerDay, false).substr(0, 10); }

}  // namespace

const TemperatureCoefficient* TemperatureCorrection::find(std::string_view component) const {
    for (const auto& c : components) {
        if (c.component == component) return &c;
    }
    return nullptr;
}

TemperatureEstimate estimateTemperatureCorrection(const Record& record, std::int64_t nowMs) {
    TemperatureEstimate result;
    std::array<std::size_t, 5> ch{};
    for (std::size_t q = 0; q < 5; ++q) {
        const auto c = record.findChannel(kNames[q]);
        if (!c) {
            result.problem = std::string("the record has no ") + kNames[q] + " channel";
            return result;
        }
        ch[q] = *c;
    }
    if (record.empty()) {
        result.problem = "the record is empty";
        return result;
    }
    const std::int64_t span = dayOf(record.timeMs(record.size() - 1)) - dayOf(record.timeMs(0)) + 1;
    if (span > static_cast<std::int64_t>(kMaxDays)) {
        result.problem = "the inputs span " + std::to_string(span) + " days; the temperature correction is " +
                         "estimated from at most " + std::to_string(kMaxDays) + " (give the inputs of a shorter span)";
        return result;
    }
    const Bins bins = binMeans(record, ch);
    const std::vector<Departure> deps = departures(bins);
    std::vector<std::size_t> days;
    for (const Departure& d : deps) {
        if (days.empty() || days.back() != d.day) days.push_back(d.day);
    }
    if (days.size() < kMinimumDays) {
        result.problem = "the temperature correction needs at least " + std::to_string(kMinimumDays) +
                         " days with temperatures and field, each with recorded days on either side; " +
                         "these inputs give " + std::to_string(days.size());
        return result;
    }
    double tsMean = 0, teMean = 0;
    std::size_t n = 0;
    for (const std::size_t d : days) {
        for (std::size_t b = 0; b < kBinsPerDay; ++b) {
            if (std::isnan(bins.at(3, d, b)) || std::isnan(bins.at(4, d, b))) continue;
            tsMean += bins.at(3, d, b), teMean += bins.at(4, d, b), ++n;
        }
    }
    tsMean /= static_cast<double>(n);
    teMean /= static_cast<double>(n);
    const bool teDiffers = std::fabs(correlation(deps, 3, 4)) < kMaxTsTeCorrelation;

    TemperatureCorrection corr;
    corr.estimatedMs = nowMs;
    for (const std::size_t d : days) corr.days.push_back(bins.firstDay + static_cast<std::int64_t>(d));
    for (std::size_t q = 0; q < 3; ++q) {
        Fit fit = fitComponent(deps, days, q, 1);
        if (!fit.ok) {
            result.problem = "the sensor temperature did not vary from day to day: no coefficient can be told";
            return result;
        }
        TemperatureCoefficient c{kNames[q], fit.b[1], fit.error[1], tsMean};
        if (teDiffers) {
            const Fit both = fitComponent(deps, days, q, 2);
            if (both.ok && both.error[2] > 0 && std::fabs(both.b[2]) > kTeSignificance * both.error[2]) {
                c = {kNames[q], both.b[1], both.error[1], tsMean, true, both.b[2], both.error[2], teMean};
            }
        }
        corr.components.push_back(c);
    }
    result.correction = std::move(corr);
    return result;
}

std::string coefficientLine(const TemperatureCoefficient& c, std::size_t days) {
    std::string line = c.component + "  " + formatFixed(c.ts, 3) + " ± " + formatFixed(c.tsError, 3) +
                       " nT/°C  (Ts, " + std::to_string(days) + (days == 1 ? " day)" : " days)");
    if (c.usesTe) line += "  Te " + formatFixed(c.te, 3) + " ± " + formatFixed(c.teError, 3) + " nT/°C";
    return line;
}

void applyTemperatureCorrection(Record& record, const TemperatureCorrection& correction) {
    const auto ts = record.findChannel("Ts");
    const auto te = record.findChannel("Te");
    for (std::size_t c = 0; c < record.channelCount(); ++c) {
        const TemperatureCoefficient* k = correction.find(record.channel(c).name);
        if (!k || !ts || (k->usesTe && !te)) continue;
        const double scale = record.scale(c);
        std::vector<std::int32_t> column(record.column(c).begin(), record.column(c).end());
        for (std::size_t i = 0; i < column.size(); ++i) {
            if (column[i] == Record::kMissing) continue;
            const double tsv = record.value(*ts, i);
            const double tev = k->usesTe ? record.value(*te, i) : k->teReference;
            if (std::isnan(tsv) || std::isnan(tev)) {
                column[i] = Record::kMissing;
                continue;
            }
            const double drift = k->ts * (tsv - k->tsReference) + (k->usesTe ? k->te * (tev - k->teReference) : 0.0);
            const double v = std::round(column[i] - drift * scale);
            column[i] = std::fabs(v) < 2.1e9 ? static_cast<std::int32_t>(v) : Record::kMissing;
        }
        record.replaceColumn(c, std::move(column));
    }
}

std::string formatTemperatureFile(const TemperatureCorrection& corr) {
    std::string out =
        "# Kordel-K5 temperature correction of the field components: B - c * (T - reference).\n"
        "# COMPONENT TEMPERATURE COEFFICIENT(nT/degC) STANDARD-ERROR(nT/degC) REFERENCE(degC)\n";
    out += "estimated " + isoTime(corr.estimatedMs, true) + " " + flagField(corr.source) + "\n";
    out += "days";
    for (const std::int64_t d : corr.days) out += " " + dateText(d);
    out += "\n";
    for (const auto& c : corr.components) {
        out += c.component + " Ts " + formatFixed(c.ts, 4) + " " + formatFixed(c.tsError, 4) + " " +
               formatFixed(c.tsReference, 2) + "\n";
        if (c.usesTe) {
            out += c.component + " Te " + formatFixed(c.te, 4) + " " + formatFixed(c.teError, 4) + " " +
                   formatFixed(c.teReference, 2) + "\n";
        }
    }
    return out;
}

std::optional<TemperatureCorrection> parseTemperatureFile(std::string_view text, std::string& problem) {
    TemperatureCorrection corr;
    ContentLines lines(text);
    std::string_view line;
    while (lines.next(line)) {
        std::vector<std::string_view> f;
        for (std::string_view rest = line; !rest.empty();) {
            const std::size_t sp = rest.find(' ');
            if (sp != 0) f.push_back(rest.substr(0, sp));
            rest.remove_prefix(sp == std::string_view::npos ? rest.size() : sp + 1);
        }
        if (f.empty()) continue;
        const auto bad = [&](const std::string& why) {
            problem = "line " + std::to_string(lines.number()) + ": " + why;
            return std::nullopt;
        };
        if (f[0] == "estimated") {
            const auto t = f.size() == 3 && f[1].back() == 'Z' ? parseIsoUtc(f[1]) : std::nullopt;
            if (!t) return bad("\"estimated\" needs a UT time and a source");
            corr.estimatedMs = *t;
            corr.source = std::string(f[2]);
        } else if (f[0] == "days") {
            for (std::size_t i = 1; i < f.size(); ++i) {
                const auto t = f[i].size() == 10 ? parseIsoUtc(f[i]) : std::nullopt;
                if (!t) return bad("a day must be written as 2007-05-15");
                corr.days.push_back(*t / Record::kMsPerDay);
            }
        } else {
            const auto c = f.size() == 5 ? parseNumber(f[2]) : std::nullopt;
            const auto e = f.size() == 5 ? parseNumber(f[3]) : std::nullopt;
            const auto r = f.size() == 5 ? parseNumber(f[4]) : std::nullopt;
            if (!c || !e || !r || (f[1] != "Ts" && f[1] != "Te") || (f[0] != "Bx" && f[0] != "By" && f[0] != "Bz")) {
                return bad("expected COMPONENT (Bx, By, Bz) Ts|Te COEFFICIENT ERROR REFERENCE");
            }
            auto it = std::find_if(corr.components.begin(), corr.components.end(),
                                   [&](const auto& k) { return k.component == f[0]; });
            if (f[1] == "Ts") {
                if (it != corr.components.end()) return bad(std::string(f[0]) + " Ts given twice");
                corr.components.push_back({std::string(f[0]), *c, *e, *r});
            } else {
                if (it == corr.components.end() || it->usesTe) return bad("Te must follow its component's Ts line");
                it->usesTe = true, it->te = *c, it->teError = *e, it->teReference = *r;
            }
        }
    }
    if (corr.components.empty()) {
        problem = "no coefficients";
        return std::nullopt;
    }
    return corr;
}

IoStatus writeTemperatureFile(const std::string& path, const TemperatureCorrection& correction) {
    return writeSidecar(path, formatTemperatureFile(correction));
}

IoStatus readTemperatureFile(const std::string& path, std::optional<TemperatureCorrection>& out, bool& missing) {
    out.reset();
    std::string bytes;
    if (IoStatus s = readSidecar(path, bytes, missing); !s || missing) return s;
    std::string problem;
    out = parseTemperatureFile(bytes, problem);
    return out ? IoStatus{} : IoStatus::failure(path + ": " + problem);
}

}  // namespace kordel
