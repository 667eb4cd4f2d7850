#include "PollLoop.h"

#include "Clock.h"

PollLoop::PollLoop(D2XXUnit &device, LinkHost &host, int photocellMode)
    : m_host(host), m_link(device, *this), m_decoder(photocellMode)
{
}

void PollLoop::ShowStatus(const QString &text)
{
    m_shown = text;
    m_host.ShowStatus(text);
}

bool PollLoop::Connect()
{
    if (m_link.USBConnect() == 0)
        return false;
    ShowStatus(QStringLiteral("Připojen, čekám na data..."));
    return true;
}

void PollLoop::Poll()
{
    const QByteArray response = m_link.ReadFTDIResponse();
    // The stamp is the moment the read returned, cut to whole milliseconds;
    // every impulse of this poll carries it.
    const DayTime readAt = NowDayTime();
    const PhotocellEdges edges = m_decoder.Decode(response);
    if (!edges.status.isEmpty() && edges.status != m_shown)
        ShowStatus(edges.status);
    if (edges.start || edges.finish) {
        const DayTime stamp = TextToDayTime(DayTimeToText(readAt));
        if (edges.start)
            PostStartImpulse(stamp);
        if (edges.finish)
            PostFinishImpulse(stamp);
    }
    Pause(PauseAfterPollMs);
    if (++m_pollCount > PollsBeforeCommand)
        m_link.SendFTDICommand();
}

void PollLoop::Disconnect()
{
    m_link.USBDisconnect();
    ShowStatus(QStringLiteral("Časoměrný modul odpojen."));
}
