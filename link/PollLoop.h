#pragma once
// The body of the communication thread without the thread: connect, one
// poll at a time, disconnect.  A poll reads the module, notes when the read
// returned, decodes the state characters, hands the edges over, pauses 1 ms
// and, from the 101st poll on, sends the module "X".
//
// Each impulse is stamped for the character that carried it: when a read
// returns several characters, the ones after the edge took the wire 10 bits
// each at 19200 baud, so the edge's character came in that much before the
// read returned.  This undoes most of a late poll (a busy PC, the converter
// holding bytes back) without trusting the wire for more than it can carry:
// no character is stamped before the previous read returned, where it could
// not yet have been waiting.  Stamps are cut to whole milliseconds.
//
// Status texts go on only when they change what the operator sees: within a
// poll only the last state counts, and a text equal to the one last shown is
// not sent again.  Who calls it: TCommThread::run, and the tests directly.
// It never waits for the main thread.
#include "DayTime.h"
#include "LinkHost.h"
#include "ModuleLink.h"
#include "PhotocellDecoder.h"

class PollLoop : private LinkHost {
public:
    static constexpr int PollsBeforeCommand = 100;
    static constexpr int PauseAfterPollMs = 1;
    // One character on the wire, 10 bits at 19200 baud, is 3125/6 µs; kept as
    // that fraction so that nothing is rounded before the final cut.
    static constexpr int64_t CharacterSixthsOfMicrosecond = 3125;

    // The stamp of a character followed by `followers` more characters in a
    // read that returned at `readAtUs` (microseconds of the day), at most
    // `sinceLastReadUs` back.  A moment before midnight stays on that day.
    static DayTime CharacterStamp(int64_t readAtUs, qsizetype followers, int64_t sinceLastReadUs);

    PollLoop(D2XXUnit &device, LinkHost &host, int photocellMode);

    // The thread's first step: searches for the module; false when none was
    // opened (the caller then stops after one poll).  Success shows
    // "Připojen, čekám na data...".
    bool Connect();
    void Poll();
    // The thread's last step: closes the module and says so.
    void Disconnect();

    int64_t PollCount() const { return m_pollCount; }
    ModuleLink &link() { return m_link; }

private:
    void Log(const QString &message) override { m_host.Log(message); }
    void ShowStatus(const QString &text) override;
    void SetCursor(LinkCursor cursor) override { m_host.SetCursor(cursor); }
    void PostStartImpulse(DayTime stamp) override { m_host.PostStartImpulse(stamp); }
    void PostFinishImpulse(DayTime stamp) override { m_host.PostFinishImpulse(stamp); }
    void Pause(int ms) override { m_host.Pause(ms); }

    LinkHost &m_host;
    ModuleLink m_link;
    PhotocellDecoder m_decoder;
    int64_t m_pollCount = 0;  // never reset: "X" follows every poll once past 100
    int64_t m_lastReadUs = 0;  // when the previous read returned (or the connect began)
    QString m_shown;  // the status text last sent
};
