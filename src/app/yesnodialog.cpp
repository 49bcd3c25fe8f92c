#include "app/yesnodialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QPushButton>

TYesNo::TYesNo(bool* answerFlag, QWidget* parent) : QDialog(parent), answer_(answerFlag) {
    setObjectName(QStringLiteral("YesNo"));
    Button1 = new QPushButton(QStringLiteral("Yes"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("No"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, [this] {
        *answer_ = true;
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        *answer_ = false;
        reject();
    });
    // No is the default: Enter never answers Yes to a question that would stop
    // a recording or set the instrument's clock.
    Button1->setAutoDefault(false);
    Button2->setDefault(true);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addLayout(buttons);
    setFixedSize(320, 110);
}

bool TYesNo::ask(const QString& caption, const QString& question) {
    setWindowTitle(caption);
    Label1->setText(question);
    Button2->setFocus();
    exec();
    return *answer_;
}
