// What a message quotes of an input: short inputs whole, long ones cut to
// their beginning and end, never a character split, always one line.
#include "QuotedInput.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QList>

namespace {

QString Repeated(const QString &piece, int times)
{
    QString out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

struct QuoteCase {
    const char *what;
    QString input;
    QString quoted;
};

TEST(QuotedInput, LongInputsKeepTheirBeginningAndEnd)
{
    const QString digits = u"0123456789"_qs;
    const QString eighty = Repeated(digits, 8);
    const QString path = u"/home/casomira/"_qs + Repeated(u"složka/"_qs, 30) + u"závod 2026.csvz"_qs;
    const std::vector<QuoteCase> cases = {
        {"empty", QString(), QString()},
        {"a short name", u"Novák Jan"_qs, u"Novák Jan"_qs},
        {"exactly the limit", eighty, eighty},
        {"one over the limit: 40 characters, the mark, 39", eighty + u"X"_qs,
         eighty.left(40) + u"…"_qs + (eighty + u"X"_qs).right(39)},
        {"a long path keeps its file name", path, path.left(40) + u"…"_qs + path.right(39)},
        {"a megabyte of one letter", QString(1 << 20, u'K'), QString(40, u'K') + u"…"_qs + QString(39, u'K')},
        // 80 emoji are 160 code units, but 80 characters: whole.
        {"characters beyond the BMP count once", Repeated(u"😀"_qs, 80), Repeated(u"😀"_qs, 80)},
        {"nor is one of them split at a cut", Repeated(u"😀"_qs, 100),
         Repeated(u"😀"_qs, 40) + u"…"_qs + Repeated(u"😀"_qs, 39)},
        {"line breaks and controls become blanks", u"A\nB\r\nC\tD\u2028E\u0085F"_qs, u"A B  C D E F"_qs},
        {"a cut long text with line breaks stays on its line", Repeated(u"ab\n"_qs, 100),
         Repeated(u"ab "_qs, 13) + u"a…"_qs + (Repeated(u"ab "_qs, 13)).right(39)},
    };
    for (const QuoteCase &c : cases) {
        SCOPED_TRACE(c.what);
        const QString quoted = QuotedInput(c.input);
        EXPECT_EQ(quoted, c.quoted);
        EXPECT_LE(quoted.toUcs4().size(), QuotedInputLimit);
    }
}

}  // namespace
