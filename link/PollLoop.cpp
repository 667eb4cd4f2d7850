#include "PollLoop.h"

#include "Clock.h"

#include <algorithm>

PollLoop::PollLoop(D2XXUnit &device, LinkHost &host, int photocellMode)
    : m_host(host), m_link(device, *this), m_decoder(photocellMode)
{
}

void PollLoop::ShowStatus(const QString &text)
{
    m_shown = text;
    m_host.ShowStatus(text);
}

DayTime PollLoop::CharacterStamp(int64_t readAtUs, qsizetype followers, int64_t sinceLastReadUs)
{
    // In sixths of a microsecond, where one character is a whole number.
    const int64_t back = std::min<int64_t>(followers * CharacterSixthsOfMicrosecond,
                                           std::max<int64_t>(sinceLastReadUs, 0) * 6);
    int64_t at = readAtUs * 6 - back;
    if (at < 0)
        at += MsPerDay * 6000;
    return at / 6000;
}

bool PollLoop::Connect()
{
    // The port opens in here: nothing read later can have come in before.
    m_lastReadUs = NowDayMicroseconds();
    if (m_link.USBConnect() == 0)
        return false;
    ShowStatus(QStringLiteral("Připojen, čekám na data..."));
    return true;
}

void PollLoop::Poll()
{
    const QByteArray response = m_link.ReadFTDIResponse();
    const int64_t readAtUs = NowDayMicroseconds();
    int64_t sinceLastReadUs = readAtUs - m_lastReadUs;
    if (sinceLastReadUs < 0)
        sinceLastReadUs += MsPerDay * 1000;  // past midnight
    m_lastReadUs = readAtUs;
    const PhotocellEdges edges = m_decoder.Decode(response);
    if (!edges.status.isEmpty() && edges.status != m_shown)
        ShowStatus(edges.status);
    const auto stampOf = [&](qsizetype at) {
        return CharacterStamp(readAtUs, response.size() - 1 - at, sinceLastReadUs);
    };
    if (edges.start())
        PostStartImpulse(stampOf(edges.startAt));
    if (edges.finish())
        PostFinishImpulse(stampOf(edges.finishAt));
    Pause(PauseAfterPollMs);
    if (++m_pollCount > PollsBeforeCommand)
        m_link.SendFTDICommand();
}

void PollLoop::Disconnect()
{
    m_link.USBDisconnect();
    ShowStatus(QStringLiteral("Časoměrný modul odpojen."));
}
