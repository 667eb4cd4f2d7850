#include "ResultsCommand.h"

#include "AtomicFile.h"
#include "QuotedInput.h"
#include "DataFileReader.h"
#include "FileWatch.h"
#include "Publisher.h"
#include "RaceSheetFile.h"
#include "RacerFile.h"
#include "RacerTable.h"
#include "ResultsBuilder.h"
#include "ResultsPages.h"
#include "ResultsSheet.h"
#include "ResultsText.h"
#include "TikomatError.h"
#include "WriteError.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace {

class Command {
public:
    Command(Language language, QIODevice &out, QIODevice &err) : m_language(language), m_out(out), m_err(err) {}

    int Run(const QStringList &arguments);

private:
    QString Tr(const QString &czech, const QString &english) const { return ::Tr(m_language, czech, english); }
    void Complain(const QString &message)
    {
        m_err.write((QStringLiteral("tikomat-results: ") + message + u'\n').toUtf8());
    }
    int CheckOutputsSpareInputs();
    int ReadInputs();
    int CheckCategory();
    // Reads the inputs and writes every output once (the exit code).
    int Round();
    void ChooseSections();
    bool Write(const OutputRequest &output);
    QStringList Inputs() const;
    QDateTime InputsUpdated() const;
    SiteContent Site() const;
    bool WriteSite();
    int PublishOnce();
    int Watch();
    void WriteXls(const QString &path);
    QByteArray Pdf() const;
    static QString WorkbookError(const vte::WriteError &error);

    Language m_language;
    QIODevice &m_out;
    QIODevice &m_err;
    CommandOptions m_options;
    DataFileContents m_data;
    RacerTable m_racers;
    std::shared_ptr<const RaceSheet> m_sheet;  // null: none
    std::shared_ptr<const ResultsTable> m_table;
    ResultsDocument m_document;
};

// Where a path leads: the file itself when it exists (links followed), else
// the absolute path it would be created at.
QString Destination(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

int Command::Run(const QStringList &arguments)
{
    const ParsedCommandLine parsed = ParseCommandLine(arguments, m_language);
    if (!parsed.error.isEmpty()) {
        Complain(parsed.error);
        return ExitUsage;
    }
    m_options = parsed.options;
    switch (m_options.action) {
    case CommandOptions::Action::Help: m_out.write(HelpText(m_options.helpLanguage).toUtf8()); return ExitOk;
    case CommandOptions::Action::Version: m_out.write("tikomat-results " TIKOMAT_VERSION "\n"); return ExitOk;
    case CommandOptions::Action::Run: break;
    }
    if (const int code = CheckOutputsSpareInputs())
        return code;
    if (m_options.watch)
        return Watch();
    if (const int code = Round())
        return code;
    return m_options.publishTarget.isEmpty() ? ExitOk : PublishOnce();
}

int Command::Round()
{
    if (const int code = ReadInputs())
        return code;
    if (const int code = CheckCategory())
        return code;

    RefreshOptions refresh;
    refresh.lapsMode = m_options.lapsMode;
    refresh.caption = m_options.title;
    refresh.sheet = m_sheet;
    // A category of the racer file that nobody of has finished yet is an
    // empty list.
    if (!m_options.category.isEmpty())
        refresh.categories = {m_options.category};
    RefreshResult built;
    ResultsBuilder().Build(m_data.records, m_data.maxLap, &m_racers, refresh, -1, built);
    m_table = built.table;
    ChooseSections();

    const QDateTime now = QDateTime::currentDateTime();
    m_document.table = m_table.get();
    m_document.racers = m_options.racerFile.isEmpty() ? nullptr : &m_racers;
    m_document.moment = ExportMomentText(QLocale::system(), now);
    m_document.generated = now;

    bool allWritten = true;
    for (const OutputRequest &output : m_options.outputs)
        allWritten = Write(output) && allWritten;
    if (!m_options.siteFolder.isEmpty())
        allWritten = WriteSite() && allWritten;
    return allWritten ? ExitOk : ExitOutput;
}

QStringList Command::Inputs() const
{
    // What the results are made of.  --watch follows each of them.
    QStringList inputs{m_options.dataFile};
    if (!m_options.racerFile.isEmpty())
        inputs << m_options.racerFile;
    return inputs;
}

QDateTime Command::InputsUpdated() const
{
    // The site says when its results were last updated: when an input was
    // last written, so that the same inputs always give the same site.
    QDateTime newest;
    for (const QString &input : Inputs()) {
        const QDateTime written = QFileInfo(input).lastModified();
        if (!newest.isValid() || written > newest)
            newest = written;
    }
    return newest.isValid() ? newest : QDateTime::currentDateTime();
}

SiteContent Command::Site() const
{
    SiteContent site;
    site.snapshot.caption = m_options.title;
    site.snapshot.lastStartTime = m_table->lastStart;
    site.snapshot.results = m_table;
    site.updated = InputsUpdated();
    return site;
}

bool Command::WriteSite()
{
    const QString folder = m_options.siteFolder;
    const auto complain = [&](const QString &reason) {
        Complain(Tr(QStringLiteral("nemohu zapsat web do %1: %2"), QStringLiteral("cannot write the site into %1: %2"))
                     .arg(folder, reason));
        return false;
    };
    if (!QDir().mkpath(folder))
        return complain(Tr(QStringLiteral("složku nelze vytvořit"), QStringLiteral("the folder cannot be made")));
    QString error;
    SiteStage(folder).write(ResultsSiteFiles(Site()), &error);
    return error.isEmpty() || complain(error);
}

// A stop asked for by a signal (Ctrl+C, systemd's stop): the handler only
// writes a byte, which the event loop reads.
int StopPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(StopPipe[1], &byte, 1);
}

int Command::Watch()
{
    QEventLoop loop;
    if (::pipe2(StopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Complain(SystemErrorText(errno));
        return ExitOutput;
    }
    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    ::sigaction(SIGINT, &stop, &oldInt);
    ::sigaction(SIGTERM, &stop, &oldTerm);
    QSocketNotifier stopped(StopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopped, &QSocketNotifier::activated, &loop, &QEventLoop::quit);

    Publisher publisher;
    PublishTiming timing;
    timing.intervalMs = m_options.intervalSeconds.value_or(15) * 1000;
    publisher.setTiming(timing);
    publisher.setTarget(m_options.publishTarget);
    publisher.setEnabled(true);
    // One line when failures begin and one when they end.
    bool failing = false;
    QObject::connect(&publisher, &Publisher::uploadFinished, &loop, [&](const UploadOutcome &outcome) {
        if (!outcome.ok() && !failing)
            Complain(Tr(QStringLiteral("zveřejnění na %1 selhalo, zkouším znovu: %2"),
                        QStringLiteral("publishing to %1 failed, trying again: %2"))
                         .arg(m_options.publishTarget, Tr(outcome.czech(), outcome.english())));
        else if (outcome.ok() && failing)
            Complain(Tr(QStringLiteral("zveřejnění na %1 opět funguje"), QStringLiteral("publishing to %1 works again"))
                         .arg(m_options.publishTarget));
        failing = !outcome.ok();
    });

    // Every input that the results are made of, missing ones too: a race
    // may be watched before its data file is made.  The race sheet the
    // window keeps beside the data file is watched as well.
    FileWatch inputs(Inputs() << m_options.dataFile + QStringLiteral(".zavod.json"));
    const auto round = [&] {
        // A round that cannot read its inputs has said why; the next change
        // may mend it.
        const int code = Round();
        if ((code == ExitOk || code == ExitOutput) && !m_options.publishTarget.isEmpty()) {
            const SiteContent site = Site();
            publisher.offer(site.snapshot, site.updated);
        }
    };
    QObject::connect(&inputs, &FileWatch::changed, &loop, round);
    round();
    loop.exec();

    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    ::close(StopPipe[0]);
    ::close(StopPipe[1]);
    return ExitOk;
}

int Command::PublishOnce()
{
    // A staging folder of its own: this run does not know what the target
    // holds, so every file is sent.
    QTemporaryDir staging(QDir::tempPath() + QStringLiteral("/tikomat-publish-XXXXXX"));
    SiteStage stage(staging.filePath(QStringLiteral("site")));
    QString error;
    UploadRequest request;
    request.folder = stage.folder();
    request.files = stage.write(ResultsSiteFiles(Site()), &error);
    request.listFile = staging.filePath(QStringLiteral("files.txt"));
    request.target = m_options.publishTarget;
    if (error.isEmpty()) {
        RcloneUpload upload;
        QEventLoop loop;
        QObject::connect(&upload, &RcloneUpload::finished, &loop, [&](const UploadOutcome &outcome) {
            error = Tr(outcome.czech(), outcome.english());
            loop.quit();
        });
        upload.start(request);
        loop.exec();
    }
    if (error.isEmpty())
        return ExitOk;
    Complain(Tr(QStringLiteral("nemohu zveřejnit web na %1: %2"), QStringLiteral("cannot publish the site to %1: %2"))
                 .arg(m_options.publishTarget, error));
    return ExitPublish;
}

int Command::CheckOutputsSpareInputs()
{
    // A slip such as "--csv race.csvz" must not cost the race.
    QStringList inputs{Destination(m_options.dataFile)};
    if (!m_options.racerFile.isEmpty())
        inputs << Destination(m_options.racerFile);
    inputs << Destination(m_options.sheetFile.isEmpty() ? RaceSheetPath(m_options.dataFile) : m_options.sheetFile);
    QStringList taken;
    for (const OutputRequest &output : m_options.outputs) {
        if (output.path == QLatin1String("-"))
            continue;
        const QString where = Destination(output.path);
        if (inputs.contains(where)) {
            Complain(Tr(QStringLiteral("výstup %1 je vstupní soubor; ten se nikdy nepřepisuje"),
                        QStringLiteral("output %1 is an input file, which is never overwritten"))
                         .arg(QuotedInput(output.path)));
            return ExitUsage;
        }
        if (taken.contains(where)) {
            Complain(
                Tr(QStringLiteral("do souboru %1 míří dva výstupy"), QStringLiteral("two outputs go to the file %1"))
                    .arg(QuotedInput(output.path)));
            return ExitUsage;
        }
        taken << where;
    }
    if (!m_options.siteFolder.isEmpty()) {
        const QString folder = Destination(m_options.siteFolder);
        for (const QString &input : inputs) {
            const QFileInfo file(input);
            if (file.absolutePath() == folder && IsSiteFileName(file.fileName())) {
                Complain(Tr(QStringLiteral("web ve složce %1 by přepsal vstupní soubor %2"),
                            QStringLiteral("the site in the folder %1 would overwrite the input file %2"))
                             .arg(m_options.siteFolder, file.fileName()));
                return ExitUsage;
            }
        }
    }
    return ExitOk;
}

int Command::ReadInputs()
{
    // --force lifts the size limit too: a script may know the file is worth the time.
    DataFileReader reader(m_options.dataFile, m_options.force ? 0 : DataFileSizeLimit);
    reader.run();
    switch (reader.outcome()) {
    case DataFileReader::Outcome::Read: break;
    case DataFileReader::Outcome::TooLarge:
        Complain(Tr(QStringLiteral("datový soubor %1 je příliš velký: %2 MB, nejvýše %3 MB "
                                   "(přesto jej použít: --force)"),
                    QStringLiteral("the data file %1 is too large: %2 MB, at most %3 MB (use it anyway: --force)"))
                     .arg(QuotedInput(m_options.dataFile))
                     .arg(MegabytesOf(reader.size()))
                     .arg(MegabytesOf(DataFileSizeLimit)));
        return ExitInput;
    default:
        Complain(Tr(QStringLiteral("nemohu přečíst datový soubor %1: %2"),
                    QStringLiteral("cannot read the data file %1: %2"))
                     .arg(QuotedInput(m_options.dataFile), reader.error()));
        return ExitInput;
    }
    m_data = std::move(reader.contents());
    if (m_data.unreadable > 0 && !m_options.force) {
        Complain(Tr(QStringLiteral("%1 nevypadá jako datový soubor: řádků bez čitelného času nebo s hodnotou "
                                   "mimo rozsah %2 z %3 (přesto jej použít: --force)"),
                    QStringLiteral("%1 does not look like a data file: %2 of %3 lines have no readable time "
                                   "or a value out of range (use it anyway: --force)"))
                     .arg(QuotedInput(m_options.dataFile))
                     .arg(m_data.unreadable)
                     .arg(m_data.lines));
        return ExitInput;
    }
    if (!m_options.racerFile.isEmpty()) {
        try {
            m_racers.setRows(LoadRacerFile(m_options.racerFile));
        } catch (const TikomatError &e) {
            Complain(Tr(QStringLiteral("nemohu přečíst soubor závodníků %1: %2"),
                        QStringLiteral("cannot read the racer file %1: %2"))
                         .arg(QuotedInput(m_options.racerFile), e.text));
            return ExitInput;
        }
    }
    // The race sheet: named, or the one beside the data file.  One that cannot
    // be read would rank the race as if nobody had retired: refused unless
    // --force, which ranks without it.
    const QString sheetPath = m_options.sheetFile.isEmpty() ? RaceSheetPath(m_options.dataFile) : m_options.sheetFile;
    const RaceSheetRead sheet = ReadRaceSheetFile(sheetPath);
    if (sheet.outcome == RaceSheetRead::Outcome::Missing && !m_options.sheetFile.isEmpty()) {
        Complain(Tr(QStringLiteral("list závodu %1 neexistuje"), QStringLiteral("the race sheet %1 does not exist"))
                     .arg(sheetPath));
        return ExitInput;
    }
    if (sheet.outcome == RaceSheetRead::Outcome::Unreadable && !m_options.force) {
        Complain(Tr(QStringLiteral("nemohu přečíst list závodu %1: %2 (pořadí bez něj: --force)"),
                    QStringLiteral("cannot read the race sheet %1: %2 (rank without it: --force)"))
                     .arg(sheetPath, sheet.error));
        return ExitInput;
    }
    if (sheet.outcome == RaceSheetRead::Outcome::Read)
        m_sheet = std::make_shared<const RaceSheet>(sheet.sheet);
    return ExitOk;
}

int Command::CheckCategory()
{
    // A name no racer has is a mistake worth saying.
    if (m_options.category.isEmpty())
        return ExitOk;
    const QString key = CategoryKey(m_options.category);
    bool known = key == CategoryKey(NoCategoryName);
    for (const RacerRow &racer : m_racers.rows())
        known = known || (racer.category && CategoryKey(*racer.category) == key);
    if (known)
        return ExitOk;
    Complain(
        Tr(QStringLiteral("kategorii „%1“ nemá žádný závodník"), QStringLiteral("no racer is in the category \"%1\""))
            .arg(QuotedInput(m_options.category)));
    return ExitUsage;
}

void Command::ChooseSections()
{
    const ResultsTable &table = *m_table;
    if (m_options.category.isEmpty()) {
        // By category, but with nobody ranked yet: the whole, empty list.
        m_document.byCategory = m_options.byCategory && !table.categories.empty();
        if (m_document.byCategory)
            m_document.sections = CategorySections(table);
        else
            m_document.sections = {ResultsSection(table)};
        return;
    }
    m_document.sections = {ResultsSection(table, table.findCategory(m_options.category))};
}

bool Command::Write(const OutputRequest &output)
{
    const bool toStdout = output.path == QLatin1String("-");
    try {
        QByteArray bytes;
        switch (output.format) {
        case OutputFormat::Xls: WriteXls(output.path); return true;
        case OutputFormat::Csv: bytes = ResultsCsv(m_document); break;
        case OutputFormat::Html: bytes = ResultsHtml(m_document); break;
        case OutputFormat::Json: bytes = ResultsJson(m_document); break;
        case OutputFormat::Pdf: bytes = Pdf(); break;
        }
        if (toStdout) {
            if (m_out.write(bytes) != bytes.size())
                throw TikomatError(m_out.errorString());
        } else {
            WriteFileAtomically(output.path, bytes);
        }
    } catch (const TikomatError &e) {
        Complain(Tr(QStringLiteral("nemohu zapsat %1: %2"), QStringLiteral("cannot write %1: %2"))
                     .arg(toStdout ? Tr(QStringLiteral("standardní výstup"), QStringLiteral("standard output"))
                                   : QuotedInput(output.path),
                          e.text));
        return false;
    } catch (const vte::WriteError &e) {
        Complain(Tr(QStringLiteral("nemohu zapsat %1: %2"), QStringLiteral("cannot write %1: %2"))
                     .arg(QuotedInput(output.path), WorkbookError(e)));
        return false;
    } catch (const std::exception &e) {
        Complain(Tr(QStringLiteral("nemohu zapsat %1: %2"), QStringLiteral("cannot write %1: %2"))
                     .arg(QuotedInput(output.path), QString::fromUtf8(e.what())));
        return false;
    }
    return true;
}

void Command::WriteXls(const QString &path)
{
    SaveResultsWorkbook(path, m_document.sections, m_document.moment);
}

QByteArray Command::Pdf() const
{
    // The pages need fonts, which only a Qt Gui application has; main()
    // makes one whenever --pdf is asked for.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        throw TikomatError(Tr(QStringLiteral("PDF potřebuje písma, ta tento proces nenačetl"),
                              QStringLiteral("a PDF needs fonts, which this process has not loaded")));
    // The race is dated by its data file, as the window's printout is.
    const PrintMoment moment{QFileInfo(m_options.dataFile).lastModified().date(), m_document.generated};
    return ResultsPdf(m_document.sections, moment, m_table->caption);
}

QString Command::WorkbookError(const vte::WriteError &error)
{
    // The workbook writer's own text names a file it cannot create by a
    // negated errno; a person wants the system's words for it.
    if (error.step() == vte::WriteError::Step::CreateFile)
        return SystemErrorText(error.error());
    return QString::fromUtf8(error.what());
}

}  // namespace

int RunResultsCommand(const QStringList &arguments, Language language, QIODevice &out, QIODevice &err)
{
    Command command(language, out, err);
    return command.Run(arguments);
}
