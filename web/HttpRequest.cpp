#include "HttpRequest.h"

#include <QList>

namespace {

// RFC 9110 token characters.
bool IsTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '\'':
    case '*':
    case '+':
    case '-':
    case '.':
    case '^':
    case '_':
    case '`':
    case '|':
    case '~': return true;
    default: return false;
    }
}

bool IsToken(const QByteArray &s)
{
    if (s.isEmpty())
        return false;
    for (char c : s)
        if (!IsTokenChar(c))
            return false;
    return true;
}

// Visible ASCII only: no blanks, controls or bytes above 0x7e in a target.
bool IsTargetText(const QByteArray &s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            return false;
    return true;
}

bool HasControl(const QByteArray &s)
{
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u == 0x7f)
            return true;
    }
    return false;
}

}  // namespace

HttpRoute RouteOf(const QByteArray &path)
{
    if (path == "/" || path == "/index.html")
        return HttpRoute::Page;
    if (path == "/results.json")
        return HttpRoute::Json;
    if (path == "/events")
        return HttpRoute::Events;
    return HttpRoute::None;
}

HttpRequestReader::State HttpRequestReader::feed(const QByteArray &bytes)
{
    if (m_state != State::Incomplete)
        return m_state;
    // Only as much as can still belong to the head is kept.
    const qsizetype room = MaxHeadBytes + 4 - m_head.size();
    m_head.append(bytes.left(std::max<qsizetype>(0, room)));
    qsizetype end = m_head.indexOf("\r\n\r\n");
    qsizetype endLength = 4;
    const qsizetype bare = m_head.indexOf("\n\n");
    if (bare >= 0 && (end < 0 || bare < end)) {
        end = bare;
        endLength = 2;
    }
    if (end < 0) {
        const qsizetype firstLine = m_head.indexOf('\n');
        if ((firstLine < 0 ? m_head.size() : firstLine) > MaxTargetBytes + 32)
            return refuse(414);
        if (m_head.size() > MaxHeadBytes)
            return refuse(431);
        return m_state;
    }
    if (end + endLength > MaxHeadBytes)
        return refuse(431);
    m_head.truncate(end);
    return parse();
}

HttpRequestReader::State HttpRequestReader::parse()
{
    QList<QByteArray> lines = m_head.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (lines.size() - 1 > MaxHeaderLines)
        return refuse(431);

    const QList<QByteArray> parts = lines.first().split(' ');
    if (parts.size() != 3 || !IsToken(parts[0]))
        return refuse(400);
    const QByteArray &method = parts[0];
    const QByteArray &target = parts[1];
    const QByteArray &version = parts[2];
    if (!version.startsWith("HTTP/") || version.size() != 8 || version[6] != '.')
        return refuse(400);
    if (version != "HTTP/1.1" && version != "HTTP/1.0")
        return refuse(505);
    if (target.size() > MaxTargetBytes)
        return refuse(414);
    if (!target.startsWith('/') || !IsTargetText(target))
        return refuse(400);

    // Any other method is refused before its headers or body are looked at.
    if (method != "GET" && method != "HEAD")
        return refuse(405);

    int hosts = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        // A folded line (leading blank) or a blank before the colon is refused
        // outright: both have been used to smuggle headers past proxies.
        if (colon <= 0 || !IsToken(line.left(colon)) || HasControl(line))
            return refuse(400);
        const QByteArray name = line.left(colon).toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "host")
            ++hosts;
        else if (name == "transfer-encoding")
            return refuse(400);
        else if (name == "content-length" && value != "0")
            return refuse(400);
    }
    if (hosts > 1 || (hosts == 0 && version == "HTTP/1.1"))
        return refuse(400);

    m_request.method = method;
    m_request.head = method == "HEAD";
    const qsizetype query = target.indexOf('?');
    m_request.path = query < 0 ? target : target.left(query);
    m_request.route = RouteOf(m_request.path);
    if (m_request.route == HttpRoute::None)
        return refuse(404);
    m_head.clear();
    m_state = State::Ready;
    return m_state;
}

HttpRequestReader::State HttpRequestReader::refuse(int status)
{
    m_status = status;
    m_head.clear();
    m_state = State::Refused;
    return m_state;
}

const char *HttpReason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 414: return "URI Too Long";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Error";
    }
}
