#include "stationalerts.h"

#include <iostream>

#include "net/stationpublisher.h"
#include "processing/alerts.h"

StationAlerts::StationAlerts(const kordel::StationActivityOptions& options, std::string station,
                             kordel::RecorderEvents& events, kordel::StationPublisher* publisher, LogFunction log)
    : station_(std::move(station)), publisher_(publisher), log_(std::move(log)), feed_(options.settings, options.utcOffsetMs) {
    if (!options.alertCommand.isEmpty()) {
        command_ = std::make_unique<kordel::AlertCommand>(options.alertCommand, log_);
    }
    connect(&events, &kordel::RecorderEvents::dailyFileStarted, &feed_, &kordel::ActivityFeed::dailyFileStarted);
    connect(&events, &kordel::RecorderEvents::sampleDecoded, &feed_, &kordel::ActivityFeed::sampleDecoded);
    connect(&feed_, &kordel::ActivityFeed::stateChanged, this, &StationAlerts::onState);
    connect(&feed_, &kordel::ActivityFeed::alertRaised, this, &StationAlerts::onAlert);
    connect(&feed_, &kordel::ActivityFeed::failed, this, [this](const QString& message) {
        log_("Error: " + message.toStdString());
        std::cerr << "kordel-record: " << message.toStdString() << '\n';
    });
}

void StationAlerts::onState(const kordel::ActivityNow& now) {
    if (publisher_) publisher_->publishActivity(QByteArray::fromStdString(kordel::activityMessage(now, station_, std::nullopt)));
}

void StationAlerts::onAlert(const kordel::ActivityNow& now, kordel::AlertKind kind) {
    const std::string message = kordel::activityMessage(now, station_, kind);
    const std::string name(kordel::alertName(kind));
    log_("Activity alert " + name + ": " + message);
    std::cerr << "kordel-record: activity alert " << name << ": " << message << '\n';
    if (publisher_) publisher_->publishActivity(QByteArray::fromStdString(message));
    if (command_) command_->run(kordel::alertEnvironment(now, station_, kind));
}
