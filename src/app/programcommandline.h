#pragma once
// What the command lines of all the programs (kordel and the tools) share:
// -h/--help prints a description, every option with its default and the exit
// statuses; -v/--version prints "<program> <version>"; an unknown option or a
// missing value is one line on stderr and exit status 2. Parsing needs no
// application object, so the window program can answer --help without a display.

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kordel {

// The version of the programs, the build's project version ("1.4").
QString programVersion();

struct ExitStatus {
    int status;
    QString meaning;
};

class ProgramCommandLine {
public:
    // The exit status 2 of a usage error is added to `exitStatuses` here.
    ProgramCommandLine(const QString& program, const QString& description, const QList<ExitStatus>& exitStatuses);

    // An option whose help line ends in "(default: <defaultText>)" when one is given.
    void addOption(const QStringList& names, const QString& description, const QString& valueName = {},
                   const QString& defaultText = {});
    // An option whose value is `defaultValue` when it is not given; the help shows it.
    void addValueOption(const QStringList& names, const QString& description, const QString& valueName,
                        const QString& defaultValue);
    // An option the help does not show (the toolkit's own, for example).
    void addHiddenOption(const QString& name, const QString& valueName = {});
    // "-style fusion" as well as "--style fusion" (the toolkit's own options are written so).
    void acceptSingleDashWords() { parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions); }
    void addPositionalArgument(const QString& name, const QString& description, const QString& syntax);

    // Where parsing ends the program: the text for stdout and stderr, and the exit status.
    struct Stop {
        int status = 0;
        QString out;
        QString err;
    };
    // `arguments` with the program's name first. Nothing when the program goes on.
    std::optional<Stop> parse(const QStringList& arguments);
    // A problem with a value the parser let through: one line, exit status 2.
    Stop usageError(const QString& problem) const;
    // Prints what `stop` holds; its exit status.
    static int finish(const Stop& stop);
    // parse(), and when the program ends there, finish()'s exit status.
    std::optional<int> parseOrExit(const QStringList& arguments);

    const QCommandLineParser& parser() const { return parser_; }
    QString helpText() const;
    QString versionText() const { return program_ + QLatin1Char(' ') + programVersion() + QLatin1Char('\n'); }

private:
    QString program_;
    QList<ExitStatus> exitStatuses_;
    QCommandLineParser parser_;
};

// "unknown option '--bogus'": the parser's unknown option `names` quoted as
// typed in `arguments` (the program's name first).
QString unknownOptionsText(const QStringList& names, const QStringList& arguments);

// The arguments of main() as text, the program's name first.
QStringList argumentList(int argc, char** argv);

}  // namespace kordel
