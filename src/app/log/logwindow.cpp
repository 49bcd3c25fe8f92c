#include "app/log/logwindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/errorreport.h"
#include "app/log/eventlog.h"

TLogFile::TLogFile(const kordel::EventLog& log, QWidget* parent)
    : QDialog(parent), log_(log) {
    setObjectName(QStringLiteral("LogFile"));
    setWindowTitle(QStringLiteral("LogFile"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button1 = new QPushButton(QStringLiteral("Clear"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Close"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    // Neither button is a default button: Enter must not empty the log, Clear
    // acts only on its own click.
    for (QPushButton* b : {Button1, Button2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(Button1, &QPushButton::clicked, this, &TLogFile::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    layout->addLayout(buttons);
    setFixedSize(640, 480);
}

void TLogFile::showLog() {
    if (!log_.viewable()) {
        return;
    }
    QFile file(QString::fromStdString(log_.path()));
    if (!file.open(QIODevice::ReadOnly)) {
        kordel::ErrorReport::instance().report(
            QStringLiteral("Cannot open %1: %2").arg(file.fileName(), file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    // The log is 8-bit text holding received bytes as they came: each byte is
    // one character. CR LF ends every entry; the text box wants one line break
    // per line.
    Memo1->setPlainText(QString::fromLatin1(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    show();
    raise();
}

void TLogFile::Button1Click() {
    if (const auto status = log_.clear(); !status) {
        kordel::ErrorReport::instance().report(QString::fromStdString(status.message()));
        return;
    }
    close();
}
