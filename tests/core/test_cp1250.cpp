#include "Cp1250.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <optional>
#include <thread>

namespace {

// The C library's conversion of one piece of input, or nothing where it
// refuses the input.
class Iconv {
public:
    Iconv(const char *to, const char *from) : cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (ok())
            iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
    std::optional<QByteArray> convert(const void *data, size_t size)
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *in = static_cast<char *>(const_cast<void *>(data));
        char out[16];
        char *dest = out;
        size_t inLeft = size, outLeft = sizeof out;
        if (iconv(cd, &in, &inLeft, &dest, &outLeft) == size_t(-1) || inLeft != 0)
            return std::nullopt;
        if (iconv(cd, nullptr, nullptr, &dest, &outLeft) == size_t(-1))
            return std::nullopt;
        return QByteArray(out, dest - out);
    }

private:
    iconv_t cd;
};

constexpr bool IsUndefinedByte(unsigned b)
{
    return b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98;
}

// The table agrees with the C library on every byte; the five bytes the
// library refuses come through as the control characters of their value.
TEST(Cp1250, EveryByteDecodesAsTheCLibraryDoes)
{
    Iconv fromCp("UTF-16LE", "CP1250");
    ASSERT_TRUE(fromCp.ok());
    for (unsigned b = 0; b < 256; ++b) {
        const char byte = char(b);
        const std::optional<QByteArray> expected = fromCp.convert(&byte, 1);
        const QString decoded = FromCp1250(QByteArrayView(&byte, 1));
        ASSERT_EQ(decoded.size(), 1) << b;
        if (IsUndefinedByte(b)) {
            EXPECT_FALSE(expected) << b;
            EXPECT_EQ(decoded.at(0).unicode(), b);
        } else {
            ASSERT_TRUE(expected && expected->size() == 2) << b;
            EXPECT_EQ(decoded.at(0).unicode(), uchar(expected->at(0)) | uchar(expected->at(1)) << 8) << b;
        }
    }
}

// Every UTF-16 unit on its own encodes as the C library encodes it, "?"
// where the library has no byte for it; the undefined bytes' control
// characters go back to their byte.
TEST(Cp1250, EveryUtf16UnitEncodesAsTheCLibraryDoes)
{
    Iconv toCp("CP1250", "UTF-16LE");
    ASSERT_TRUE(toCp.ok());
    int encodable = 0;
    for (unsigned u = 0; u < 0x10000; ++u) {
        const uchar le[2] = {uchar(u), uchar(u >> 8)};
        const std::optional<QByteArray> library = toCp.convert(le, 2);
        QByteArray expected = library.value_or(QByteArray("?"));
        if (IsUndefinedByte(u))
            expected = QByteArray(1, char(u));
        const char16_t unit = char16_t(u);
        ASSERT_EQ(ToCp1250(QStringView(&unit, 1)), expected) << std::hex << u;
        encodable += library.has_value();
    }
    EXPECT_EQ(encodable, 256 - 5);  // the table is complete, not merely consistent
}

TEST(Cp1250, EveryByteSurvivesDecodeAndEncode)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const QByteArray doubled = all + all;  // undefined bytes in the middle too
    const QString text = FromCp1250(doubled);
    ASSERT_EQ(text.size(), doubled.size());
    EXPECT_EQ(ToCp1250(text), doubled);
}

TEST(Cp1250, Mapping)
{
    struct Case {
        unsigned char byte;
        char16_t character;
    };
    const Case cases[] = {
        {'A', u'A'},       {0x80, u'€'},      {0x8A, u'Š'},      {0x9A, u'š'},      {0xE1, u'á'},
        {0xEC, u'ě'},      {0xF8, u'ř'},      {0xD9, u'Ů'},      {0xA0, u'\u00A0'}, {0x82, u'\u201A'},
        {0x81, u'\u0081'}, {0x83, u'\u0083'}, {0x88, u'\u0088'}, {0x90, u'\u0090'}, {0x98, u'\u0098'},
    };
    for (const Case &c : cases) {
        const QByteArray byte(1, char(c.byte));
        EXPECT_EQ(FromCp1250(byte), QString(QChar(c.character))) << int(c.byte);
        EXPECT_EQ(ToCp1250(QString(QChar(c.character))), byte) << int(c.byte);
    }
}

TEST(Cp1250, UndefinedBytesNeitherStopNorDropTheRest)
{
    const QByteArray bytes("\x81Za\x83\x98\r\n\x90konec\x88");
    EXPECT_EQ(FromCp1250(bytes), QString::fromUtf16(u"\u0081Za\u0083\u0098\r\n\u0090konec\u0088"));
}

TEST(Cp1250, UnencodableCharactersBecomeOneQuestionMarkEach)
{
    struct Case {
        std::u16string text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {u"Žluťoučký kůň", QByteArray("\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2")},
        {u"a\u4E2Db", "a?b"},
        {u"\U0001F600", "?"},  // a surrogate pair is one character
        {u"x\U0001F600\U0001F600y", "x??y"},
        {u"\u0082", "?"},                                         // a C1 control the code page does not hold
        {std::u16string(u"a") + char16_t(0xD800), "a?"},          // lone high at the end
        {std::u16string(u"a") + char16_t(0xDC00) + u"b", "a?b"},  // lone low
        {std::u16string(u"a") + char16_t(0xD800) + u"b,\"c\"\r\n", "a?b,\"c\"\r\n"},
        {u"", ""},
    };
    for (const Case &c : cases) {
        const QString text = QString::fromStdU16String(c.text);
        EXPECT_EQ(ToCp1250(text), c.bytes) << text.toStdString();
    }
}

TEST(Cp1250, WorksOnAnotherThread)
{
    QByteArray fromThread;
    std::thread worker([&] { fromThread = ToCp1250(u"Čas \u4E2D"); });
    worker.join();
    EXPECT_EQ(fromThread, QByteArray("\xC8"
                                     "as ?"));
    EXPECT_EQ(FromCp1250(fromThread), QString::fromUtf16(u"Čas ?"));
}

}  // namespace
