#include "app/programcommandline.h"

#include <cstdio>

namespace kordel {

QString programVersion() { return QStringLiteral(KORDEL_VERSION); }

ProgramCommandLine::ProgramCommandLine(const QString& program, const QString& description,
                                       const QList<ExitStatus>& exitStatuses)
    : program_(program), exitStatuses_(exitStatuses) {
    exitStatuses_.append({2, QStringLiteral("a usage error: an unknown option, a missing or bad value")});
    parser_.setApplicationDescription(description);
    addOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit."));
    addOption({QStringLiteral("v"), QStringLiteral("version")},
              QStringLiteral("Show the program's name and version and exit."));
}

void ProgramCommandLine::addOption(const QStringList& names, const QString& description, const QString& valueName,
                                   const QString& defaultText) {
    QString text = description;
    if (!defaultText.isEmpty()) {
        text += QStringLiteral(" (default: ") + defaultText + QLatin1Char(')');
    }
    parser_.addOption(QCommandLineOption(names, text, valueName));
}

void ProgramCommandLine::addValueOption(const QStringList& names, const QString& description,
                                        const QString& valueName, const QString& defaultValue) {
    QCommandLineOption option(names, description + QStringLiteral(" (default: ") + defaultValue + QLatin1Char(')'),
                              valueName, defaultValue);
    parser_.addOption(option);
}

void ProgramCommandLine::addHiddenOption(const QString& name, const QString& valueName) {
    QCommandLineOption option(name, QString(), valueName);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser_.addOption(option);
}

void ProgramCommandLine::addPositionalArgument(const QString& name, const QString& description,
                                               const QString& syntax) {
    parser_.addPositionalArgument(name, description, syntax);
}

QString ProgramCommandLine::helpText() const {
    // The parser names the executable by its path (or not at all before the
    // application object exists); the help names the program.
    QString text = parser_.helpText();
    const qsizetype options = text.indexOf(QStringLiteral(" [options]"));
    if (text.startsWith(QStringLiteral("Usage: ")) && options > 0) {
        text.replace(7, options - 7, program_);
    }
    text += QStringLiteral("\nExit status:\n");
    for (const ExitStatus& e : exitStatuses_) {
        text += QStringLiteral("  %1  %2\n").arg(e.status).arg(e.meaning);
    }
    return text;
}

QString unknownOptionsText(const QStringList& names, const QStringList& arguments) {
    // The parser names an option without its dashes or value; the user is shown
    // the argument as typed ("--bogus", "-x", "--colour=red"), found again in
    // the command line (a cluster of short options as the whole cluster).
    QStringList typed;
    for (const QString& name : names) {
        QString shown = QStringLiteral("--") + name;
        for (qsizetype i = 1; i < arguments.size(); ++i) {
            const QString& a = arguments[i];
            if (a == QStringLiteral("--")) {
                break;
            }
            const bool longForm = a.startsWith(QStringLiteral("--"));
            const QString bare = longForm ? a.mid(2) : a.startsWith(QLatin1Char('-')) ? a.mid(1) : QString();
            if (bare.isEmpty()) {
                continue;
            }
            if (bare == name || bare.startsWith(name + QLatin1Char('=')) ||
                (!longForm && name.size() == 1 && bare.contains(name))) {
                shown = a;
                break;
            }
        }
        shown = QLatin1Char('\'') + shown + QLatin1Char('\'');
        if (!typed.contains(shown)) {
            typed << shown;
        }
    }
    return (typed.size() == 1 ? QStringLiteral("unknown option ") : QStringLiteral("unknown options ")) +
           typed.join(QStringLiteral(", "));
}

std::optional<ProgramCommandLine::Stop> ProgramCommandLine::parse(const QStringList& arguments) {
    if (!parser_.parse(arguments)) {
        if (const QStringList unknown = parser_.unknownOptionNames(); !unknown.isEmpty()) {
            return usageError(unknownOptionsText(unknown, arguments));
        }
        // "Missing value after '--port'." as the program's one line: "missing value after '--port'".
        QString problem = parser_.errorText();
        if (problem.endsWith(QLatin1Char('.'))) {
            problem.chop(1);
        }
        if (!problem.isEmpty()) {
            problem[0] = problem[0].toLower();
        }
        return usageError(problem);
    }
    if (parser_.isSet(QStringLiteral("help"))) {
        return Stop{0, helpText(), {}};
    }
    if (parser_.isSet(QStringLiteral("version"))) {
        return Stop{0, versionText(), {}};
    }
    return std::nullopt;
}

ProgramCommandLine::Stop ProgramCommandLine::usageError(const QString& problem) const {
    return Stop{2, {}, program_ + QStringLiteral(": ") + problem + QStringLiteral("; see ") + program_ +
                           QStringLiteral(" --help\n")};
}

int ProgramCommandLine::finish(const Stop& stop) {
    std::fputs(stop.out.toUtf8().constData(), stdout);
    std::fputs(stop.err.toUtf8().constData(), stderr);
    std::fflush(stdout);
    return stop.status;
}

std::optional<int> ProgramCommandLine::parseOrExit(const QStringList& arguments) {
    if (const auto stop = parse(arguments)) {
        return finish(*stop);
    }
    return std::nullopt;
}

QStringList argumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i) {
        list << QString::fromLocal8Bit(argv[i]);
    }
    return list;
}

}  // namespace kordel
