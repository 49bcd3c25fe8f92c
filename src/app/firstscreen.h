#pragma once
// What makes the window explain itself to someone who meets it for the first
// time: a note over the empty charts saying how to get something on them
// (record, open, watch a remote station), Help > "Guide" (F1) with the
// README's sections on using the program, the usual shortcuts of the File
// menu, and a disabled Status button that says why it is disabled.

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

#include "app/capability.h"

class QAction;
class QLabel;
class QMenu;
class QTextBrowser;

namespace kordel {

class RemoteStation;

// The note over the empty charts; mouse and wheel pass through it.
class FirstScreenNote : public QWidget {
    Q_OBJECT
public:
    explicit FirstScreenNote(QWidget* charts);
    void setPort(const QString& portName);
    QLabel* text() const { return text_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* text_;
};

// Help > "Guide": the guide (a resource made from the README) in a window of
// its own that does not block the main window.
class GuideWindow : public QDialog {
    Q_OBJECT
public:
    explicit GuideWindow(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return browser_; }
    // The guide's Markdown text.
    static QString guideText();

private:
    QTextBrowser* browser_;
};

// What the first screen needs of the window, and nothing more.
struct FirstScreenParts {
    QWidget& window;
    QWidget& charts;  // the note lies over them
    QAction& open;
    QAction& openFolder;
    QAction& exit;
    QAction* exportPicture = nullptr;
    QWidget& statusButton;
    RemoteStation* remote = nullptr;
    std::function<bool()> showsRecord;  // something is on the charts
    std::function<QString()> portName;  // the port Record would use
};

class FirstScreen : public Capability {
    Q_OBJECT
public:
    explicit FirstScreen(FirstScreenParts parts);

    QList<QAction*> menuActions() const override;
    void setRecording(bool recording) override;

    FirstScreenNote* note() const { return note_; }
    QAction* guideAction() const { return guide_; }
    GuideWindow* guideWindow() const { return guideWindow_; }
    void showGuide();

    // The Status button's tooltip while recording.
    static const QString kStatusLocked;

private:
    // The note shows while nothing is on the charts and nothing is being
    // recorded or watched.
    void update();

    FirstScreenParts parts_;
    FirstScreenNote* note_;
    QMenu* help_;
    QAction* guide_;
    QPointer<GuideWindow> guideWindow_;
    QTimer check_;
    bool recording_ = false;
};

}  // namespace kordel
