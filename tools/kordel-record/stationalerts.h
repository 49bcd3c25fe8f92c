#pragma once
// The station recorder's activity: every recorded line into the live activity
// monitor, and what it reports out. A new state (the K's interval, the K, its
// provisional mark, the level, the feed dead or not) is published as the
// retained kordel/<CODE>/activity message with "alert":null; an alert is
// logged ("Activity alert <kind>: <message>"), published on the same topic with
// its kind in "alert" (the state it raises goes out just before it), and
// handed to the alert command. Without --mqtt nothing is published and the
// station is "" in the message and the command's environment.

#include <QObject>
#include <memory>
#include <string>

#include "link/activityfeed.h"
#include "link/activityoptions.h"
#include "link/alertcommand.h"
#include "link/recorderevents.h"

namespace kordel {
class StationPublisher;
}

class StationAlerts : public QObject {
    Q_OBJECT
public:
    using LogFunction = kordel::AlertCommand::LogFunction;

    // `publisher` may be null; it must outlive this object.
    StationAlerts(const kordel::StationActivityOptions& options, std::string station, kordel::RecorderEvents& events,
                  kordel::StationPublisher* publisher, LogFunction log);

    // The dead feed counts from here.
    void start() { feed_.start(); }

private:
    void onState(const kordel::ActivityNow& now);
    void onAlert(const kordel::ActivityNow& now, kordel::AlertKind kind);

    std::string station_;
    kordel::StationPublisher* publisher_;
    LogFunction log_;
    kordel::ActivityFeed feed_;
    std::unique_ptr<kordel::AlertCommand> command_;
};
