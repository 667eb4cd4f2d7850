#include "CommandLine.h"

#include "QuotedInput.h"

#include <functional>
#include <optional>

namespace {

using namespace Qt::Literals::StringLiterals;

bool NamesCzech(const QString &locale)
{
    return locale == QLatin1String("cs") || locale.startsWith(QLatin1String("cs_"))
           || locale.startsWith(QLatin1String("cs."));
}

// A message in both languages; %1 stands for a value or an option's name.
struct Message {
    QString czech;
    QString english;

    bool isEmpty() const { return czech.isEmpty(); }
    Message arg(const QString &text) const { return {czech.arg(text), english.arg(text)}; }
};

// How an option takes its value.
enum class Takes {
    Nothing,   // a switch: "--force=yes" is no option the command knows
    Value,     // the next argument, or the text after "=", whatever either looks like
    Language,  // nothing, or a language after "=" only (--help=cs)
};

// What a value must be; a value that is not gets the option's `missing` message.
enum class Needs { Anything, Text, NonBlankText };

// Stores an option's value (none for a switch, or --help without a
// language); returns what is wrong with it, or an empty message.
using Apply = std::function<Message(CommandOptions &, const std::optional<QString> &value)>;

struct Option {
    QStringList names;
    Takes takes = Takes::Nothing;
    Needs needs = Needs::Anything;
    // Said when the value is absent or not what the option needs (%1: the
    // option's name).  None: an absent value counts as an empty one, which
    // `apply` judges.
    Message missing = {};
    Apply apply = nullptr;
    // Help and version end the reading: nothing after them matters.
    bool endsLine = false;
};

// A switch that sets its flag.
Apply Sets(bool CommandOptions::*flag)
{
    return [flag](CommandOptions &o, const std::optional<QString> &) {
        o.*flag = true;
        return Message{};
    };
}

// An option whose value goes into a field as it is.
Apply Keeps(QString CommandOptions::*field)
{
    return [field](CommandOptions &o, const std::optional<QString> &value) {
        o.*field = *value;
        return Message{};
    };
}

Option OutputOption(const QString &name, OutputFormat format)
{
    return {.names = {name},
            .takes = Takes::Value,
            .needs = Needs::Text,
            .missing = {u"volba %1 chce jméno souboru"_s, u"option %1 needs a file name"_s},
            .apply = [format](CommandOptions &o, const std::optional<QString> &value) {
                o.outputs.push_back({format, *value});
                return Message{};
            }};
}

Message ApplyHelp(CommandOptions &o, const std::optional<QString> &language)
{
    if (language == u"cs"_s)
        o.helpLanguage = Language::Czech;
    else if (language == u"en"_s)
        o.helpLanguage = Language::English;
    else if (language)
        return Message{u"--help zná jen jazyky cs a en, ne „%1“"_s,
                       u"--help knows the languages cs and en only, not \"%1\""_s}
            .arg(QuotedInput(*language));
    o.action = CommandOptions::Action::Help;
    return {};
}

Message ApplyInterval(CommandOptions &o, const std::optional<QString> &value)
{
    bool ok = false;
    const int seconds = value->toInt(&ok);
    if (!ok || seconds < 0 || seconds > 3600)
        return Message{u"volba --interval chce počet sekund od 0 do 3600, ne „%1“"_s,
                       u"option --interval takes a number of seconds from 0 to 3600, not \"%1\""_s}
            .arg(*value);
    o.intervalSeconds = seconds;
    return {};
}

Message ApplyLaps(CommandOptions &o, const std::optional<QString> &value)
{
    if (value == u"most"_s)
        o.lapsMode = 0;
    else if (value == u"none"_s)
        o.lapsMode = 1;
    else
        return Message{u"volba --laps chce most nebo none, ne „%1“"_s,
                       u"option --laps takes most or none, not \"%1\""_s}
            .arg(QuotedInput(*value));
    return {};
}

// The options the command knows.  Read by hand rather than by Qt's parser,
// whose messages are its own (and English only) and which would take what
// follows a single "-" as clustered short options.
const std::vector<Option> &Options()
{
    static const std::vector<Option> options{
        {.names = {u"-h"_s, u"--help"_s}, .takes = Takes::Language, .apply = ApplyHelp, .endsLine = true},
        {.names = {u"--version"_s},
         .apply =
             [](CommandOptions &o, const std::optional<QString> &) {
                 o.action = CommandOptions::Action::Version;
                 return Message{};
             },
         .endsLine = true},
        {.names = {u"--force"_s}, .apply = Sets(&CommandOptions::force)},
        {.names = {u"--by-category"_s}, .apply = Sets(&CommandOptions::byCategory)},
        {.names = {u"--category"_s},
         .takes = Takes::Value,
         .needs = Needs::NonBlankText,
         .missing = {u"volba %1 chce název kategorie"_s, u"option %1 needs the name of a category"_s},
         .apply = Keeps(&CommandOptions::category)},
        OutputOption(u"--xls"_s, OutputFormat::Xls),
        OutputOption(u"--csv"_s, OutputFormat::Csv),
        OutputOption(u"--html"_s, OutputFormat::Html),
        OutputOption(u"--json"_s, OutputFormat::Json),
        OutputOption(u"--pdf"_s, OutputFormat::Pdf),
        {.names = {u"--site"_s},
         .takes = Takes::Value,
         .needs = Needs::Text,
         .missing = {u"volba %1 chce jméno složky"_s, u"option %1 needs the name of a folder"_s},
         .apply = Keeps(&CommandOptions::siteFolder)},
        {.names = {u"--publish"_s},
         .takes = Takes::Value,
         .needs = Needs::NonBlankText,
         .missing = {u"volba %1 chce cíl: složku nebo vzdálené úložiště rclone (název:cesta)"_s,
                     u"option %1 needs a target: a folder or an rclone remote (name:path)"_s},
         .apply = Keeps(&CommandOptions::publishTarget)},
        {.names = {u"--watch"_s}, .apply = Sets(&CommandOptions::watch)},
        // An absent number is an empty one, which ApplyInterval names as wrong.
        {.names = {u"--interval"_s}, .takes = Takes::Value, .apply = ApplyInterval},
        {.names = {u"--racers"_s},
         .takes = Takes::Value,
         .needs = Needs::Text,
         .missing = {u"volba %1 chce jméno souboru závodníků"_s, u"option %1 needs the name of a racer file"_s},
         .apply = Keeps(&CommandOptions::racerFile)},
        {.names = {u"--sheet"_s},
         .takes = Takes::Value,
         .needs = Needs::Text,
         .missing = {u"volba %1 chce jméno souboru listu závodu"_s, u"option %1 needs the name of a race sheet file"_s},
         .apply = Keeps(&CommandOptions::sheetFile)},
        {.names = {u"--title"_s},
         .takes = Takes::Value,
         .missing = {u"volba %1 chce text nadpisu"_s, u"option %1 needs the caption's text"_s},
         .apply = Keeps(&CommandOptions::title)},
        // An absent mode is an empty one, which ApplyLaps names as wrong.
        {.names = {u"--laps"_s}, .takes = Takes::Value, .apply = ApplyLaps},
    };
    return options;
}

const Option *FindOption(const QString &name)
{
    for (const Option &option : Options())
        if (option.names.contains(name))
            return &option;
    return nullptr;
}

bool Meets(Needs needs, const QString &value)
{
    switch (needs) {
    case Needs::Anything: return true;
    case Needs::Text: return !value.isEmpty();
    case Needs::NonBlankText: return !value.trimmed().isEmpty();
    }
    return false;
}

// What a line that runs must hold besides its options.
Message CheckRun(CommandOptions &o, const QStringList &files)
{
    if (files.isEmpty())
        return {u"chybí datový soubor (nápověda: --help)"_s, u"no data file given (see --help)"_s};
    if (files.size() > 1)
        return Message{u"jen jeden datový soubor, ne %1"_s, u"one data file only, not %1"_s}.arg(
            QuotedInput(files.join(u' ')));
    if (files.front() == u"-"_s)
        return {u"datový soubor se čte ze souboru, ne ze standardního vstupu"_s,
                u"the data file is read from a file, not from standard input"_s};
    o.dataFile = files.front();
    if (o.byCategory && !o.category.isEmpty())
        return {u"volby --category a --by-category nelze spojit"_s,
                u"options --category and --by-category cannot be combined"_s};
    if (!o.hasOutput())
        return {u"chybí výstup: --xls, --csv, --html, --json, --pdf, --site nebo --publish"_s,
                u"no output given: --xls, --csv, --html, --json, --pdf, --site or --publish"_s};
    // The site holds the whole ranking and every category, always.
    if ((!o.siteFolder.isEmpty() || !o.publishTarget.isEmpty()) && (o.byCategory || !o.category.isEmpty()))
        return {u"web (--site, --publish) má vždy celé pořadí i každou kategorii; nelze jej spojit "
                u"s --category ani --by-category"_s,
                u"the site (--site, --publish) always holds the whole ranking and every category; it cannot be "
                u"combined with --category or --by-category"_s};
    if (o.intervalSeconds && !o.watch)
        return {u"volba --interval platí jen s --watch"_s, u"option --interval goes with --watch only"_s};
    if (o.watch && o.publishTarget.isEmpty() && o.siteFolder.isEmpty())
        return {u"volba --watch hlídá změny pro --site nebo --publish"_s,
                u"option --watch watches for changes for --site or --publish"_s};
    int toStdout = 0;
    for (const OutputRequest &out : o.outputs) {
        if (out.path != u"-"_s)
            continue;
        if (out.format == OutputFormat::Xls)
            return {u"sešit .xls se zapisuje jen do souboru"_s, u"the .xls workbook goes to a file only"_s};
        ++toStdout;
    }
    if (toStdout > 1)
        return {u"na standardní výstup smí jen jeden výstup"_s, u"only one output may go to standard output"_s};
    if (o.watch && toStdout > 0)
        return {u"s volbou --watch jdou výstupy jen do souborů"_s, u"with --watch, outputs go to files only"_s};
    return {};
}

}  // namespace

Language LanguageOf(const QProcessEnvironment &environment)
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = environment.value(QString::fromLatin1(name));
        if (!value.isEmpty())
            return NamesCzech(value) ? Language::Czech : Language::English;
    }
    return Language::English;
}

ParsedCommandLine ParseCommandLine(const QStringList &arguments, Language language)
{
    ParsedCommandLine parsed;
    CommandOptions &o = parsed.options;
    o.helpLanguage = language;
    auto fail = [&](const Message &message) {
        parsed.error = Tr(language, message.czech, message.english);
        return parsed;
    };

    QStringList files;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-"_s) {
            files << argument;
            continue;
        }
        if (argument == u"--"_s) {
            optionsEnded = true;
            continue;
        }
        // A long option may carry its value after "=".
        QString name = argument;
        std::optional<QString> value;
        if (const qsizetype eq = argument.indexOf(u'='); argument.startsWith(u"--"_s) && eq > 0) {
            name = argument.left(eq);
            value = argument.mid(eq + 1);
        }
        const Option *option = FindOption(name);
        if (!option || (option->takes == Takes::Nothing && value))
            return fail(Message{u"neznámá volba %1 (nápověda: --help)"_s, u"unknown option %1 (see --help)"_s}.arg(
                QuotedInput(argument)));
        if (option->takes == Takes::Value) {
            if (!value && i + 1 < arguments.size())
                value = arguments[++i];
            if (!value && option->missing.isEmpty())
                value = QString();
            if (!value || !Meets(option->needs, *value))
                return fail(option->missing.arg(name));
        }
        if (const Message wrong = option->apply(o, value); !wrong.isEmpty())
            return fail(wrong);
        if (option->endsLine)
            return parsed;
    }
    if (const Message wrong = CheckRun(o, files); !wrong.isEmpty())
        return fail(wrong);
    return parsed;
}

bool WritesPdf(const QStringList &arguments)
{
    const ParsedCommandLine parsed = ParseCommandLine(arguments, Language::English);
    if (!parsed.error.isEmpty() || parsed.options.action != CommandOptions::Action::Run)
        return false;
    for (const OutputRequest &output : parsed.options.outputs)
        if (output.format == OutputFormat::Pdf)
            return true;
    return false;
}

QString HelpText(Language language)
{
    if (language == Language::Czech)
        return QStringLiteral("Použití: tikomat-results [VOLBY] DATOVÝ_SOUBOR\n"
                              "Spočte výsledkovou listinu ze souboru dat záznamu časů (.csvz) stejně jako okno\n"
                              "programu a zapíše ji. Datový soubor jen čte: nikdy jej nemění, nedělá zálohu\n"
                              "ani dočasný soubor a na nic se neptá.\n"
                              "\n"
                              "Výstupy (alespoň jeden; SOUBOR „-“ je standardní výstup):\n"
                              "  --xls SOUBOR       sešit .xls, týž list jako „Export...“ v programu\n"
                              "  --csv SOUBOR       CSV v UTF-8, oddělovač středník, sloupce jako v sešitu\n"
                              "  --html SOUBOR      jedna samostatná stránka HTML pro web\n"
                              "  --json SOUBOR      JSON\n"
                              "  --pdf SOUBOR       PDF k tisku: A4 na výšku, stejné stránky jako „PDF...“\n"
                              "                     v programu (s --by-category každá kategorie od nové strany)\n"
                              "  --site SLOŽKA      web s výsledky do složky: index.html (celé pořadí), stránka\n"
                              "                     každé kategorie, results.json a skript, jímž se stránky\n"
                              "                     každých 15 s obnovují\n"
                              "  --publish CÍL      týž web nahraje programem rclone (balíček rclone) do CÍLE:\n"
                              "                     složky, nebo vzdáleného úložiště nastaveného příkazem\n"
                              "                     „rclone config“, např. zavody:vysledky/2026-velka-cena\n"
                              "Volby:\n"
                              "  --racers SOUBOR    soubor závodníků (.racerlist) se jmény a kategoriemi\n"
                              "  --sheet SOUBOR     list závodu (pravidla konce, stavy závodníků); bez volby\n"
                              "                     <datový soubor>.zavod.json, je-li\n"
                              "  --laps most|none   režim zpracování více kol: most = vítěz má nejvíce kol\n"
                              "                     a nejnižší čas, mezičasy v poznámce (výchozí);\n"
                              "                     none = bez užití kol\n"
                              "  --title TEXT       nadpis listiny (výchozí „Výpis závodníků“)\n"
                              "  --category NÁZEV   jen tato kategorie závodníků, s pořadím v ní (velikost písmen\n"
                              "                     nerozhoduje; „<nezadáná kategorie>“ jsou závodníci bez ní)\n"
                              "  --by-category      každá kategorie zvlášť: v CSV a HTML oddíl, v sešitu list\n"
                              "                     (název listu je kategorie, nejvýše 31 znaků)\n"
                              "  --force            otevřít i soubor s řádky bez čitelného času nebo s hodnotou\n"
                              "                     mimo rozsah a soubor větší než 512 MB; nečitelný list\n"
                              "                     závodu vynechat\n"
                              "  --watch            neskončí: při každé změně datového souboru nebo souboru\n"
                              "                     závodníků (i nahrazeného přejmenováním) zapíše --site\n"
                              "                     a zveřejní --publish znovu; nahrává jen změněné soubory\n"
                              "  --interval SEKUNDY s --watch nejkratší doba mezi dvěma nahráními (výchozí 15)\n"
                              "  -h, --help[=cs|en] tato nápověda (česky při českém prostředí, jinak anglicky)\n"
                              "  --version          verze\n"
                              "\n"
                              "Návratové kódy:\n"
                              "  0  vše zapsáno\n"
                              "  2  chybný příkazový řádek (i kategorie, kterou nemá žádný závodník);\n"
                              "     nic se nezapsalo\n"
                              "  3  datový soubor nebo soubor závodníků nelze přečíst; nic se nezapsalo\n"
                              "  4  některý výstup nelze zapsat (ostatní se zapsaly)\n"
                              "  5  web nelze zveřejnit (následuje hlášení programu rclone)\n"
                              "Každý soubor se nahrazuje celý najednou; chyby jdou na standardní chybový výstup.\n");
    return QStringLiteral("Usage: tikomat-results [OPTIONS] DATA_FILE\n"
                          "Computes the results list of a Tikomat data file (.csvz) exactly as the window\n"
                          "does and writes it out. The data file is only read: never changed, no backup or\n"
                          "temporary file is made, and nothing is asked.\n"
                          "\n"
                          "Outputs (at least one; FILE \"-\" is standard output):\n"
                          "  --xls FILE         .xls workbook, the same sheet as \"Export...\" in the program\n"
                          "  --csv FILE         CSV in UTF-8, semicolon separated, the workbook's columns\n"
                          "  --html FILE        one self-contained HTML page for a website\n"
                          "  --json FILE        JSON\n"
                          "  --pdf FILE         PDF for printing: A4 portrait, the pages of \"PDF...\" in the\n"
                          "                     program (with --by-category each category on new pages)\n"
                          "  --site FOLDER      the results site into a folder: index.html (the whole\n"
                          "                     ranking), a page per category, results.json and the script\n"
                          "                     that refreshes the pages every 15 s\n"
                          "  --publish TARGET   uploads the same site with rclone (package rclone) to TARGET:\n"
                          "                     a folder, or a remote set up with \"rclone config\", such as\n"
                          "                     zavody:vysledky/2026-velka-cena\n"
                          "Options:\n"
                          "  --racers FILE      racer file (.racerlist) with names and categories\n"
                          "  --sheet FILE       race sheet (finish rules, racer statuses); without it\n"
                          "                     <data file>.zavod.json, if there is one\n"
                          "  --laps most|none   laps mode: most = the winner has the most laps and the\n"
                          "                     lowest time, split times in the note (default);\n"
                          "                     none = laps ignored\n"
                          "  --title TEXT       caption of the list (default \"Výpis závodníků\")\n"
                          "  --category NAME    only this category of racers, ranked within it (letter case\n"
                          "                     aside; \"<nezadáná kategorie>\" is the racers without one)\n"
                          "  --by-category      every category apart: a section in CSV and HTML, a sheet in\n"
                          "                     the workbook (named after the category, at most 31 characters)\n"
                          "  --force            open a file with lines without a readable time or with a\n"
                          "                     value out of range, and a file over 512 MB, as well; leave\n"
                          "                     an unreadable race sheet out\n"
                          "  --watch            does not end: at every change of the data file or the racer\n"
                          "                     file (one replaced by a rename too) writes --site and\n"
                          "                     publishes --publish again, uploading changed files only\n"
                          "  --interval SECONDS with --watch, the least time between two uploads (default 15)\n"
                          "  -h, --help[=cs|en] this help (Czech under a Czech locale, else English)\n"
                          "  --version          version\n"
                          "\n"
                          "Exit codes:\n"
                          "  0  everything written\n"
                          "  2  wrong command line (a category no racer has included); nothing was written\n"
                          "  3  the data file or the racer file cannot be read; nothing was written\n"
                          "  4  an output could not be written (the others were)\n"
                          "  5  the site could not be published (rclone's message follows)\n"
                          "Every file is replaced whole at once; errors go to standard error.\n");
}
