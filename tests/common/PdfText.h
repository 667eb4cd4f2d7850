#pragma once
// The text of a PDF page by page, as poppler's pdftotext reads it with its
// layout kept (a row of the table stays one line).
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

inline QStringList PdfFileText(const QString &path)
{
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                               QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    EXPECT_TRUE(reader.waitForFinished(60000)) << reader.errorString().toStdString();
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().constData();
    QStringList pages = QString::fromUtf8(reader.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();  // every page ends with a form feed, the last one too
    return pages;
}

inline QStringList PdfText(const QByteArray &pdf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("listina.pdf"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size());
    file.close();
    return PdfFileText(path);
}

// The moment of printing, which differs between two printouts of the same race.
inline QString WithoutPrintingTime(QString page)
{
    static const QRegularExpression printed(QStringLiteral("Vytištěno: [0-9. :]+"));
    return page.replace(printed, QStringLiteral("Vytištěno: …"));
}
