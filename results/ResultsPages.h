#pragma once
// The results on paper: the pages of a printout or a PDF, laid out from the
// results document.  Each page carries a header (the caption of the ranking,
// the date of the race, the moment of printing), the table's column titles,
// as many rows as fit and the footer "strana N z M"; every section (the whole
// ranking, or one category) starts on a page of its own.  The columns are the
// export's with the rank in front; split times wrap inside their cell, a name
// too long for its cell is cut with "…", and an empty section prints one page
// saying "Žádné výsledky".
//
// Called by "Tisk..." and "PDF..." on the results page (ResultsPrint) and by
// tikomat-results --pdf; the tests drive it on a QPdfWriter.  It needs Qt Gui
// (fonts and painting) and a QGuiApplication, never widgets or a printer; it
// reads the document only.
#include "ResultsTable.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QString>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

// What the page header says besides the caption.
struct PrintMoment {
    QDate raceDate;     // the day the data file was last written, or today for an unnamed race
    QDateTime printed;  // when the pages were made
};

class ResultsPages {
public:
    // sections: at least one.
    ResultsPages(std::vector<ResultsSection> sections, PrintMoment moment);

    // A4 portrait with the printout's margins: for a device nobody has set up
    // (a PDF, or the printer before the preview opens).
    static void SetUpPage(QPagedPaintDevice &device);

    // Lays the rows out for the device's page and draws every page on it.
    // False when the device cannot be painted on (a printer that refuses).
    bool paint(QPagedPaintDevice &device);

    // One row of a section on a page: its split times from line firstLine,
    // `lines` of them (a row whose splits outgrow a page goes on over the
    // next; there it repeats its rank and racer only).
    struct Piece {
        int row = 0;
        int firstLine = 0;
        int lines = 1;
    };
    struct Page {
        int section = 0;
        std::vector<Piece> pieces;  // empty: the section has no rows
    };

    // Lays the rows out for pages of the device's size and resolution.
    void layOut(QPaintDevice &device);
    const std::vector<Page> &pages() const { return m_pages; }

    // The header line's texts, as the page shows them.
    static QString RaceDateText(const QDate &date);
    static QString PrintedText(const QDateTime &moment);
    static QString PageNumberText(int page, int pages);
    static QString NoResultsText();
    // The column titles, left to right: the rank, then the export's.
    static QStringList ColumnTitles();

private:
    void measure(QPaintDevice &device);
    int splitLines(const ResultRow &row) const;
    double pieceHeight(int lines) const;
    void paintPage(QPainter &painter, int index) const;
    // The page header and footer; returns where the table begins.
    double paintFrame(QPainter &painter, const Page &page, int index) const;
    void paintPiece(QPainter &painter, const ResultsSection &section, const Piece &piece, double top,
                    bool shaded) const;

    std::vector<ResultsSection> m_sections;
    PrintMoment m_moment;
    QFont m_body;
    QFont m_bold;
    QFont m_caption;
    QFont m_small;
    QFont m_split;
    // Device pixels, measured for the device last laid out for.
    double m_mm = 1;
    double m_width = 0;
    double m_height = 0;
    double m_lineHeight = 0;
    double m_splitLineHeight = 0;
    double m_splitOffset = 0;  // from a row's top to its first split line's
    double m_rowPadding = 0;
    double m_headerHeight = 0;  // page header above the table
    double m_titlesHeight = 0;  // the table's column titles
    double m_footerHeight = 0;
    double m_splitWidth = 0;
    int m_splitsPerLine = 1;
    std::vector<double> m_columns;  // left edge of each column, and the right edge last
    std::vector<Page> m_pages;
};

// The PDF of these sections (at least one): A4 portrait, DejaVu Sans
// embedded, `title` in its properties.  Throws
// TikomatError when it cannot be made.
QByteArray ResultsPdf(const std::vector<ResultsSection> &sections, const PrintMoment &moment, const QString &title);
