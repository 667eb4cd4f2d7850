#pragma once
// Reads a data file: one quoted, comma-separated line per time record, in
// code page 1250.  The record store's Load, the results command and the offer
// of unnamed races left by a crash all read through it, so a file reads the
// same everywhere.
//
// It reads in slices, telling how far it got and stopping when cancelled, so
// that a large file can be opened behind a progress dialog; a file over the
// size limit is not read at all.  It only reads: it changes no store, asks
// nothing and shows nothing.
//
// A line gives a record only when its values are what the program writes: a
// start number 0 to 10000, a lap 0 to 1,000,000 (blank: 0), a penalty within a
// day either way (missing or blank: 0) and no NUL anywhere.  Any other line
// that holds something counts as unreadable (the window asks before opening
// such a file, the command wants --force) and gives no record: a value out of
// range is never turned into another.  A time that does not read as a time
// still gives a record, with 0 in each unreadable part, and counts as
// unreadable too.
#include "ProgressTask.h"
#include "TimeRecord.h"

#include <QByteArray>
#include <QString>
#include <vector>

// Files larger than this are opened behind a progress dialog.
constexpr qint64 DataFileProgressSize = qint64(20) << 20;
// Files larger than this are refused: a real race is under 10 MB, and reading
// 1 GB took half a minute and several GB of memory.
constexpr qint64 DataFileSizeLimit = qint64(512) << 20;

// What a line's values may be, beyond which it is unreadable.  The journal
// holds records to the same limits.
constexpr int32_t MaxRecordNumber = RaceStartNumber;
constexpr int32_t MaxRecordLap = 1000000;
constexpr int32_t MaxPenaltySeconds = 86400;

// "Soubor x.csvz je příliš velký: 600 MB. ...": why a file over the limit
// is not opened.
QString DataFileTooLargeText(const QString &path, qint64 size);
// Whole megabytes, rounded up: "513" for a file just over 512 MB.
qint64 MegabytesOf(qint64 size);

// The records of a data file, read exactly as RecordStore::Load reads them.
struct DataFileContents {
    std::vector<TimeRecordPtr> records;
    int32_t maxLap = 0;
    int lines = 0;       // lines that hold something
    int unreadable = 0;  // of them, lines without a readable time or with a value out of range
};

// Reads the data file at path and nothing else: the file is opened for
// reading only, and no backup, temporary file or question comes of it (the
// results command relies on this).  Throws TikomatError with the system's
// reason when the file cannot be read, or with the Czech reason when it is
// larger than DataFileSizeLimit.
DataFileContents ReadDataFile(const QString &path);

class DataFileReader : public ProgressTask {
    Q_OBJECT
public:
    enum class Outcome { NotRun, Read, Cancelled, Failed, TooLarge };

    // sizeLimit <= 0: no limit.
    explicit DataFileReader(const QString &path, qint64 sizeLimit = DataFileSizeLimit);

    // Keep the file's bytes as read (the store keeps them for the backup).
    void setKeepBytes(bool keep) { m_keepBytes = keep; }

    void run() override;

    Outcome outcome() const { return m_outcome; }
    const QString &path() const { return m_path; }
    // The system's reason when Failed.
    const QString &error() const { return m_error; }
    // The file's size as found when it was opened (TooLarge: its size).
    qint64 size() const { return m_size; }
    DataFileContents &contents() { return m_contents; }
    QByteArray takeBytes() { return std::move(m_bytes); }

private:
    void ReadSlice(QByteArrayView slice);
    void FinishLine(QByteArrayView rest);
    void ParseLines(QByteArrayView bytes);

    QString m_path;
    qint64 m_sizeLimit;
    bool m_keepBytes = false;
    Outcome m_outcome = Outcome::NotRun;
    QString m_error;
    qint64 m_size = 0;
    DataFileContents m_contents;
    QByteArray m_bytes;
    QString m_text;              // the slice being parsed, decoded
    QByteArray m_carry;          // the start of a line whose end has not been read yet
    bool m_carryHasNul = false;  // that line holds a NUL: unreadable, its bytes are not kept
};
