#include "RacerFileMemory.h"

#include "Dialogs.h"
#include "QuotedInput.h"
#include "RacerFile.h"
#include "RacerTable.h"
#include "SaveAlarm.h"
#include "TempDataFile.h"
#include "TikomatError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace {

QString AbsolutePath(const QString &path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// A settings key holds no slash: the path is written percent-encoded.
QString KeyOf(const QString &dataFile)
{
    return QStringLiteral("racerFiles/") + QString::fromLatin1(QUrl::toPercentEncoding(AbsolutePath(dataFile)));
}

QString KeepMessage(const QString &dataName)
{
    return QStringLiteral("\n\nZávod %1 je otevřen; seznam závodníků zůstal beze změny.").arg(dataName);
}

}  // namespace

RacerFileMemory::RacerFileMemory(RacerTable &table, Dialogs &dialogs, const QString &dataFile, QObject *parent)
    : QObject(parent), m_table(table), m_dialogs(dialogs), m_dataFile(AbsolutePath(dataFile))
{
    connect(&m_table, &QAbstractItemModel::modelReset, this, &RacerFileMemory::TableChanged);
    connect(&m_table, &QAbstractItemModel::rowsInserted, this, &RacerFileMemory::TableChanged);
    connect(&m_table, &QAbstractItemModel::rowsRemoved, this, &RacerFileMemory::TableChanged);
    connect(&m_table, &QAbstractItemModel::dataChanged, this, &RacerFileMemory::TableChanged);
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, &RacerFileMemory::SaveNow);
}

QString RacerFileMemory::AutomaticRacerFile(const QString &dataFile)
{
    return AbsolutePath(dataFile) + QStringLiteral(".racerlist");
}

bool RacerFileMemory::Unnamed() const
{
    return m_dataFile.isEmpty() || IsTemporaryDataFileName(m_dataFile);
}

void RacerFileMemory::ScheduleSave(int delayMs)
{
    m_dirty = true;
    m_saveTimer.start(delayMs);
}

void RacerFileMemory::SaveNow()
{
    m_saveTimer.stop();
    if (!m_dirty || m_dataFile.isEmpty())
        return;
    const QString target = m_racerFile.isEmpty() ? AutomaticRacerFile(m_dataFile) : m_racerFile;
    try {
        // rows(), not Rows(): a cell the operator is typing in stays open.
        SaveRacerFile(target, m_table.rows());
    } catch (const TikomatError &e) {
        if (m_alarm)
            m_alarm->Failed(SavedFile::RacerFile, e.text);
        ScheduleSave(RetryDelayMs);
        return;
    }
    m_dirty = false;
    if (m_racerFile.isEmpty()) {
        m_racerFile = target;
        Remember(m_dataFile, m_racerFile);
    }
    if (!Unnamed() || m_racerFile != AutomaticRacerFile(m_dataFile))
        m_unsaved = false;
    if (m_alarm)
        m_alarm->Succeeded(SavedFile::RacerFile);
    emit racersSaved(target);
}

int RacerFileMemory::UnsavedRacers() const
{
    return Unnamed() && m_unsaved ? m_table.size() : 0;
}

QString RacerFileMemory::Remembered(const QString &dataFile)
{
    if (dataFile.isEmpty())
        return {};
    return QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat")).value(KeyOf(dataFile)).toString();
}

void RacerFileMemory::Remember(const QString &dataFile, const QString &racerFile)
{
    if (dataFile.isEmpty() || racerFile.isEmpty())
        return;
    QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat")).setValue(KeyOf(dataFile), AbsolutePath(racerFile));
}

void RacerFileMemory::TableChanged()
{
    if (m_loading)
        return;
    m_unsaved = true;
    ScheduleSave();
}

void RacerFileMemory::RacerFileUsed(const QString &racerFile)
{
    m_racerFile = AbsolutePath(racerFile);
    m_unsaved = false;
    m_dirty = false;
    m_saveTimer.stop();
    Remember(m_dataFile, m_racerFile);
}

QString RacerFileMemory::DataFileOpened(const QString &dataFile)
{
    SaveNow();  // the last change still goes with the race it was made in
    m_dataFile = AbsolutePath(dataFile);
    m_racerFile.clear();
    const QString racerFile = Remembered(m_dataFile);
    if (racerFile.isEmpty())
        return {};
    const QString dataName = QuotedInput(QFileInfo(m_dataFile).fileName());
    if (!QFileInfo(racerFile).isFile()) {
        m_dialogs.message(QStringLiteral("Soubor závodníků %1, naposledy otevřený nebo uložený se závodem %2, "
                                         "nebyl nalezen.")
                                  .arg(QuotedInput(QDir::toNativeSeparators(racerFile)), dataName)
                              + KeepMessage(dataName),
                          MsgIcon::Warning);
        return {};
    }
    std::vector<RacerRow> rows;
    try {
        rows = LoadRacerFile(racerFile);
    } catch (const TikomatError &e) {
        m_dialogs.message(QStringLiteral("Soubor závodníků %1 k závodu %2 nelze načíst:\n%3")
                                  .arg(QuotedInput(QDir::toNativeSeparators(racerFile)), dataName, e.text)
                              + KeepMessage(dataName),
                          MsgIcon::Warning);
        return {};
    }
    // Racers typed or imported but kept in no file would be gone for good.
    m_table.EndEdit();
    if (m_unsaved && m_table.size() > 0
        && !m_dialogs.question({},
                               QStringLiteral("Se závodem %1 byl naposledy použit soubor závodníků %2.\n\n"
                                              "Seznam závodníků obsahuje změny, které nejsou uloženy v žádném "
                                              "souboru závodníků. Nahradit jej souborem %2?")
                                   .arg(dataName, QuotedInput(QFileInfo(racerFile).fileName())),
                               MsgIcon::Question))
        return {};
    const int count = int(rows.size());
    m_loading = true;
    m_table.setRows(std::move(rows));
    m_loading = false;
    m_racerFile = racerFile;
    m_unsaved = false;
    m_dirty = false;
    return QStringLiteral("Ze souboru %1 načteno závodníků: %2.")
        .arg(QuotedInput(QFileInfo(racerFile).fileName()))
        .arg(count);
}

void RacerFileMemory::NewDataFile(const QString &dataFile)
{
    SaveNow();
    m_dataFile = AbsolutePath(dataFile);
    m_racerFile.clear();
    // The table stays as it was: the new race keeps a copy of its own.
    if (m_table.size() > 0)
        ScheduleSave();
}

void RacerFileMemory::DataFileNamed(const QString &dataFile)
{
    const QString named = AbsolutePath(dataFile);
    if (named == m_dataFile)
        return;
    // Racers kept beside the old name move beside the new one.
    if (!m_racerFile.isEmpty() && m_racerFile == AutomaticRacerFile(m_dataFile)) {
        m_racerFile.clear();
        if (m_table.size() > 0)
            ScheduleSave();
    }
    m_dataFile = named;
    Remember(m_dataFile, m_racerFile);
    if (m_dirty)
        SaveNow();
}
