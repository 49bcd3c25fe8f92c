#include "link/statuswindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/clock.h"
#include "link/instrumentsession.h"

namespace {

QToolButton* makeButton(QWidget* parent, const char* name, const QString& hint, QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    return b;
}

}  // namespace

QString TForm6::setTimeQuestion(const kordel::CivilDateTime& now) {
    return QStringLiteral("Set the instrument's clock to this computer's date and time, %1 %2?")
        .arg(QString::fromStdString(kordel::formatDate(now)), QString::fromStdString(kordel::formatTime(now)));
}

TForm6::TForm6(kordel::InstrumentSession& session, std::function<bool()> confirmSetTime, QWidget* parent)
    : QDialog(parent), session_(session), confirmSetTime_(std::move(confirmSetTime)) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Status"));
    setModal(false);

    Label1 = new QLabel(QStringLiteral("Mode"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // The mode is what the instrument last reported: shown, never edited.
    Edit1->setReadOnly(true);
    Label1->setBuddy(Edit1);
    Label2 = new QLabel(QStringLiteral("Date / Time"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setReadOnly(true);
    Label2->setBuddy(Edit2);
    SpeedButton3 = makeButton(this, "SpeedButton3", QStringLiteral("View time"), QStyle::SP_BrowserReload);
    SpeedButton2 = makeButton(this, "SpeedButton2", QStringLiteral("Set time"), QStyle::SP_DialogApplyButton);

    GroupBox2 = new QGroupBox(QStringLiteral("Save data"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    RadioButton8 = new QRadioButton(QStringLiteral("PC+Flash"), GroupBox2);
    RadioButton8->setObjectName(QStringLiteral("RadioButton8"));
    RadioButton7 = new QRadioButton(QStringLiteral("PC"), GroupBox2);
    RadioButton7->setObjectName(QStringLiteral("RadioButton7"));
    auto* group = new QVBoxLayout(GroupBox2);
    group->addWidget(RadioButton8);
    group->addWidget(RadioButton7);

    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Enter in a field must not close the window and end a wait.
    Button1->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Edit1, 0, 1, 1, 3);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(Edit2, 1, 1);
    fields->addWidget(SpeedButton3, 1, 2);
    fields->addWidget(SpeedButton2, 1, 3);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(GroupBox2);
    bottom->addStretch(1);
    bottom->addWidget(Button1, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(bottom);
    Edit2->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00  00:00:00")) + 16);

    connect(SpeedButton3, &QToolButton::clicked, this, &TForm6::SpeedButton3Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm6::SpeedButton2Click);
    // The choices act when they become selected, by the user or by a status reply.
    connect(RadioButton7, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RadioButton7Click();
    });
    connect(RadioButton8, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RadioButton8Click();
    });
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);

    // The fields show what the instrument session learns.
    connect(&session_, &kordel::InstrumentSession::modeShown, Edit1, &QLineEdit::setText);
    connect(&session_, &kordel::InstrumentSession::dateTimeShown, Edit2, &QLineEdit::setText);
    connect(&session_, &kordel::InstrumentSession::saveTargetShown, this, &TForm6::showSaveTarget);
    connect(&session_, &kordel::InstrumentSession::statusShown, this, &TForm6::showInFront);

    setFixedSize(sizeHint());
}

void TForm6::showInFront() {
    show();
    raise();
    activateWindow();
}

void TForm6::showSaveTarget(bool flash) {
    // Selecting one of the two clears the other.
    (flash ? RadioButton8 : RadioButton7)->setChecked(true);
}

void TForm6::SpeedButton3Click() { session_.requestDateTime(); }

void TForm6::SpeedButton2Click() {
    if (!confirmSetTime_ || confirmSetTime_()) {
        session_.setTime(kordel::localNow());
    }
}

void TForm6::RadioButton7Click() { session_.chooseSaveTarget(false); }

void TForm6::RadioButton8Click() { session_.chooseSaveTarget(true); }

void TForm6::Button1Click() {
    session_.end();
    emit closedByButton();
    close();
}
