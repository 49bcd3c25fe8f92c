#pragma once
// The sensor's temperature coefficients, estimated from the station's own
// record, and the correction they make.
//
// A fluxgate's components drift with the temperature of the sensor (Ts) and,
// less, of the electronics (Te). Both temperatures follow a daily cycle, as
// does the geomagnetic field (the solar quiet variation), so a plain fit of
// the field on the temperature would take the field's daily wave for drift.
// What tells them apart is the weather: the temperature's cycle changes from
// day to day, the field's daily variation much less.
//
// The method:
//  1. Ten-minute means of Bx, By, Bz, Ts and Te (samples left out of the
//     level given, flagged ones among them, are not used).
//  2. From each, the mean of the same ten minutes of the day over the
//     surrounding days (up to ±3 days, symmetric) is taken off: this removes
//     what repeats each day (the quiet daily variation, the temperature's
//     average cycle) and slow drifts, leaving the day-to-day departures
//     (a superposed-epoch residual, as in Sq studies).
//  3. Each component's departures are fitted to those of Ts by robust
//     regression: Huber's M-estimator (k = 1.345 robust standard deviations,
//     the scale by 1.4826 × MAD of the residuals) by iteratively reweighted
//     least squares (Holland & Welsch 1977), with an intercept. Storms and
//     the field's own day-to-day changes are the outliers it weighs down.
//  4. Te is added as a second regressor when it helps: its coefficient is
//     more than three of its standard errors from zero and its departures are
//     not nearly the same as those of Ts (correlation below 0.95).
//  5. Standard errors by the delete-a-group jackknife (Efron & Stein 1981;
//     Kott's grouped form) over runs of whole days (one day each for a month,
//     at most 31 groups), since ten-minute residuals of one day are not
//     independent.
// The correction subtracts c × (T − reference) from each sample, the
// reference being the mean temperature over the days used, so the corrected
// record stays at the recorded level.
//
// Units: nT, °C, coefficients nT/°C. Cost: one pass over the samples; the
// fits are on 144 points a day (a month: about 4,300 points), fitted once
// for each jackknife group. Records spanning more than about ten years are
// refused (their bins would not fit in memory sensibly).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/iostatus.h"
#include "record/record.h"

namespace kordel {

inline constexpr std::string_view kTemperatureFileName = "kordel-temperature.txt";

struct TemperatureCoefficient {
    std::string component;  // "Bx", "By", "Bz"
    double ts = 0;          // nT/°C
    double tsError = 0;     // one standard error, nT/°C
    double tsReference = 0; // °C
    bool usesTe = false;
    double te = 0;
    double teError = 0;
    double teReference = 0;

    friend bool operator==(const TemperatureCoefficient&, const TemperatureCoefficient&) = default;
};

struct TemperatureCorrection {
    std::vector<TemperatureCoefficient> components;
    std::vector<std::int64_t> days;  // day numbers (days since the date-time epoch) the fit used
    std::int64_t estimatedMs = 0;    // UT
    std::string source = "auto";     // "auto" or "given" (on the command line)

    const TemperatureCoefficient* find(std::string_view component) const;
    friend bool operator==(const TemperatureCorrection&, const TemperatureCorrection&) = default;
};

struct TemperatureEstimate {
    std::optional<TemperatureCorrection> correction;
    std::string problem;  // why there is none
};

// From a finished record with channels Bx, By, Bz, Ts, Te (by name).
TemperatureEstimate estimateTemperatureCorrection(const Record& record, std::int64_t nowMs);

// "Bx  0.300 ± 0.004 nT/°C  (Ts, 12 days)"; with Te "… (Ts, 12 days)  Te -0.050 ± 0.010 nT/°C".
std::string coefficientLine(const TemperatureCoefficient& c, std::size_t days);

// Subtracts the correction from Bx, By, Bz of `record` (a sample without
// its temperature becomes missing); components it has no coefficient for stay.
void applyTemperatureCorrection(Record& record, const TemperatureCorrection& correction);

std::string formatTemperatureFile(const TemperatureCorrection& correction);
// The correction, or why the text is not one.
std::optional<TemperatureCorrection> parseTemperatureFile(std::string_view text, std::string& problem);
IoStatus writeTemperatureFile(const std::string& path, const TemperatureCorrection& correction);
// `missing` set when there is no file.
IoStatus readTemperatureFile(const std::string& path, std::optional<TemperatureCorrection>& out, bool& missing);

}  // namespace kordel
