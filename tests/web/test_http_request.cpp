// The request reader on its own: what it accepts, and what it refuses with
// which status, whole and byte by byte.
#include "HttpRequest.h"

#include <gtest/gtest.h>

namespace {

using State = HttpRequestReader::State;

struct ReadCase {
    const char *name;
    QByteArray bytes;
    State state;
    int status;                         // when Refused
    HttpRoute route = HttpRoute::None;  // when Ready
    bool head = false;
};

QByteArray Huge(char c, int n)
{
    return QByteArray(n, c);
}

std::vector<ReadCase> Cases()
{
    const QByteArray host = "Host: 127.0.0.1\r\n";
    return {
        {"page", "GET / HTTP/1.1\r\n" + host + "\r\n", State::Ready, 0, HttpRoute::Page},
        {"page by name, query ignored", "GET /index.html?x=1 HTTP/1.1\r\n" + host + "\r\n", State::Ready, 0,
         HttpRoute::Page},
        {"json head", "HEAD /results.json HTTP/1.1\r\n" + host + "\r\n", State::Ready, 0, HttpRoute::Json, true},
        {"events, HTTP/1.0 without host, bare line feeds", "GET /events HTTP/1.0\n\n", State::Ready, 0,
         HttpRoute::Events},
        {"content-length zero", "GET / HTTP/1.1\r\n" + host + "Content-Length: 0\r\n\r\n", State::Ready, 0,
         HttpRoute::Page},
        {"unfinished", "GET / HTTP/1.1\r\n" + host, State::Incomplete, 0},
        {"post", "POST / HTTP/1.1\r\n" + host + "Content-Length: 3\r\n\r\nabc", State::Refused, 405},
        {"put", "PUT /results.json HTTP/1.1\r\n" + host + "\r\n", State::Refused, 405},
        {"delete", "DELETE / HTTP/1.1\r\n" + host + "\r\n", State::Refused, 405},
        {"options", "OPTIONS * HTTP/1.1\r\n" + host + "\r\n", State::Refused, 400},
        {"get with a body", "GET / HTTP/1.1\r\n" + host + "Content-Length: 5\r\n\r\nhello", State::Refused, 400},
        {"unknown path", "GET /admin HTTP/1.1\r\n" + host + "\r\n", State::Refused, 404},
        {"dot dot", "GET /../../etc/passwd HTTP/1.1\r\n" + host + "\r\n", State::Refused, 404},
        {"encoded dot dot", "GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\n" + host + "\r\n", State::Refused, 404},
        {"file path", "GET /results.json/../index.html HTTP/1.1\r\n" + host + "\r\n", State::Refused, 404},
        {"absolute target", "GET http://evil/ HTTP/1.1\r\n" + host + "\r\n", State::Refused, 400},
        {"no host in 1.1", "GET / HTTP/1.1\r\n\r\n", State::Refused, 400},
        {"two hosts", "GET / HTTP/1.1\r\n" + host + host + "\r\n", State::Refused, 400},
        {"chunked body", "GET / HTTP/1.1\r\n" + host + "Transfer-Encoding: chunked\r\n\r\n", State::Refused, 400},
        {"folded header", "GET / HTTP/1.1\r\n" + host + "X-A: 1\r\n  more\r\n\r\n", State::Refused, 400},
        {"blank before colon", "GET / HTTP/1.1\r\nHost : x\r\n\r\n", State::Refused, 400},
        {"control byte in header",
         "GET / HTTP/1.1\r\n" + host
             + "X-A: a\x01"
               "b\r\n\r\n",
         State::Refused, 400},
        {"two blanks in request line", "GET  / HTTP/1.1\r\n" + host + "\r\n", State::Refused, 400},
        {"lower-case version", "GET / http/1.1\r\n" + host + "\r\n", State::Refused, 400},
        {"version 2", "GET / HTTP/2.0\r\n" + host + "\r\n", State::Refused, 505},
        {"not http at all", Huge('\x16', 40) + "\r\n\r\n", State::Refused, 400},
        {"long target", "GET /" + Huge('a', 1100) + " HTTP/1.1\r\n" + host + "\r\n", State::Refused, 414},
        {"endless request line", "GET /" + Huge('a', 5000), State::Refused, 414},
        {"huge header", "GET / HTTP/1.1\r\n" + host + "X-A: " + Huge('a', 9000) + "\r\n\r\n", State::Refused, 431},
        {"endless headers", "GET / HTTP/1.1\r\n" + host + Huge('a', 20000), State::Refused, 431},
        {"too many headers",
         [&] {
             QByteArray b = "GET / HTTP/1.1\r\n" + host;
             for (int i = 0; i < 70; ++i)
                 b += "X-" + QByteArray::number(i) + ": 1\r\n";
             return b + "\r\n";
         }(),
         State::Refused, 431},
    };
}

void Expect(const ReadCase &c, const HttpRequestReader &reader)
{
    ASSERT_EQ(reader.state(), c.state) << c.name;
    if (c.state == State::Refused) {
        EXPECT_EQ(reader.status(), c.status) << c.name;
    }
    if (c.state == State::Ready) {
        EXPECT_EQ(reader.request().route, c.route) << c.name;
        EXPECT_EQ(reader.request().head, c.head) << c.name;
    }
}

TEST(HttpRequestReaderTest, ReadsOrRefusesEachRequest)
{
    for (const ReadCase &c : Cases()) {
        HttpRequestReader whole;
        whole.feed(c.bytes);
        Expect(c, whole);
    }
}

TEST(HttpRequestReaderTest, SameVerdictWhenBytesArriveOneByOne)
{
    for (const ReadCase &c : Cases()) {
        HttpRequestReader reader;
        for (char byte : c.bytes)
            if (reader.feed(QByteArray(1, byte)) != State::Incomplete)
                break;
        Expect(c, reader);
    }
}

TEST(HttpRequestReaderTest, TakesNothingOnceDecided)
{
    HttpRequestReader reader;
    ASSERT_EQ(reader.feed("GET /results.json HTTP/1.1\r\nHost: a\r\n\r\n"), State::Ready);
    // A second request on the same connection, or a flood, changes nothing.
    EXPECT_EQ(reader.feed("DELETE / HTTP/1.1\r\n\r\n" + QByteArray(100000, 'x')), State::Ready);
    EXPECT_EQ(reader.request().route, HttpRoute::Json);
}

}  // namespace
