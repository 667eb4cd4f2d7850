#include "PollLoop.h"

#include "Clock.h"

#include <algorithm>

PollLoop::PollLoop(D2XXUnit &device, LinkHost &host, int photocellMode)
    : m_host(host), m_link(device, *this), m_decoder(photocellMode)
{}

void PollLoop::ShowStatus(const QString &text)
{
    m_shown = text;
    m_host.ShowStatus(text);
}

bool PollLoop::Connect()
{
    // The port opens in here: nothing read later can have come in before.
    m_lastReadUs = NowDayMicroseconds();
    m_clockUs = m_lastReadUs;
    m_openedUs = m_clockUs;
    if (m_link.USBConnect() == 0)
        return false;
    ShowStatus(QStringLiteral("Připojen, čekám na data..."));
    return true;
}

void PollLoop::Hold(HeldEdge &edge, qsizetype followers)
{
    edge.held = true;
    edge.floor = m_openedUs * 6;
    edge.foundAt = m_clockUs;
    edge.followers = followers;
    edge.bound = m_clockUs * 6 - followers * CharacterSixthsOfMicrosecond;
}

void PollLoop::Bound(HeldEdge &edge, qsizetype read) const
{
    edge.followers += read;
    edge.bound = std::min<int64_t>(edge.bound, m_clockUs * 6 - edge.followers * CharacterSixthsOfMicrosecond);
}

void PollLoop::Release(HeldEdge &edge, bool start)
{
    if (!edge.held)
        return;
    edge.held = false;
    const int64_t dayUs = std::max(edge.bound, edge.floor) / 6 % (MsPerDay * 1000);
    const DayTime stamp = DayTime(dayUs / 1000);
    if (start)
        PostStartImpulse(stamp);
    else
        PostFinishImpulse(stamp);
}

void PollLoop::ReleaseAll()
{
    Release(m_start, true);
    Release(m_finish, false);
}

void PollLoop::Poll()
{
    const QByteArray response = m_link.ReadFTDIResponse();
    const int64_t readAtUs = NowDayMicroseconds();
    int64_t sinceLastReadUs = readAtUs - m_lastReadUs;
    if (sinceLastReadUs < 0)
        sinceLastReadUs += MsPerDay * 1000;  // past midnight
    m_lastReadUs = readAtUs;
    m_clockUs += sinceLastReadUs;
    const PhotocellEdges edges = m_decoder.Decode(response);
    if (!edges.status.isEmpty() && edges.status != m_shown)
        ShowStatus(edges.status);

    // Edges held from earlier reads learn from this one first, and go once
    // it kept up; a new edge of the same kind hands a held one over (one
    // impulse per read and kind).
    for (HeldEdge *held : {&m_start, &m_finish})
        if (held->held)
            Bound(*held, response.size());
    const bool keptUp = response.size() <= KeptUpCharacters;
    const auto heldTooLong = [this](const HeldEdge &e) { return e.held && m_clockUs - e.foundAt >= HoldAtMostUs; };
    if (keptUp || heldTooLong(m_start) || heldTooLong(m_finish))
        ReleaseAll();
    if (edges.start()) {
        Release(m_start, true);
        Hold(m_start, response.size() - 1 - edges.startAt);
    }
    if (edges.finish()) {
        Release(m_finish, false);
        Hold(m_finish, response.size() - 1 - edges.finishAt);
    }

    Pause(PauseAfterPollMs);
    if (++m_pollCount > PollsBeforeCommand)
        m_link.SendFTDICommand();
}

void PollLoop::Disconnect()
{
    ReleaseAll();
    m_link.USBDisconnect();
    ShowStatus(QStringLiteral("Časoměrný modul odpojen."));
}
