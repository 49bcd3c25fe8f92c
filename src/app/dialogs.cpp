#include "app/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "app/yesnodialog.h"
#include "link/portdialog.h"

namespace kordel {

namespace {

class QtDialogs final : public Dialogs {
public:
    void message(QWidget* parent, const QString& text) override {
        QMessageBox::information(parent, caption(), text);
    }
    bool okCancel(QWidget* parent, const QString& text) override {
        return QMessageBox::warning(parent, caption(), text, QMessageBox::Ok | QMessageBox::Cancel) ==
               QMessageBox::Ok;
    }
    void error(QWidget* parent, const QString& text) override { QMessageBox::critical(parent, caption(), text); }
    LineAnswer errorLine(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, caption(), text, QMessageBox::Ok | QMessageBox::Cancel, parent);
        QPushButton* skipAll = box.addButton(QStringLiteral("Skip all"), QMessageBox::AcceptRole);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        box.exec();
        if (box.clickedButton() == skipAll) {
            return LineAnswer::SkipAll;
        }
        return box.clickedButton() == box.button(QMessageBox::Ok) ? LineAnswer::Ok : LineAnswer::Cancel;
    }
    QString openFile(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                     const QString& initialDir) override {
        QFileDialog dialog(parent, QString(), initialDir, qtFileFilter(filter));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        const QString file = dialog.selectedFiles().constFirst();
        QDir::setCurrent(QFileInfo(file).absolutePath());
        return file;
    }
    QStringList openFiles(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                          const QString& initialDir) override {
        QFileDialog dialog(parent, QString(), initialDir, qtFileFilter(filter));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setDefaultSuffix(defaultSuffix);
        // The filter chosen last time is chosen again (the first one the first time).
        if (const auto last = chosenFilters_.constFind(filter); last != chosenFilters_.constEnd()) {
            dialog.selectNameFilter(*last);
        }
        const int result = dialog.exec();
        chosenFilters_.insert(filter, dialog.selectedNameFilter());
        if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        const QStringList files = dialog.selectedFiles();
        QDir::setCurrent(QFileInfo(files.constFirst()).absolutePath());
        return files;
    }
    QString openFolder(QWidget* parent, const QString& initialDir) override {
        const QString folder = QFileDialog::getExistingDirectory(parent, QString(), initialDir);
        if (!folder.isEmpty()) {
            QDir::setCurrent(folder);
        }
        return folder;
    }
    std::optional<PortSettings> portSetup(QWidget* parent, const PortSettings& current) override {
        TPortDialog dialog(current, parent);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.settings();
    }
    bool yesNo(QWidget* parent, const QString& caption, const QString& question) override {
        // The main window's own box, whose buttons set its answer flag; a box of
        // our own when the parent has none.
        if (TYesNo* box = parent ? parent->findChild<TYesNo*>() : nullptr) {
            return box->ask(caption, question);
        }
        bool answer = false;
        TYesNo box(&answer, parent);
        return box.ask(caption, question);
    }

private:
    static QString caption() { return QString::fromLatin1(kBoxCaption); }

    QHash<QString, QString> chosenFilters_;  // by the dialog's whole filter, for this run
};

Dialogs* installed = nullptr;

}  // namespace

Dialogs& dialogs() {
    static QtDialogs real;
    return installed ? *installed : real;
}

void setDialogs(Dialogs* d) { installed = d; }

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (const int paren = name.indexOf(QLatin1Char('(')); paren >= 0) {
            name.truncate(paren);
        }
        out << name.trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

}  // namespace kordel
