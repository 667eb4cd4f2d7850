#pragma once
// A small reader of comma- or semicolon-separated text as spreadsheets and
// registration sites export it: fields in double quotes may hold separators,
// line breaks and doubled quotes.  Every record keeps the line it began on so
// that a message can name it.  Used by the racer import only.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <vector>

struct CsvRecord {
    int line = 0;  // 1-based line of the file where the record begins
    QStringList fields;
};

struct CsvProblem {
    int line = 0;
    QString text;  // Czech, for the operator
};

struct CsvContents {
    std::vector<CsvRecord> records;  // blank lines left out
    std::vector<CsvProblem> problems;
};

// The text of a file: UTF-8 when it starts with the UTF-8 byte order mark or
// is valid UTF-8 throughout, code page 1250 otherwise.  The mark is dropped.
QString DecodeCsvBytes(const QByteArray &bytes);

// The separator of a file: ';' or ',', whichever its first line holds more
// of outside quotes; ';' when neither or both equally.
QChar GuessCsvSeparator(QStringView text);

// Splits text into records.  A record that cannot be read (text after a
// closing quote, a quote never closed) becomes a problem instead.
CsvContents ReadCsv(QStringView text, QChar separator);
