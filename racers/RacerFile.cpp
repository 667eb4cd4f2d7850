#include "RacerFile.h"

#include "AtomicFile.h"
#include "QuotedInput.h"
#include "RacerTable.h"
#include "RacerText.h"
#include "TikomatError.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QString Root = QStringLiteral("racerlist");
const QString FormatVersion = QStringLiteral("1");
// Attribute of each field within a row element, in the fields' order.
const QString RowAttribute[RacerTable::ColumnCount] = {QStringLiteral("cislo"), QStringLiteral("jmeno"),
                                                       QStringLiteral("kategorie")};

[[noreturn]] void Fail(const QXmlStreamReader &reader, const QString &what)
{
    throw TikomatError(QStringLiteral("řádek %1: %2").arg(reader.lineNumber()).arg(what));
}

// The next start element inside the current one, or false at its end.
bool NextChild(QXmlStreamReader &reader, const QString &expected)
{
    if (!reader.readNextStartElement()) {
        if (reader.hasError())
            Fail(reader, reader.errorString());
        return false;
    }
    if (reader.name() != expected)
        Fail(reader,
             QStringLiteral("čekán prvek <%1>, nalezen <%2>").arg(expected, QuotedInput(reader.name().toString())));
    return true;
}

void ReadFields(QXmlStreamReader &reader)
{
    if (!NextChild(reader, QStringLiteral("fields")))
        Fail(reader, QStringLiteral("chybí popis polí <fields>"));
    for (const RacerField &field : RacerTable::Fields()) {
        if (!NextChild(reader, QStringLiteral("field")))
            Fail(reader, QStringLiteral("chybí pole „%1“").arg(field.name));
        const QXmlStreamAttributes a = reader.attributes();
        const QString size = field.size ? QString::number(field.size) : QString();
        if (a.value(QLatin1String("name")) != field.name || a.value(QLatin1String("type")) != field.type
            || a.value(QLatin1String("size")) != size)
            Fail(reader, QStringLiteral("pole „%1“ (%2, %3) neodpovídá poli „%4“ (%5, %6)")
                             .arg(QuotedInput(a.value(QLatin1String("name")).toString()),
                                  QuotedInput(a.value(QLatin1String("type")).toString()),
                                  QuotedInput(a.value(QLatin1String("size")).toString()), field.name, field.type,
                                  size.isEmpty() ? QStringLiteral("bez délky") : size));
        reader.skipCurrentElement();
    }
    if (NextChild(reader, QStringLiteral("field")))
        Fail(reader, QStringLiteral("soubor má víc polí než tři"));
}

RacerRow ReadRow(QXmlStreamReader &reader)
{
    const QXmlStreamAttributes a = reader.attributes();
    RacerRow row;
    for (int column = 0; column < RacerTable::ColumnCount; ++column) {
        if (!a.hasAttribute(RowAttribute[column]))
            continue;
        const QString text = a.value(RowAttribute[column]).toString();
        if (column == RacerTable::Number) {
            bool ok = false;
            const int number = text.toInt(&ok);
            if (!ok)
                Fail(reader, QStringLiteral("startovní číslo „%1“ není celé číslo").arg(QuotedInput(text)));
            row.number = number;
            continue;
        }
        // Measured as the table will hold it: a character that is not seen
        // does not count.
        const QString clean = OneLineText(text);
        const RacerField &field = RacerTable::Fields()[size_t(column)];
        if (clean.size() > field.size)
            Fail(reader, QStringLiteral("„%1“ je delší než %2 znaků").arg(QuotedInput(clean)).arg(field.size));
        (column == RacerTable::Name ? row.name : row.category) = clean;
    }
    reader.skipCurrentElement();
    return row;
}

}  // namespace

QByteArray RacerFileText(const std::vector<RacerRow> &rows)
{
    QByteArray out;
    out.reserve(qsizetype(rows.size()) * 80 + 512);
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    writer.writeStartDocument();
    writer.writeStartElement(Root);
    writer.writeAttribute(QStringLiteral("version"), FormatVersion);
    writer.writeStartElement(QStringLiteral("fields"));
    for (const RacerField &field : RacerTable::Fields()) {
        writer.writeEmptyElement(QStringLiteral("field"));
        writer.writeAttribute(QStringLiteral("name"), field.name);
        writer.writeAttribute(QStringLiteral("type"), field.type);
        if (field.size)
            writer.writeAttribute(QStringLiteral("size"), QString::number(field.size));
    }
    writer.writeEndElement();  // fields
    writer.writeStartElement(QStringLiteral("rows"));
    for (const RacerRow &row : rows) {
        writer.writeEmptyElement(QStringLiteral("row"));
        if (row.number)
            writer.writeAttribute(RowAttribute[RacerTable::Number], QString::number(*row.number));
        if (row.name)
            writer.writeAttribute(RowAttribute[RacerTable::Name], *row.name);
        if (row.category)
            writer.writeAttribute(RowAttribute[RacerTable::Category], *row.category);
    }
    writer.writeEndElement();  // rows
    writer.writeEndElement();  // racerlist
    writer.writeEndDocument();
    return out;
}

std::vector<RacerRow> ParseRacerFile(const QByteArray &contents)
{
    if (contents.trimmed().isEmpty())
        throw TikomatError(QStringLiteral("soubor je prázdný"));
    QXmlStreamReader reader(contents);
    if (!reader.readNextStartElement())
        Fail(reader, reader.hasError() ? reader.errorString() : QStringLiteral("soubor nemá žádný prvek"));
    if (reader.name() != Root)
        Fail(reader, QStringLiteral("soubor není seznam závodníků (kořenový prvek <%1>)")
                         .arg(QuotedInput(reader.name().toString())));
    if (reader.attributes().value(QLatin1String("version")) != FormatVersion)
        Fail(reader, QStringLiteral("neznámá verze seznamu závodníků „%1“")
                         .arg(QuotedInput(reader.attributes().value(QLatin1String("version")).toString())));
    ReadFields(reader);
    if (!NextChild(reader, QStringLiteral("rows")))
        Fail(reader, QStringLiteral("chybí řádky <rows>"));
    std::vector<RacerRow> rows;
    while (NextChild(reader, QStringLiteral("row")))
        rows.push_back(ReadRow(reader));
    if (NextChild(reader, QStringLiteral("rows")))
        Fail(reader, QStringLiteral("druhý prvek <rows>"));
    // The rest must be well formed too: a file cut short is damaged.
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement)
            Fail(reader, QStringLiteral("nečekaný prvek <%1>").arg(QuotedInput(reader.name().toString())));
    if (reader.hasError())
        Fail(reader, reader.errorString());
    return rows;
}

void SaveRacerFile(const QString &path, const std::vector<RacerRow> &rows)
{
    WriteFileAtomically(path, RacerFileText(rows));
}

std::vector<RacerRow> LoadRacerFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TikomatError(file.errorString());
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TikomatError(file.errorString());
    return ParseRacerFile(contents);
}
