#include "CommandLine.h"

namespace {

bool NamesCzech(const QString &locale)
{
    return locale == QLatin1String("cs") || locale.startsWith(QLatin1String("cs_"))
           || locale.startsWith(QLatin1String("cs."));
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
    auto fail = [&](const QString &czech, const QString &english) {
        parsed.error = Tr(language, czech, english);
        return parsed;
    };

    QStringList files;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            files << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = argument;
        QString value;
        bool hasValue = false;
        if (const qsizetype eq = argument.indexOf(u'='); argument.startsWith(QLatin1String("--")) && eq > 0) {
            name = argument.left(eq);
            value = argument.mid(eq + 1);
            hasValue = true;
        }
        // The value of an option that takes one.
        auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size())
                return false;
            value = arguments[++i];
            return true;
        };
        auto noValue = [&] { return !hasValue; };

        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            if (hasValue) {
                if (value == QLatin1String("cs"))
                    o.helpLanguage = Language::Czech;
                else if (value == QLatin1String("en"))
                    o.helpLanguage = Language::English;
                else
                    return fail(QStringLiteral("--help zná jen jazyky cs a en, ne „%1“").arg(value),
                                QStringLiteral("--help knows the languages cs and en only, not \"%1\"").arg(value));
            }
            o.action = CommandOptions::Action::Help;
            return parsed;  // help wins over everything else on the line
        }
        if (name == QLatin1String("--version") && noValue()) {
            o.action = CommandOptions::Action::Version;
            return parsed;
        }
        if (name == QLatin1String("--force") && noValue()) {
            o.force = true;
            continue;
        }
        const struct {
            const char *name;
            OutputFormat format;
        } formats[] = {{"--xls", OutputFormat::Xls},
                       {"--csv", OutputFormat::Csv},
                       {"--html", OutputFormat::Html},
                       {"--json", OutputFormat::Json}};
        bool isOutput = false;
        for (const auto &f : formats) {
            if (name == QLatin1String(f.name)) {
                if (!takeValue() || value.isEmpty())
                    return fail(QStringLiteral("volba %1 chce jméno souboru").arg(name),
                                QStringLiteral("option %1 needs a file name").arg(name));
                o.outputs.push_back({f.format, value});
                isOutput = true;
            }
        }
        if (isOutput)
            continue;
        if (name == QLatin1String("--racers")) {
            if (!takeValue() || value.isEmpty())
                return fail(QStringLiteral("volba --racers chce jméno souboru závodníků"),
                            QStringLiteral("option --racers needs the name of a racer file"));
            o.racerFile = value;
            continue;
        }
        if (name == QLatin1String("--title")) {
            if (!takeValue())
                return fail(QStringLiteral("volba --title chce text nadpisu"),
                            QStringLiteral("option --title needs the caption's text"));
            o.title = value;
            continue;
        }
        if (name == QLatin1String("--laps")) {
            if (!takeValue())
                value.clear();
            if (value == QLatin1String("most"))
                o.lapsMode = 0;
            else if (value == QLatin1String("none"))
                o.lapsMode = 1;
            else
                return fail(QStringLiteral("volba --laps chce most nebo none, ne „%1“").arg(value),
                            QStringLiteral("option --laps takes most or none, not \"%1\"").arg(value));
            continue;
        }
        return fail(QStringLiteral("neznámá volba %1 (nápověda: --help)").arg(argument),
                    QStringLiteral("unknown option %1 (see --help)").arg(argument));
    }

    if (files.isEmpty())
        return fail(QStringLiteral("chybí datový soubor (nápověda: --help)"),
                    QStringLiteral("no data file given (see --help)"));
    if (files.size() > 1)
        return fail(QStringLiteral("jen jeden datový soubor, ne %1").arg(files.join(u' ')),
                    QStringLiteral("one data file only, not %1").arg(files.join(u' ')));
    if (files.front() == QLatin1String("-"))
        return fail(QStringLiteral("datový soubor se čte ze souboru, ne ze standardního vstupu"),
                    QStringLiteral("the data file is read from a file, not from standard input"));
    o.dataFile = files.front();
    if (o.outputs.empty())
        return fail(QStringLiteral("chybí výstup: --xls, --csv, --html nebo --json"),
                    QStringLiteral("no output given: --xls, --csv, --html or --json"));
    int toStdout = 0;
    for (const OutputRequest &out : o.outputs) {
        if (out.path != QLatin1String("-"))
            continue;
        if (out.format == OutputFormat::Xls)
            return fail(QStringLiteral("sešit .xls se zapisuje jen do souboru"),
                        QStringLiteral("the .xls workbook goes to a file only"));
        ++toStdout;
    }
    if (toStdout > 1)
        return fail(QStringLiteral("na standardní výstup smí jen jeden výstup"),
                    QStringLiteral("only one output may go to standard output"));
    return parsed;
}

QString HelpText(Language language)
{
    if (language == Language::Czech)
        return QStringLiteral(
            "Použití: tikomat-results [VOLBY] DATOVÝ_SOUBOR\n"
            "Spočte výsledkovou listinu ze souboru dat záznamu časů (.csvz) stejně jako okno\n"
            "programu a zapíše ji. Datový soubor jen čte: nikdy jej nemění, nedělá zálohu\n"
            "ani dočasný soubor a na nic se neptá.\n"
            "\n"
            "Výstupy (alespoň jeden; SOUBOR „-“ je standardní výstup):\n"
            "  --xls SOUBOR       sešit .xls, týž list jako „Export...“ v programu\n"
            "  --csv SOUBOR       CSV v UTF-8, oddělovač středník, sloupce jako v sešitu\n"
            "  --html SOUBOR      jedna samostatná stránka HTML pro web\n"
            "  --json SOUBOR      JSON\n"
            "Volby:\n"
            "  --racers SOUBOR    soubor závodníků (.racerlist) se jmény a kategoriemi\n"
            "  --laps most|none   režim zpracování více kol: most = vítěz má nejvíce kol\n"
            "                     a nejnižší čas, mezičasy v poznámce (výchozí);\n"
            "                     none = bez užití kol\n"
            "  --title TEXT       nadpis listiny (výchozí „Výpis závodníků“)\n"
            "  --force            otevřít i soubor s řádky bez čitelného času nebo s hodnotou\n"
            "                     mimo rozsah a soubor větší než 512 MB\n"
            "  -h, --help[=cs|en] tato nápověda (česky při českém prostředí, jinak anglicky)\n"
            "  --version          verze\n"
            "\n"
            "Návratové kódy:\n"
            "  0  vše zapsáno\n"
            "  2  chybný příkazový řádek; nic se nečetlo ani nezapsalo\n"
            "  3  datový soubor nebo soubor závodníků nelze přečíst; nic se nezapsalo\n"
            "  4  některý výstup nelze zapsat (ostatní se zapsaly)\n"
            "Každý soubor se nahrazuje celý najednou; chyby jdou na standardní chybový výstup.\n");
    return QStringLiteral(
        "Usage: tikomat-results [OPTIONS] DATA_FILE\n"
        "Computes the results list of a Tikomat data file (.csvz) exactly as the window\n"
        "does and writes it out. The data file is only read: never changed, no backup or\n"
        "temporary file is made, and nothing is asked.\n"
        "\n"
        "Outputs (at least one; FILE \"-\" is standard output):\n"
        "  --xls FILE         .xls workbook, the same sheet as \"Export...\" in the program\n"
        "  --csv FILE         CSV in UTF-8, semicolon separated, the workbook's columns\n"
        "  --html FILE        one self-contained HTML page for a website\n"
        "  --json FILE        JSON\n"
        "Options:\n"
        "  --racers FILE      racer file (.racerlist) with names and categories\n"
        "  --laps most|none   laps mode: most = the winner has the most laps and the\n"
        "                     lowest time, split times in the note (default);\n"
        "                     none = laps ignored\n"
        "  --title TEXT       caption of the list (default \"Výpis závodníků\")\n"
        "  --force            open a file with lines without a readable time or with a\n"
        "                     value out of range, and a file over 512 MB, as well\n"
        "  -h, --help[=cs|en] this help (Czech under a Czech locale, else English)\n"
        "  --version          version\n"
        "\n"
        "Exit codes:\n"
        "  0  everything written\n"
        "  2  wrong command line; nothing was read or written\n"
        "  3  the data file or the racer file cannot be read; nothing was written\n"
        "  4  an output could not be written (the others were)\n"
        "Every file is replaced whole at once; errors go to standard error.\n");
}
