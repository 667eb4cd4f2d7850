#pragma once
// The command line of tikomat-results: what it asks for, read from its
// arguments, and the texts it answers with, in Czech or in English.
//
// Called by the command (ResultsCommand) and by its tests.  Reading the
// arguments touches no file; every check that needs the file system is the
// command's.
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

enum class Language { Czech, English };

// Czech when the first set of LC_ALL, LC_MESSAGES and LANG names Czech
// ("cs", "cs_CZ.UTF-8"), English otherwise.
Language LanguageOf(const QProcessEnvironment &environment);

// One of the two texts.
inline QString Tr(Language language, const QString &czech, const QString &english)
{
    return language == Language::Czech ? czech : english;
}

// Exit codes a script can rely on.
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 2,    // the command line is wrong; nothing was read or written
    ExitInput = 3,    // the data file or the racer file cannot be read; nothing was written
    ExitOutput = 4,   // an output could not be written (the others were)
    ExitPublish = 5,  // the site could not be published (the outputs were written)
};

enum class OutputFormat { Xls, Csv, Html, Json, Pdf };

struct OutputRequest {
    OutputFormat format;
    QString path;  // "-": standard output
};

struct CommandOptions {
    enum class Action { Run, Help, Version };
    Action action = Action::Run;
    Language helpLanguage = Language::English;
    QString dataFile;
    QString racerFile;  // empty: none
    QString sheetFile;  // --sheet; empty: the race sheet beside the data file, if any
    int lapsMode = 0;   // 0 most laps first, one row per racer; 1 laps ignored
    QString title = QStringLiteral("Výpis závodníků");
    bool force = false;       // take a file with unreadable lines, or one over the size limit, or no unreadable sheet
    QString category;         // --category: only this category, ranked within it; empty for all
    bool byCategory = false;  // --by-category: a section (a sheet) per category
    std::vector<OutputRequest> outputs;
    QString siteFolder;                  // --site: the results site into this folder
    QString publishTarget;               // --publish: the results site to this folder or rclone remote
    bool watch = false;                  // --watch: again at every change of the inputs, until stopped
    std::optional<int> intervalSeconds;  // --interval: with --watch, the least time between two uploads

    // Whether anything is written or sent at all.
    bool hasOutput() const { return !outputs.empty() || !siteFolder.isEmpty() || !publishTarget.isEmpty(); }
};

struct ParsedCommandLine {
    CommandOptions options;
    QString error;  // empty when the command line is usable
};

// Reads the arguments (without the program's name).  Options take their
// value as the next argument or after "="; "--" ends the options.
ParsedCommandLine ParseCommandLine(const QStringList &arguments, Language language);

// Whether the command line asks for a PDF, whose pages need fonts: the
// command then runs as a (windowless) Qt Gui application.
bool WritesPdf(const QStringList &arguments);

// The text of --help.
QString HelpText(Language language);
