#include "CsvReader.h"

#include "Cp1250.h"

#include <QStringDecoder>

QString DecodeCsvBytes(const QByteArray &bytes)
{
    static const QByteArray Bom("\xEF\xBB\xBF");
    if (bytes.startsWith(Bom))
        return QString::fromUtf8(bytes.constData() + Bom.size(), bytes.size() - Bom.size());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return FromCp1250(bytes);
}

QChar GuessCsvSeparator(QStringView text)
{
    int semicolons = 0, commas = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        else if (!quoted && c == u';')
            ++semicolons;
        else if (!quoted && c == u',')
            ++commas;
    }
    return commas > semicolons ? QLatin1Char(',') : QLatin1Char(';');
}

namespace {

// Walks the text one record at a time.
class CsvScanner {
public:
    CsvScanner(QStringView text, QChar separator) : m_text(text), m_separator(separator) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    int line() const { return m_line; }

    // Reads the record at the current position; false and `problem` set when
    // it cannot be read (the scanner then stands at the next line).
    bool next(QStringList &fields, QString &problem)
    {
        fields.clear();
        for (;;) {
            QString field;
            if (peek() == u'"') {
                if (!quotedField(field, problem))
                    return false;
            } else {
                while (!atEnd() && peek() != m_separator && !atLineEnd())
                    field += m_text[m_pos++];
            }
            fields << field;
            if (atEnd() || atLineEnd()) {
                skipLineEnd();
                return true;
            }
            ++m_pos;  // the separator
        }
    }

private:
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }
    bool atLineEnd() const { return peek() == u'\n' || peek() == u'\r'; }

    void skipLineEnd()
    {
        if (peek() == u'\r')
            ++m_pos;
        if (peek() == u'\n')
            ++m_pos;
        ++m_line;
    }

    bool quotedField(QString &field, QString &problem)
    {
        ++m_pos;  // opening quote
        for (;;) {
            if (atEnd()) {
                problem = QStringLiteral("uvozovky se do konce souboru neuzavřely");
                return false;
            }
            const QChar c = m_text[m_pos++];
            if (c == u'"') {
                if (peek() == u'"') {
                    field += c;
                    ++m_pos;
                    continue;
                }
                break;
            }
            if (c == u'\r' || c == u'\n') {
                // A line break inside quotes belongs to the field.
                if (c == u'\r' && peek() == u'\n')
                    ++m_pos;
                field += QLatin1Char('\n');
                ++m_line;
                continue;
            }
            field += c;
        }
        // Blanks may follow the closing quote, nothing else.
        while (peek() == u' ' || peek() == u'\t')
            ++m_pos;
        if (atEnd() || atLineEnd() || peek() == m_separator)
            return true;
        problem = QStringLiteral("za uzavírací uvozovkou pokračuje text");
        while (!atEnd() && !atLineEnd())
            ++m_pos;
        skipLineEnd();
        return false;
    }

    QStringView m_text;
    QChar m_separator;
    qsizetype m_pos = 0;
    int m_line = 1;
};

bool Blank(const QStringList &fields)
{
    for (const QString &f : fields)
        if (!f.trimmed().isEmpty())
            return false;
    return true;
}

}  // namespace

CsvContents ReadCsv(QStringView text, QChar separator)
{
    CsvContents out;
    CsvScanner scanner(text, separator);
    QStringList fields;
    QString problem;
    while (!scanner.atEnd()) {
        const int line = scanner.line();
        if (!scanner.next(fields, problem))
            out.problems.push_back({line, problem});
        else if (!Blank(fields))
            out.records.push_back({line, fields});
    }
    return out;
}
