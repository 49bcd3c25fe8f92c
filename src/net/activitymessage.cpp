#include "net/activitymessage.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QTimeZone>
#include <cmath>

namespace kordel {

namespace {

// Days from 30 December 1899 to 1 January 1970.
constexpr std::int64_t kUnixEpochMs = 25569LL * 86'400'000;

std::optional<StationActivity> refuse(QString* why, const QString& reason) {
    if (why) *why = reason;
    return std::nullopt;
}

}  // namespace

std::string activityTopic(std::string_view code) { return "kordel/" + std::string(code) + "/activity"; }

std::optional<StationActivity> decodeStationActivity(const QByteArray& payload, QString* why) {
    if (payload.size() > kMaxActivityMessageBytes) {
        return refuse(why, QStringLiteral("%1 bytes, more than %2").arg(payload.size()).arg(kMaxActivityMessageBytes));
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError) return refuse(why, QStringLiteral("not JSON: ") + error.errorString());
    if (!doc.isObject()) return refuse(why, QStringLiteral("not a JSON object"));
    const QJsonObject o = doc.object();
    StationActivity a;

    const QJsonValue time = o.value(QLatin1String("time"));
    if (!time.isString()) return refuse(why, QStringLiteral("no time"));
    const QDateTime t = QDateTime::fromString(time.toString(), Qt::ISODate);
    if (!t.isValid() || t.timeSpec() == Qt::LocalTime) return refuse(why, QStringLiteral("time not ISO 8601 UT"));
    a.timeMs = t.toMSecsSinceEpoch() + kUnixEpochMs;

    const QJsonValue station = o.value(QLatin1String("station"));
    if (station.isString()) {
        a.station = station.toString().left(32).toStdString();
    } else if (!station.isUndefined() && !station.isNull()) {
        return refuse(why, QStringLiteral("station not a string"));
    }

    const QJsonValue k = o.value(QLatin1String("k"));
    if (k.isDouble()) {
        const double v = k.toDouble();
        if (!(v >= 0 && v <= 9) || v != std::floor(v)) return refuse(why, QStringLiteral("k not 0 to 9"));
        a.k = static_cast<int>(v);
    } else if (!k.isUndefined() && !k.isNull()) {
        return refuse(why, QStringLiteral("k not a number"));
    }

    const QJsonValue provisional = o.value(QLatin1String("provisional"));
    if (provisional.isBool()) {
        a.provisional = provisional.toBool();
    } else if (!provisional.isUndefined() && !provisional.isNull()) {
        return refuse(why, QStringLiteral("provisional not true or false"));
    }

    const QJsonValue level = o.value(QLatin1String("level"));
    if (level.isString()) {
        a.level = parseLevel(level.toString().toStdString());
        if (!a.level) return refuse(why, QStringLiteral("unknown level"));
    } else if (!level.isUndefined() && !level.isNull()) {
        return refuse(why, QStringLiteral("level not a name"));
    }

    const QJsonValue dbdt = o.value(QLatin1String("dbdt_max_10min"));
    if (dbdt.isDouble() && std::isfinite(dbdt.toDouble())) {
        a.dbdtMax10MinNt = dbdt.toDouble();
    } else if (!dbdt.isUndefined() && !dbdt.isNull()) {
        return refuse(why, QStringLiteral("dbdt_max_10min not a number"));
    }

    const QJsonValue alert = o.value(QLatin1String("alert"));
    if (alert.isString()) {
        for (const AlertKind kind : {AlertKind::K, AlertKind::Level, AlertKind::Dead}) {
            if (alert.toString().toStdString() == alertName(kind)) a.alert = kind;
        }
        if (!a.alert) return refuse(why, QStringLiteral("unknown alert"));
    } else if (!alert.isUndefined() && !alert.isNull()) {
        return refuse(why, QStringLiteral("alert not a name"));
    }
    return a;
}

}  // namespace kordel
