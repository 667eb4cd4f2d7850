#include "PhotocellDecoder.h"

#include <algorithm>

QString PhotocellDecoder::StatusTextFor(char state)
{
    if (state == 'A')
        return QStringLiteral("Fotobuňky volné.");
    const int bits = state - 'A';
    return QStringLiteral("Fotobuňka zastíněna: ") + ((bits & 1) ? QStringLiteral("FB1") : QString()) + u' '
           + ((bits & 2) ? QStringLiteral("FB2") : QString());
}

PhotocellEdges PhotocellDecoder::Decode(QByteArrayView response)
{
    qsizetype fb1Edge = -1;
    qsizetype fb2Edge = -1;
    char last = 0;
    for (qsizetype i = 0; i < response.size(); ++i) {
        const char c = response[i];
        if (c < 'A' || c > 'D')
            continue;
        const int bits = c - 'A';
        const bool fb1 = bits & 1;
        const bool fb2 = bits & 2;
        if (fb1 && !m_fb1 && fb1Edge < 0)
            fb1Edge = i;
        if (fb2 && !m_fb2 && fb2Edge < 0)
            fb2Edge = i;
        m_fb1 = fb1;
        m_fb2 = fb2;
        last = c;
    }
    PhotocellEdges edges;
    if (m_mode == 0) {
        edges.startAt = fb1Edge;
        edges.finishAt = fb2Edge;
    } else if (fb1Edge < 0 || fb2Edge < 0) {
        edges.finishAt = std::max(fb1Edge, fb2Edge);
    } else {
        edges.finishAt = std::min(fb1Edge, fb2Edge);
    }
    if (last)
        edges.status = StatusTextFor(last);
    return edges;
}
