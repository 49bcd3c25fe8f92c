#pragma once
// The instrument session: the commands the program sends (Status, View time,
// Set time, the save-target choices) and the replies it collects for them. It
// holds the link state, which says what the bytes arriving at the port are,
// and tells what it learnt through signals: the Status window shows them, the
// main window logs them. It knows no window.
//
// Frames go out in the order they were sent. A frame may ask for a pause after
// it (Set time's clock frame: the instrument needs half a second to take it in
// before the year); frames sent meanwhile wait for the pause to end, on a
// timer, so the window never blocks.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>

#include "app/fixedformats.h"
#include "link/replycollector.h"

// Link states: what the bytes arriving at the serial port are.
enum LinkState : std::uint16_t {
    Idle = 0,
    Recording = 11,
    AwaitDateTime = 51,
    TimeSet = 52,
    AwaitSaveAck = 82,
    AwaitStatus = 83,
};

namespace kordel {

class SerialPort;

class InstrumentSession : public QObject {
    Q_OBJECT
public:
    // The pause between the two frames of Set time.
    static constexpr int kSetTimePauseMs = 500;
    // Bytes taken from the port per read; a larger backlog is read in portions.
    static constexpr qint64 kReceiveBuffer = 10240;

    explicit InstrumentSession(SerialPort& port, QObject* parent = nullptr);

    std::uint16_t state() const { return state_; }
    void setState(std::uint16_t state) { state_ = state; }
    std::uint16_t dateTimeReplyCount() const { return dateTimeReplyCount_; }
    std::uint16_t saveTargetReplyCount() const { return saveTargetReplyCount_; }
    std::uint16_t statusReplyCount() const { return statusReplyCount_; }
    // False from the Status command until its reply has been applied.
    bool statusLoaded() const { return statusLoaded_; }
    // The pause after a frame that asked for one (tests wait for its end).
    const QTimer& pauseTimer() const { return pause_; }

    // Opens the port when it is closed (at 9600 baud when `resetBaud`); a
    // failure is announced through `portError` and gives false.
    bool openPort(bool resetBaud);
    // Queues a frame, to go out now unless a pause runs; a failed write is
    // announced through `portError`, drops the frames waiting behind it and
    // gives false.
    bool send(const QByteArray& frame, int pauseAfterMs = 0);

    // ---- the commands ----
    // Status: true when the request went out.
    bool requestStatus();
    // View time; also after a status reply in mode OFF.
    void requestDateTime();
    // Set time to `now`: the clock frame, and the year after the pause.
    void setTime(const CivilDateTime& now);
    // A save-target choice became selected; only a loaded status lets it send.
    void chooseSaveTarget(bool flash);
    // The Status window was closed: no reply is awaited any more.
    void end() { state_ = Idle; }

    // Everything the port holds: collected while a reply is awaited, dropped
    // otherwise (Idle, TimeSet).
    void receive();
    // Bytes of a receive event while a reply is awaited.
    void collect(const QByteArray& bytes);

signals:
    void logEntry(const QString& text);
    // The port could not be opened or written; `message` is for the user.
    void portError(const QString& message);
    void modeShown(const QString& mode);
    // The instrument's clock; "??" for a reply that is no clock, empty for none.
    void dateTimeShown(const QString& text);
    void saveTargetShown(bool flash);
    // A status reply was applied (the Status window comes to the front).
    void statusShown();

private:
    struct Outgoing {
        QByteArray frame;
        int pauseAfterMs = 0;
    };
    bool pump();
    void applyDateTimeReply(CollectResult::Outcome outcome);
    void applyStatusReply();

    SerialPort& port_;
    ReplyCollector replies_;  // the reply buffer the three replies share
    std::uint16_t state_ = Idle;
    std::uint16_t dateTimeReplyCount_ = 0;
    std::uint16_t saveTargetReplyCount_ = 0;
    std::uint16_t statusReplyCount_ = 0;
    bool statusLoaded_ = false;
    std::deque<Outgoing> outgoing_;
    QTimer pause_;
};

}  // namespace kordel
