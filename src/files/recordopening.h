#pragma once
// Opening data files for the charts: *.pc and *.fl files and folders are read
// into one record on worker threads while the window stays responsive, its
// progress bar moving; Cancel (or Esc) stops the read, and what the charts
// showed before stays. An IAGA-2002 file is read as its elements. The error
// lines a read met are put to the user one by one after it (OK, "Skip all",
// Cancel), then failures are reported; nothing here touches the charts.

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QProgressBar;
class QPushButton;
class QWidget;

namespace kordel {

class Record;

// File > "Open file"'s filter: first every file the program reads, its own
// data files and the IAGA-2002 names observatories use (the dialog shows it
// first, and later the filter last chosen); then each kind alone.
extern const QString kDataFileFilter;

struct OpenedRecord {
    enum class Outcome { Shown, Failed, Cancelled };
    Outcome outcome = Outcome::Failed;
    std::shared_ptr<const Record> record;  // finished, F added where X, Y, Z allow
    std::string elements;                  // an IAGA-2002 record's element letters; empty for data files
    QString title;        // the window's title; empty when the user cancelled the error lines' questions
    QString currentFile;  // the one file read, when only one was
    bool fitBars = true;  // false when the user cancelled the error lines' questions
};

class RecordOpening : public QObject {
    Q_OBJECT
public:
    // `progress` shows the percentage read; `log` writes an entry of the event log.
    RecordOpening(QWidget* window, QProgressBar* progress, std::function<void(const QString&)> log);
    ~RecordOpening() override;

    // Reads the files and folders; returns when done or cancelled, the
    // window's events going on meanwhile. A second open while one runs fails.
    OpenedRecord open(const QStringList& paths);
    bool loading() const { return loading_; }
    // The log's "Open file: …" for every file the last open read, `current`
    // (the window's current data file or folder) last.
    void logOpened(const QString& current);
    // Stops a running read (Esc, the Cancel button, closing the window).
    void cancel();
    // What a read record becomes before it is shown (the data level chosen),
    // told the files and folders it was read from; none: shown as read.
    using Levelling = std::function<std::shared_ptr<const Record>(std::shared_ptr<const Record>,
                                                                  const std::vector<std::string>&)>;
    void setLevelling(Levelling levelling) { levelling_ = std::move(levelling); }
    // The Cancel button, shown while a read runs; the window places it.
    QPushButton* cancelButton() const { return cancelButton_; }

private:
    OpenedRecord openDataFiles(const QStringList& paths);
    OpenedRecord openIagaFiles(const std::vector<std::string>& paths);

    QWidget* window_;
    QProgressBar* progress_;
    QPushButton* cancelButton_;
    std::function<void(const QString&)> log_;
    bool loading_ = false;
    QStringList filesRead_;  // by the last open
    std::shared_ptr<std::atomic<bool>> cancelled_;
    Levelling levelling_;
};

}  // namespace kordel
