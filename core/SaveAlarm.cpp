#include "SaveAlarm.h"

#include "Dialogs.h"

SaveAlarm::SaveAlarm(Dialogs *dialogs, QObject *parent) : QObject(parent), m_dialogs(dialogs) {}

QString SaveAlarm::MessageText(SavedFile file, const QString &reason, bool asked)
{
    switch (file) {
    case SavedFile::DataFile: return QStringLiteral("Nemohu zapsat soubor dat: ") + reason;
    case SavedFile::Journal: return QStringLiteral("Nemohu zapsat deník impulsů: ") + reason;
    case SavedFile::RacerFile:
        if (!asked)
            return QStringLiteral("Nemohu uložit soubor závodníků: ") + reason;
        break;
    }
    return QStringLiteral("Chyba: ") + reason;
}

bool SaveAlarm::EpisodeOpen() const
{
    return !problem(SavedFile::DataFile).isEmpty() || !problem(SavedFile::Journal).isEmpty()
           || (m_racerEpisode && !problem(SavedFile::RacerFile).isEmpty());
}

void SaveAlarm::Failed(SavedFile file, const QString &reason, bool asked)
{
    const QString text = reason.isEmpty() ? QStringLiteral("?") : reason;
    const bool tell = asked || !m_told;
    // Before the box: whatever fails while it waits for its OK belongs to
    // this episode.
    const bool episodic = file != SavedFile::RacerFile || !asked;
    m_told = m_told || episodic;
    if (file == SavedFile::RacerFile)
        m_racerEpisode = m_racerEpisode || episodic;
    if (m_problems[Index(file)] != text) {
        m_problems[Index(file)] = text;
        emit problemChanged(file, text);
    }
    if (tell && m_dialogs)
        m_dialogs->message(MessageText(file, text, asked),
                           file == SavedFile::DataFile ? MsgIcon::None : MsgIcon::Critical);
}

void SaveAlarm::Succeeded(SavedFile file)
{
    if (!m_problems[Index(file)].isEmpty()) {
        m_problems[Index(file)].clear();
        emit problemChanged(file, QString());
    }
    if (file == SavedFile::RacerFile)
        m_racerEpisode = false;
    if (!EpisodeOpen())
        m_told = false;
}

void SaveAlarm::Report(SavedFile file, const QString &reason)
{
    if (reason.isEmpty())
        Succeeded(file);
    else
        Failed(file, reason);
}
