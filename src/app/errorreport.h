#pragma once
// The general error report: an unexpected file or port failure met by a handler
// becomes a message box with the system's error text. The box is shown after the
// handler that met the error has returned (never from inside a serial or timer
// handler, where a nested event loop would run other handlers underneath it),
// one box at a time, and a report identical to one waiting or on screen is
// dropped, so a failing disk or port does not bury the user in boxes.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QWidget;

namespace kordel {

class ErrorReport : public QObject {
    Q_OBJECT
public:
    static ErrorReport& instance();

    // What a report is about: a port failure's box closes by itself once the
    // port is back (the log keeps the failure).
    enum class Kind { General, PortFailure };

    // Queues `text` for the box; returns at once.
    void report(const QString& text, Kind kind = Kind::General);
    // The port is back: its failure reports waiting are dropped, and one on
    // screen is closed.
    void withdrawPortFailures();

    // The parent of the boxes (the main window).
    void setParentWidget(QWidget* parent) { parent_ = parent; }

    // Reports waiting to be shown, and the one on screen.
    QStringList pending() const { return queue_; }

private:
    ErrorReport() = default;
    void showNext();

    QStringList queue_;   // front: on screen while showing_
    QStringList portFailures_;  // those of queue_ that are port failures
    bool showing_ = false;
    bool scheduled_ = false;
    QPointer<QWidget> parent_;
};

}  // namespace kordel
