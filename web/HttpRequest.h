#pragma once
// The request head of the results server's HTTP/1.1, read strictly and with
// hard limits, without any socket: the server feeds it the bytes a client
// sends and answers what it decides.
//
// Only GET and HEAD of a fixed set of paths are ever served, so the reader
// never takes a body: a request announcing one is refused.  It keeps at most
// MaxHeadBytes of a request; anything longer is refused as soon as the limit
// is passed, so a client cannot make it hold more.  It never touches the file
// system and never interprets a path beyond comparing it with the known ones.
#include <QByteArray>

// The pages the server knows; everything else is 404.
enum class HttpRoute { None, Page, Json, Events };

HttpRoute RouteOf(const QByteArray &path);

struct HttpRequest {
    QByteArray method;
    QByteArray path;  // the target without its query
    HttpRoute route = HttpRoute::None;
    bool head = false;  // HEAD: headers only
};

class HttpRequestReader {
public:
    static constexpr int MaxHeadBytes = 8192;
    static constexpr int MaxTargetBytes = 1024;
    static constexpr int MaxHeaderLines = 64;

    enum class State { Incomplete, Ready, Refused };

    // Takes the next bytes of the request.  Once Ready or Refused it takes no
    // more (bytes after the head are ignored: no request has a body).
    State feed(const QByteArray &bytes);

    State state() const { return m_state; }
    // Ready: what was asked.
    const HttpRequest &request() const { return m_request; }
    // Refused: the status to answer (400, 404, 405, 414, 431, 505).
    int status() const { return m_status; }

private:
    State parse();
    State refuse(int status);

    QByteArray m_head;
    State m_state = State::Incomplete;
    HttpRequest m_request;
    int m_status = 0;
};

// The reason phrase of a status this server sends.
const char *HttpReason(int status);
