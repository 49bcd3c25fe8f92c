#include "files/summarywindow.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr int kClientWidth = 401;
constexpr int kClientHeight = 396;
constexpr int kMargin = 14;

}  // namespace

Tinf::Tinf(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("inf"));
    setWindowTitle(QStringLiteral("INF file"));
    setModal(false);
    setFixedSize(kClientWidth, kClientHeight);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setGeometry(kMargin, 12, 372, 308);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setGeometry(kMargin, 328, 372, 16);

    Button2 = new QPushButton(QStringLiteral("&Close"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry((kClientWidth - 75) / 2, 356, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &Tinf::Button2Click);
}

kordel::IoStatus Tinf::BeginSummary(const std::string& stem, const QString& path) {
    show();
    raise();
    setWindowTitle(QString::fromStdString(kordel::SummaryWriter::fileName(stem)));
    path_ = path;
    return loadMemo();
}

void Tinf::SetSummaryProgress(int percent) {
    if (ProgressBar1->value() == percent) {
        return;
    }
    // The bar would repaint itself on its own as well; one repaint of the
    // window is enough.
    ProgressBar1->setUpdatesEnabled(false);
    ProgressBar1->setValue(percent);
    ProgressBar1->setUpdatesEnabled(true);
    if (isVisible()) {
        repaint();
    }
}

kordel::IoStatus Tinf::EndSummary() {
    if (!QFileInfo::exists(path_)) {
        return {};
    }
    return loadMemo();
}

void Tinf::Button2Click() { close(); }

kordel::IoStatus Tinf::loadMemo() {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        return kordel::IoStatus::failure("Cannot read " + path_.toStdString() + ": " +
                                         file.errorString().toStdString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return kordel::IoStatus::failure("Cannot read " + path_.toStdString() + ": " +
                                         file.errorString().toStdString());
    }
    // The file is 8-bit text with CR LF; the memo keeps its own line breaks.
    QString text = QString::fromLatin1(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    Memo1->setPlainText(text);
    return {};
}
