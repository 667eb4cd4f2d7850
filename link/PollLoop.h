#pragma once
// The body of the communication thread without the thread: connect, one
// poll at a time, disconnect.  A poll reads the module, stamps the read,
// decodes the state characters, hands the edges over, pauses 1 ms and, from
// the 101st poll on, sends the module "X".
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
    QString m_shown;  // the status text last sent
};
