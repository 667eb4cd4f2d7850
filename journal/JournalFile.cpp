#include "JournalFile.h"

#include "AtomicFile.h"
#include "tfile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

JournalFile::JournalFile(const QString &path) : m_path(path)
{
    const QByteArray native = QFile::encodeName(path);
    m_fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw TikomatError(SystemErrorText(errno));
}

JournalFile::~JournalFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool JournalFile::Append(const std::vector<JournalEntry> &entries)
{
    std::lock_guard lock(m_mutex);
    QByteArray bytes;
    for (JournalEntry e : entries) {
        e.seq = ++m_lastSeq;
        bytes += EncodeJournalLine(e);
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = SystemErrorText(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += n;
    }
    if (::fdatasync(m_fd) != 0) {
        m_error = SystemErrorText(errno);
        return false;
    }
    return true;
}

quint64 JournalFile::lastSeq() const
{
    std::lock_guard lock(m_mutex);
    return m_lastSeq;
}

QString JournalFile::error() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

std::vector<JournalEntry> ReadJournal(const QByteArray &bytes, int *skipped)
{
    std::vector<JournalEntry> entries;
    int bad = 0;
    for (qsizetype from = 0; from < bytes.size();) {
        qsizetype to = bytes.indexOf('\n', from);
        if (to < 0)
            to = bytes.size();  // a last line without its end: torn, most likely
        const QByteArrayView line = QByteArrayView(bytes).sliced(from, to - from);
        from = to + 1;
        if (line.isEmpty())
            continue;
        if (std::optional<JournalEntry> e = DecodeJournalLine(line))
            entries.push_back(std::move(*e));
        else
            ++bad;
    }
    if (skipped)
        *skipped = bad;
    return entries;
}
