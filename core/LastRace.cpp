#include "LastRace.h"

#include "LeftRaces.h"
#include "QuotedInput.h"
#include "TempDataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString Key = QStringLiteral("lastRace/dataFile");

QSettings Settings()
{
    return QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat"));
}

QString RaceName(const QString &dataFile)
{
    return IsTemporaryDataFileName(dataFile) ? QStringLiteral("(nepojmenovaný)")
                                             : QuotedInput(QFileInfo(dataFile).fileName());
}

}  // namespace

namespace LastRace {

QString Remembered()
{
    return Settings().value(Key).toString();
}

void Remember(const QString &dataFile)
{
    if (dataFile.isEmpty())
        Settings().remove(Key);
    else
        Settings().setValue(Key, QDir::cleanPath(QFileInfo(dataFile).absoluteFilePath()));
}

Action AtStart(const QString &remembered, const QString &current, int records)
{
    if (remembered.isEmpty() || records > 0)
        return Action::None;
    if (QDir::cleanPath(QFileInfo(current).absoluteFilePath()) == remembered)
        return Action::None;
    if (QFileInfo(remembered).isFile())
        return Action::Open;
    // An unnamed race that received no record was removed at the close.
    return IsTemporaryDataFileName(remembered) ? Action::None : Action::Missing;
}

QString OpenedText(const QString &dataFile, int records)
{
    return QStringLiteral("Otevřen poslední závod %1 – %2").arg(RaceName(dataFile), CzechRecordCount(records));
}

QString MissingText(const QString &dataFile)
{
    return QStringLiteral("Poslední závod %1 nebyl nalezen (%2). Začíná nový nepojmenovaný závod.")
        .arg(RaceName(dataFile), QuotedInput(QDir::toNativeSeparators(QFileInfo(dataFile).path())));
}

}  // namespace LastRace
