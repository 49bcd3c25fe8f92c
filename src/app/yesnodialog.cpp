#include "app/yesnodialog.h"

#include <QHBoxLayout>
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
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Button1);
    layout->addWidget(Button2);
    setFixedSize(240, 70);
}

bool TYesNo::ask(const QString& caption) {
    setWindowTitle(caption);
    exec();
    return *answer_;
}
