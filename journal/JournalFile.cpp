#include "JournalFile.h"

#include "AtomicFile.h"
#include "TikomatError.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

JournalFile::JournalFile(const QString &path) : m_path(path)
{
    const QByteArray native = QFile::encodeName(path);
    m_fd = ::open(native.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw TikomatError(SystemErrorText(errno));
    m_wholeSize = ::lseek(m_fd, 0, SEEK_END);
    // A file that ends inside a line (left by a write a crash cut short) is
    // continued on a line of its own.
    char last = '\n';
    if (m_wholeSize > 0 && ::pread(m_fd, &last, 1, m_wholeSize - 1) == 1 && last != '\n')
        m_freshLine = true;
}

JournalFile::~JournalFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool JournalFile::Append(const std::vector<JournalEntry> &entries)
{
    std::lock_guard lock(m_mutex);
    for (JournalEntry e : entries) {
        e.seq = ++m_lastSeq;
        m_waiting += EncodeJournalLine(e);
    }
    return Flush();
}

bool JournalFile::Retry()
{
    std::lock_guard lock(m_mutex);
    return Flush();
}

void JournalFile::Failed(int error)
{
    m_error = SystemErrorText(error);
}

bool JournalFile::Flush()
{
    if (!WriteWaiting())
        return false;
    if (m_unsynced) {
        if (::fdatasync(m_fd) != 0) {
            Failed(errno);
            return false;
        }
        m_unsynced = false;
    }
    return true;
}

bool JournalFile::WriteWaiting()
{
    if (m_torn) {
        // The bytes of the cut-short write go; failing that, they stay as a
        // line of their own that the reader skips.
        if (::ftruncate(m_fd, m_wholeSize) != 0)
            m_freshLine = true;
        m_wholeSize = ::lseek(m_fd, 0, SEEK_END);
        m_torn = false;
    }
    if (m_waiting.isEmpty())
        return true;
    if (m_freshLine)
        m_waiting.prepend('\n');
    qsizetype done = 0;
    int error = 0;
    while (done < m_waiting.size()) {
        const ssize_t n = ::write(m_fd, m_waiting.constData() + done, size_t(m_waiting.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
    // Whole lines written stay written (writing them again would double
    // them); a part of a line is cut back before the next try.
    const qsizetype whole = done == m_waiting.size() ? done : done == 0 ? 0 : m_waiting.lastIndexOf('\n', done - 1) + 1;
    if (whole > 0) {
        m_unsynced = true;
        m_freshLine = false;
        m_wholeSize += whole;
        m_waiting.remove(0, whole);
    } else if (m_freshLine) {
        m_waiting.remove(0, 1);  // the line end goes first again next time
    }
    if (done > whole)
        m_torn = true;
    if (error == 0)
        return true;
    Failed(error);
    return false;
}

bool JournalFile::failing() const
{
    std::lock_guard lock(m_mutex);
    return !m_waiting.isEmpty() || m_torn || m_unsynced;
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
