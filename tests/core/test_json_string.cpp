// JSON strings as every JSON of the program writes them: what is escaped,
// the UTF-8 of every plane, and what a broken UTF-16 text turns into.
#include "JsonString.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <optional>
#include <string>
#include <vector>

namespace {

QByteArray Json(QStringView text)
{
    QByteArray json;
    AppendJsonString(json, text);
    return json;
}

TEST(JsonString, EscapesWhatJsonAsksAndWritesTheRestAsUtf8)
{
    struct Case {
        const char *name;
        std::u16string text;
        QByteArray json;
        std::optional<std::u16string> readBack = std::nullopt;  // what a reader takes: the text unless said
    };
    const std::vector<Case> cases{
        {"Empty", u"", "\"\""},
        {"Plain", u"Závod 10 km", "\"Z\xc3\xa1vod 10 km\""},
        {"QuoteAndBackslash", u"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"SlashAndDeleteAsTheyAre", u"a/b\x7f", "\"a/b\x7f\""},
        {"ControlCharacters", std::u16string(u"\n\t\r") + char16_t(0) + u"\x01\x1f",
         QByteArray("\"\\u000a\\u0009\\u000d\\u0000\\u0001\\u001f\"")},
        {"EveryLengthOfUtf8", u"\u00ff\u07ff\u0800\u20ac\uffff\U0001F600",
         "\"\xc3\xbf\xdf\xbf\xe0\xa0\x80\xe2\x82\xac\xef\xbf\xbf\xf0\x9f\x98\x80\""},
        {"LoneHighAtTheEnd", std::u16string(u"a") + char16_t(0xD83D), "\"a\xef\xbf\xbd\"", u"a\ufffd"},
        {"LoneLow", std::u16string(u"a") + char16_t(0xDE00) + u"b",
         "\"a\xef\xbf\xbd"
         "b\"",
         u"a\ufffdb"},
        {"HighBeforeAnotherHigh", std::u16string{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)},
         "\"\xef\xbf\xbd\xf0\x9f\x98\x80\"", u"\ufffd\U0001F600"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray json = Json(c.text);
        EXPECT_EQ(json.toHex(' ').toStdString(), c.json.toHex(' ').toStdString());
        QJsonParseError error;
        const QJsonDocument read = QJsonDocument::fromJson("[" + json + "]", &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        EXPECT_EQ(read.array().at(0).toString(), QString::fromStdU16String(c.readBack.value_or(c.text)));
    }
}

TEST(JsonString, AppendsToWhatIsThere)
{
    QByteArray json("[");
    AppendJsonString(json, u"a");
    json += ',';
    AppendJsonString(json, u"\"");
    EXPECT_EQ(json, QByteArray("[\"a\",\"\\\"\""));
}

}  // namespace
