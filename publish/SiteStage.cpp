#include "SiteStage.h"

#include "AtomicFile.h"
#include "TikomatError.h"

#include <QDir>

SiteStage::SiteStage(QString folder) : m_folder(std::move(folder)) {}

QStringList SiteStage::write(const std::vector<SiteFile> &files, QString *error)
{
    QStringList changed;
    if (!QDir().mkpath(m_folder)) {
        *error = QStringLiteral("nelze vytvořit složku %1").arg(m_folder);
        return changed;
    }
    for (const SiteFile &file : files) {
        const auto known = m_written.constFind(file.name);
        if (known != m_written.constEnd() && *known == file.bytes)
            continue;
        // Forgotten first: a failed write must count as a change next time.
        m_written.remove(file.name);
        try {
            WriteFileAtomically(QDir(m_folder).filePath(file.name), file.bytes);
        } catch (const TikomatError &e) {
            *error = QStringLiteral("%1: %2").arg(file.name, e.text);
            return changed;
        }
        m_written.insert(file.name, file.bytes);
        changed << file.name;
    }
    return changed;
}

void SiteStage::forget()
{
    m_written.clear();
}
