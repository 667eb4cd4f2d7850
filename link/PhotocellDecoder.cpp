#include "PhotocellDecoder.h"

QString PhotocellDecoder::StatusTextFor(char state)
{
    if (state == 'A')
        return QStringLiteral("Fotobuňky volné.");
    const int bits = state - 'A';
    return QStringLiteral("Fotobuňka zastíněna: ") + ((bits & 1) ? QStringLiteral("FB1") : QString()) +
           u' ' + ((bits & 2) ? QStringLiteral("FB2") : QString());
}

PhotocellEdges PhotocellDecoder::Decode(QByteArrayView response)
{
    PhotocellEdges edges;
    bool fb1Edge = false;
    bool fb2Edge = false;
    char last = 0;
    for (const char c : response) {
        if (c < 'A' || c > 'D')
            continue;
        const int bits = c - 'A';
        const bool fb1 = bits & 1;
        const bool fb2 = bits & 2;
        if (fb1 && !m_fb1)
            fb1Edge = true;
        if (fb2 && !m_fb2)
            fb2Edge = true;
        m_fb1 = fb1;
        m_fb2 = fb2;
        last = c;
    }
    if (m_mode == 0) {
        edges.start = fb1Edge;
        edges.finish = fb2Edge;
    } else {
        edges.finish = fb1Edge || fb2Edge;
    }
    if (last)
        edges.status = StatusTextFor(last);
    return edges;
}
