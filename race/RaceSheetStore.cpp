#include "RaceSheetStore.h"

#include "AtomicFile.h"
#include "Dialogs.h"
#include "RaceSheetFile.h"
#include "RecordStore.h"
#include "TikomatError.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

RaceSheetStore::RaceSheetStore(Dialogs *dialogs, QObject *parent)
    : QObject(parent), m_dialogs(dialogs), m_sheet(std::make_shared<const RaceSheet>())
{}

bool RaceSheetStore::open(const QString &dataFile)
{
    m_path = RaceSheetPath(dataFile);
    const RaceSheetRead read = ReadRaceSheetFile(m_path);
    m_problem.clear();
    if (read.outcome == RaceSheetRead::Outcome::Unreadable) {
        m_problem = read.error;
        m_sheet = std::make_shared<const RaceSheet>();
        if (m_dialogs)
            m_dialogs->message(u"List závodu %1 nelze přečíst: %2.\n\n"
                               u"Závod se otevře bez něj (bez pravidel konce a stavů závodníků); "
                               u"soubor zůstane, jak je."_s.arg(QDir::toNativeSeparators(m_path), m_problem),
                               MsgIcon::Warning);
    } else {
        m_sheet = std::make_shared<const RaceSheet>(read.sheet);
    }
    emit sheetReplaced();
    return !unreadable();
}

void RaceSheetStore::startNew(const QString &dataFile)
{
    m_path = RaceSheetPath(dataFile);
    m_problem.clear();
    m_sheet = std::make_shared<const RaceSheet>();
    emit sheetReplaced();
}

bool RaceSheetStore::saveAs(const QString &dataFile)
{
    const QString path = RaceSheetPath(dataFile);
    if (path == m_path)
        return true;
    m_path = path;
    // The unreadable file stays under its old name; the new name starts clean.
    m_problem.clear();
    return m_sheet->empty() || write();
}

bool RaceSheetStore::canApply(const SheetChange &change) const
{
    return !change.empty() && change.appliesTo(*m_sheet);
}

bool RaceSheetStore::apply(const SheetChange &change)
{
    if (!canApply(change))
        return false;
    if (unreadable()) {
        if (!m_dialogs
            || !m_dialogs->question(QString(),
                                    u"List závodu %1 nelze přečíst (%2).\n\nNahradit ho listem s touto změnou? "
                                    u"(Ne: soubor zůstane, jak je, a změna se neprovede.)"_s.arg(
                                        QDir::toNativeSeparators(m_path), m_problem),
                                    MsgIcon::Warning))
            return false;
        m_problem.clear();
    }
    if (m_journal)
        m_journal->Write(change.journalLines());
    auto next = std::make_shared<RaceSheet>(*m_sheet);
    change.applyTo(*next);
    m_sheet = std::move(next);
    if (!m_path.isEmpty())
        write();
    emit sheetChanged(change);
    return true;
}

bool RaceSheetStore::write()
{
    try {
        WriteFileAtomically(m_path, RaceSheetJson(*m_sheet));
        return true;
    } catch (const TikomatError &e) {
        if (m_dialogs)
            m_dialogs->message(u"List závodu %1 nelze uložit: %2"_s.arg(QDir::toNativeSeparators(m_path), e.text),
                               MsgIcon::Critical);
        return false;
    }
}
