// Reading the command line of tikomat-results: every option with and without
// its value, the values it refuses with their exact messages, and what "--",
// "-" and "=" mean, each case read back as one line that says everything the
// command was asked for.
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;

QString FormatName(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Xls: return u"xls"_s;
    case OutputFormat::Csv: return u"csv"_s;
    case OutputFormat::Html: return u"html"_s;
    case OutputFormat::Json: return u"json"_s;
    case OutputFormat::Pdf: return u"pdf"_s;
    }
    return u"?"_s;
}

// The outcome in one line: the error, help and its language, version, or
// every field of a run that differs from its default.
QString Outcome(const ParsedCommandLine &parsed)
{
    if (!parsed.error.isEmpty())
        return u"error: "_s + parsed.error;
    const CommandOptions &o = parsed.options;
    switch (o.action) {
    case CommandOptions::Action::Help: return o.helpLanguage == Language::Czech ? u"help cs"_s : u"help en"_s;
    case CommandOptions::Action::Version: return u"version"_s;
    case CommandOptions::Action::Run: break;
    }
    QStringList parts{u"run "_s + o.dataFile};
    if (!o.racerFile.isEmpty())
        parts << u"racers="_s + o.racerFile;
    if (o.lapsMode != 0)
        parts << u"laps="_s + QString::number(o.lapsMode);
    if (o.title != u"Výpis závodníků"_s)
        parts << u"title="_s + o.title;
    if (o.force)
        parts << u"force"_s;
    if (!o.category.isEmpty())
        parts << u"category="_s + o.category;
    if (o.byCategory)
        parts << u"by-category"_s;
    for (const OutputRequest &out : o.outputs)
        parts << FormatName(out.format) + u':' + out.path;
    if (!o.siteFolder.isEmpty())
        parts << u"site:"_s + o.siteFolder;
    if (!o.publishTarget.isEmpty())
        parts << u"publish:"_s + o.publishTarget;
    if (o.watch)
        parts << u"watch"_s;
    if (o.intervalSeconds)
        parts << u"interval="_s + QString::number(*o.intervalSeconds);
    return parts.join(u' ');
}

struct LineCase {
    QStringList arguments;
    QString outcome;
};

void Check(const std::vector<LineCase> &cases, Language language)
{
    for (const LineCase &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        EXPECT_EQ(Outcome(ParseCommandLine(c.arguments, language)).toStdString(), c.outcome.toStdString());
    }
}

TEST(CommandLine, EveryOptionTakesItsValueAsTheNextArgumentOrAfterAnEqualsSign)
{
    Check(
        {
            {{u"r.csvz"_s, u"--csv"_s, u"-"_s}, u"run r.csvz csv:-"_s},
            {{u"--xls=a.xls"_s, u"r.csvz"_s, u"--csv"_s, u"a.csv"_s, u"--html"_s, u"a.html"_s, u"--json=-"_s,
              u"--pdf"_s, u"a.pdf"_s},
             u"run r.csvz xls:a.xls csv:a.csv html:a.html json:- pdf:a.pdf"_s},
            {{u"r.csvz"_s, u"--csv"_s, u"a"_s, u"--csv"_s, u"b"_s}, u"run r.csvz csv:a csv:b"_s},
            {{u"r.csvz"_s, u"--racers"_s, u"x.racerlist"_s, u"--laps=none"_s, u"--title"_s, u""_s, u"--force"_s,
              u"--csv"_s, u"-"_s},
             u"run r.csvz racers=x.racerlist laps=1 title= force csv:-"_s},
            {{u"r.csvz"_s, u"--laps"_s, u"none"_s, u"--laps"_s, u"most"_s, u"--title=A=B"_s, u"--csv=-"_s},
             u"run r.csvz title=A=B csv:-"_s},
            {{u"r.csvz"_s, u"--category"_s, u" Ž "_s, u"--csv"_s, u"-"_s}, u"run r.csvz category= Ž  csv:-"_s},
            {{u"r.csvz"_s, u"--by-category"_s, u"--csv"_s, u"-"_s}, u"run r.csvz by-category csv:-"_s},
            // A value is taken as it stands, even when it looks like an option.
            {{u"r.csvz"_s, u"--title"_s, u"--csv"_s, u"--csv"_s, u"-"_s}, u"run r.csvz title=--csv csv:-"_s},
            {{u"r.csvz"_s, u"--csv"_s, u"--json"_s}, u"run r.csvz csv:--json"_s},
            // "--" ends the options; "-" alone is a file name.
            {{u"--csv"_s, u"-"_s, u"--"_s, u"--odd.csvz"_s}, u"run --odd.csvz csv:-"_s},
            // The site: into a folder, to a target, and again at every change.
            {{u"r.csvz"_s, u"--site"_s, u"web"_s}, u"run r.csvz site:web"_s},
            {{u"r.csvz"_s, u"--publish=zavody:vysledky/2026"_s, u"--csv=a.csv"_s},
             u"run r.csvz csv:a.csv publish:zavody:vysledky/2026"_s},
            {{u"r.csvz"_s, u"--publish"_s, u"/srv/www"_s, u"--watch"_s, u"--interval"_s, u"30"_s},
             u"run r.csvz publish:/srv/www watch interval=30"_s},
            {{u"r.csvz"_s, u"--site=web"_s, u"--watch"_s}, u"run r.csvz site:web watch"_s},
        },
        Language::English);
}

TEST(CommandLine, HelpAndVersionWinOverWhatFollowsButNotOverAnEarlierError)
{
    Check(
        {
            {{u"-h"_s}, u"help en"_s},
            {{u"--help"_s}, u"help en"_s},
            {{u"--help=cs"_s}, u"help cs"_s},
            {{u"--help=en"_s}, u"help en"_s},
            {{u"--csv"_s, u"-"_s, u"--help"_s, u"--bogus"_s}, u"help en"_s},
            {{u"--version"_s, u"--bogus"_s}, u"version"_s},
            {{u"--version"_s, u"--help"_s}, u"version"_s},
            {{u"--laps"_s, u"x"_s, u"--help"_s}, u"error: option --laps takes most or none, not \"x\""_s},
            {{u"--help=de"_s}, u"error: --help knows the languages cs and en only, not \"de\""_s},
            {{u"--help="_s}, u"error: --help knows the languages cs and en only, not \"\""_s},
        },
        Language::English);
    // Help comes in the user's language unless it names another.
    Check({{{u"--help"_s}, u"help cs"_s}, {{u"--help=en"_s}, u"help en"_s}}, Language::Czech);
}

TEST(CommandLine, WrongLinesAreRefusedWithTheirMessages)
{
    Check(
        {
            {{}, u"error: no data file given (see --help)"_s},
            {{u"--csv"_s, u"-"_s}, u"error: no data file given (see --help)"_s},
            {{u"r.csvz"_s}, u"error: no output given: --xls, --csv, --html, --json, --pdf, --site or --publish"_s},
            {{u"a.csvz"_s, u"b.csvz"_s, u"--csv"_s, u"-"_s}, u"error: one data file only, not a.csvz b.csvz"_s},
            {{u"-"_s, u"--csv"_s, u"a"_s}, u"error: the data file is read from a file, not from standard input"_s},
            // An unknown option is named as it was written.
            {{u"r.csvz"_s, u"--xlsx"_s, u"a"_s}, u"error: unknown option --xlsx (see --help)"_s},
            {{u"r.csvz"_s, u"-x"_s}, u"error: unknown option -x (see --help)"_s},
            {{u"-h=cs"_s}, u"error: unknown option -h=cs (see --help)"_s},
            {{u"r.csvz"_s, u"--=x"_s}, u"error: unknown option --=x (see --help)"_s},
            // A switch given a value is no such option.
            {{u"r.csvz"_s, u"--force=yes"_s}, u"error: unknown option --force=yes (see --help)"_s},
            {{u"r.csvz"_s, u"--by-category=1"_s}, u"error: unknown option --by-category=1 (see --help)"_s},
            {{u"--version=2"_s}, u"error: unknown option --version=2 (see --help)"_s},
            // Values missing or refused.
            {{u"r.csvz"_s, u"--csv"_s}, u"error: option --csv needs a file name"_s},
            {{u"r.csvz"_s, u"--pdf="_s}, u"error: option --pdf needs a file name"_s},
            {{u"r.csvz"_s, u"--xls"_s, u""_s}, u"error: option --xls needs a file name"_s},
            {{u"r.csvz"_s, u"--racers"_s}, u"error: option --racers needs the name of a racer file"_s},
            {{u"r.csvz"_s, u"--racers="_s}, u"error: option --racers needs the name of a racer file"_s},
            {{u"r.csvz"_s, u"--title"_s}, u"error: option --title needs the caption's text"_s},
            {{u"r.csvz"_s, u"--category"_s}, u"error: option --category needs the name of a category"_s},
            {{u"r.csvz"_s, u"--category"_s, u"  "_s}, u"error: option --category needs the name of a category"_s},
            {{u"r.csvz"_s, u"--laps"_s}, u"error: option --laps takes most or none, not \"\""_s},
            {{u"r.csvz"_s, u"--laps=Most"_s}, u"error: option --laps takes most or none, not \"Most\""_s},
            // Options that do not go together.
            {{u"r.csvz"_s, u"--category"_s, u"M"_s, u"--by-category"_s, u"--csv"_s, u"-"_s},
             u"error: options --category and --by-category cannot be combined"_s},
            {{u"r.csvz"_s, u"--xls"_s, u"-"_s}, u"error: the .xls workbook goes to a file only"_s},
            {{u"r.csvz"_s, u"--csv"_s, u"-"_s, u"--pdf"_s, u"-"_s},
             u"error: only one output may go to standard output"_s},
            {{u"r.csvz"_s, u"--site"_s}, u"error: option --site needs the name of a folder"_s},
            {{u"r.csvz"_s, u"--publish="_s},
             u"error: option --publish needs a target: a folder or an rclone remote "
             u"(name:path)"_s},
            {{u"r.csvz"_s, u"--site=w"_s, u"--watch"_s, u"--interval"_s},
             u"error: option --interval takes a number of seconds from 0 to 3600, not \"\""_s},
            {{u"r.csvz"_s, u"--site=w"_s, u"--watch"_s, u"--interval=3601"_s},
             u"error: option --interval takes a number of seconds from 0 to 3600, not \"3601\""_s},
            {{u"r.csvz"_s, u"--site=w"_s, u"--interval=5"_s}, u"error: option --interval goes with --watch only"_s},
            {{u"r.csvz"_s, u"--csv=a.csv"_s, u"--watch"_s},
             u"error: option --watch watches for changes for --site or --publish"_s},
            {{u"r.csvz"_s, u"--site=w"_s, u"--watch"_s, u"--csv=-"_s},
             u"error: with --watch, outputs go to files only"_s},
            {{u"r.csvz"_s, u"--site=w"_s, u"--by-category"_s},
             u"error: the site (--site, --publish) always holds the whole ranking and every category; it cannot be "
             u"combined with --category or --by-category"_s},
            // The first fault found is the one said.
            {{u"r.csvz"_s, u"--bogus"_s, u"--csv"_s}, u"error: unknown option --bogus (see --help)"_s},
            {{u"r.csvz"_s, u"s.csvz"_s, u"--xls"_s, u"-"_s}, u"error: one data file only, not r.csvz s.csvz"_s},
        },
        Language::English);
}

TEST(CommandLine, MessagesAreCzechForACzechUser)
{
    Check(
        {
            {{}, u"error: chybí datový soubor (nápověda: --help)"_s},
            {{u"r.csvz"_s}, u"error: chybí výstup: --xls, --csv, --html, --json, --pdf, --site nebo --publish"_s},
            {{u"r.csvz"_s, u"--publish"_s, u" "_s},
             u"error: volba --publish chce cíl: složku nebo vzdálené úložiště rclone (název:cesta)"_s},
            {{u"r.csvz"_s, u"--site=w"_s, u"--watch"_s, u"--interval=-1"_s},
             u"error: volba --interval chce počet sekund od 0 do 3600, ne „-1“"_s},
            {{u"a"_s, u"b"_s, u"--csv"_s, u"-"_s}, u"error: jen jeden datový soubor, ne a b"_s},
            {{u"-"_s, u"--csv"_s, u"a"_s}, u"error: datový soubor se čte ze souboru, ne ze standardního vstupu"_s},
            {{u"r.csvz"_s, u"--xlsx"_s}, u"error: neznámá volba --xlsx (nápověda: --help)"_s},
            {{u"--help=de"_s}, u"error: --help zná jen jazyky cs a en, ne „de“"_s},
            {{u"r.csvz"_s, u"--json"_s}, u"error: volba --json chce jméno souboru"_s},
            {{u"r.csvz"_s, u"--racers"_s}, u"error: volba --racers chce jméno souboru závodníků"_s},
            {{u"r.csvz"_s, u"--title"_s}, u"error: volba --title chce text nadpisu"_s},
            {{u"r.csvz"_s, u"--category="_s}, u"error: volba --category chce název kategorie"_s},
            {{u"r.csvz"_s, u"--laps"_s, u"3"_s}, u"error: volba --laps chce most nebo none, ne „3“"_s},
            {{u"r.csvz"_s, u"--category=M"_s, u"--by-category"_s, u"--csv"_s, u"-"_s},
             u"error: volby --category a --by-category nelze spojit"_s},
            {{u"r.csvz"_s, u"--xls=-"_s}, u"error: sešit .xls se zapisuje jen do souboru"_s},
            {{u"r.csvz"_s, u"--csv=-"_s, u"--html=-"_s}, u"error: na standardní výstup smí jen jeden výstup"_s},
        },
        Language::Czech);
}

TEST(CommandLine, OnlyARunThatAsksForAPdfNeedsFonts)
{
    const std::vector<std::pair<QStringList, bool>> cases{
        {{u"r.csvz"_s, u"--pdf"_s, u"a.pdf"_s}, true},
        {{u"r.csvz"_s, u"--csv"_s, u"-"_s, u"--pdf=a.pdf"_s}, true},
        {{u"r.csvz"_s, u"--csv"_s, u"-"_s}, false},
        {{u"r.csvz"_s, u"--pdf"_s, u"a.pdf"_s, u"--help"_s}, false},
        {{u"r.csvz"_s, u"--pdf"_s, u"a.pdf"_s, u"--bogus"_s}, false},
    };
    for (const auto &[arguments, pdf] : cases)
        EXPECT_EQ(WritesPdf(arguments), pdf) << arguments.join(u' ').toStdString();
}

}  // namespace
