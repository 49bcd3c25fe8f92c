#include "link/activityoptions.h"

#include <QCommandLineParser>

#include "app/fixedformats.h"
#include "app/programcommandline.h"
#include "exchange/exportarguments.h"
#include "link/alertcommand.h"

namespace kordel {

namespace {

// A whole number from `low` to `high`, digits only.
std::optional<int> wholeNumber(const QString& text, int low, int high) {
    if (text.isEmpty() || text.size() > 6) return std::nullopt;
    int v = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
    }
    if (v < low || v > high) return std::nullopt;
    return v;
}

}  // namespace

void addStationActivityOptions(ProgramCommandLine& cli) {
    cli.addValueOption({QStringLiteral("k9")}, QStringLiteral("The station's K9 lower limit in nT; the K's class limits scale with it."),
                       QStringLiteral("NT"), QStringLiteral("500"));
    cli.addValueOption({QStringLiteral("longitude")},
                       QStringLiteral("The station's longitude in degrees, east positive; sets the local time the K "
                                      "method widens its night hours by."),
                       QStringLiteral("DEG"), QStringLiteral("0"));
    cli.addValueOption({QStringLiteral("levels")},
                       QStringLiteral("Lower limits of the yellow, amber and red activity levels in nT."),
                       QStringLiteral("Y,A,R"), QStringLiteral("50,100,200"));
    cli.addValueOption({QStringLiteral("utc-offset")},
                       QStringLiteral("Offset of the instrument's clock from UT, +HH:MM or -HH:MM."),
                       QStringLiteral("OFFSET"), QStringLiteral("+00:00"));
    cli.addValueOption({QStringLiteral("alert-k")},
                       QStringLiteral("Alert when the K of the current three-hour interval (provisional or final) "
                                      "reaches N (0-9)."),
                       QStringLiteral("N"), QStringLiteral("5"));
    cli.addValueOption({QStringLiteral("alert-level")},
                       QStringLiteral("Alert when the hourly activity level reaches amber or red."),
                       QStringLiteral("LEVEL"), QStringLiteral("amber"));
    cli.addValueOption({QStringLiteral("alert-dead-minutes")},
                       QStringLiteral("Alert when no valid line arrived for N minutes (1-1440)."), QStringLiteral("N"),
                       QStringLiteral("5"));
    cli.addOption({QStringLiteral("alert-command")},
                  QStringLiteral("Run this command on every alert, without a shell (words split at blanks, quotes "
                                 "kept together), with KORDEL_ALERT, KORDEL_STATION, KORDEL_TIME, KORDEL_K, "
                                 "KORDEL_LEVEL and KORDEL_DBDT in its environment; it is ended after 60 s."),
                  QStringLiteral("CMD"));
}

QString readStationActivityOptions(const QCommandLineParser& p, StationActivityOptions& o) {
    const auto k9 = parseNumber(p.value(QStringLiteral("k9")).toStdString());
    if (!k9 || !(*k9 > 0) || *k9 > 1e6) return QStringLiteral("--k9 needs a number of nT above 0");
    o.settings.k.k9LowerLimitNt = *k9;
    const auto lon = parseNumber(p.value(QStringLiteral("longitude")).toStdString());
    if (!lon || *lon < -360 || *lon > 360) return QStringLiteral("--longitude needs degrees between -360 and 360");
    o.settings.k.longitudeDeg = *lon;
    const auto levels = parseLevelThresholds(p.value(QStringLiteral("levels")).toStdString());
    if (!levels) return QStringLiteral("--levels needs three rising numbers of nT, e.g. 50,100,200");
    o.settings.levels = *levels;
    const auto offset = parseUtcOffset(p.value(QStringLiteral("utc-offset")).toStdString());
    if (!offset) return QStringLiteral("--utc-offset needs +HH:MM or -HH:MM");
    o.utcOffsetMs = *offset;

    const auto k = wholeNumber(p.value(QStringLiteral("alert-k")), 0, 9);
    if (!k) return QStringLiteral("--alert-k needs a K from 0 to 9");
    o.settings.alerts.k = *k;
    const QString level = p.value(QStringLiteral("alert-level"));
    if (level == QStringLiteral("amber")) o.settings.alerts.level = ActivityLevel::Amber;
    else if (level == QStringLiteral("red")) o.settings.alerts.level = ActivityLevel::Red;
    else return QStringLiteral("--alert-level must be amber or red");
    const auto dead = wholeNumber(p.value(QStringLiteral("alert-dead-minutes")), 1, 1440);
    if (!dead) return QStringLiteral("--alert-dead-minutes needs whole minutes from 1 to 1440");
    o.settings.alerts.deadMinutes = *dead;
    o.alertCommand.clear();
    if (p.isSet(QStringLiteral("alert-command"))) {
        const QStringList words = AlertCommand::splitCommandLine(p.value(QStringLiteral("alert-command")));
        if (const QString problem = AlertCommand::check(words); !problem.isEmpty()) {
            return QStringLiteral("--alert-command ") + problem;
        }
        o.alertCommand = words;
    }
    return {};
}

}  // namespace kordel
