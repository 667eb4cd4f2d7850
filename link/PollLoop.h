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
// holding bytes back): the wire carries no more than that, so the stamp is
// never too early.  Nor is it before the port was opened.  Stamps are cut
// to whole milliseconds.
//
// The first read after a stall may bring only the head of the backlog, so
// every edge waits for the next read, and for as many more as it takes until
// one keeps up with the wire again (at most four characters, about two
// polls' worth), at most 20 ms.  Every read in between bounds the edge's
// moment anew: it cannot have come later than that read's return less the
// characters after it.  The earliest bound is the stamp.  A poll that keeps
// up costs an impulse one poll, 1 to 11 ms.
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
    // Up to this many characters a read is a poll that keeps up.
    static constexpr qsizetype KeptUpCharacters = 4;
    static constexpr int64_t HoldAtMostUs = 20'000;

    PollLoop(D2XXUnit &device, LinkHost &host, int photocellMode);

    // The thread's first step: searches for the module; false when none was
    // opened (the caller then stops after one poll).  Success shows
    // "Připojen, čekám na data...".
    bool Connect();
    void Poll();
    // The thread's last step: hands over a held edge, closes the module and
    // says so.
    void Disconnect();

    int64_t PollCount() const { return m_pollCount; }
    ModuleLink &link() { return m_link; }

private:
    // An edge waiting for the loop to catch up with the wire, in sixths of a
    // microsecond of the loop's own clock (microseconds of the day at the
    // connect, counted on across midnight).
    struct HeldEdge {
        bool held = false;
        int64_t bound = 0;        // the earliest bound so far
        int64_t floor = 0;        // the port's opening: never before
        int64_t foundAt = 0;      // when the read that carried it returned
        qsizetype followers = 0;  // characters read after it so far
    };
    void Hold(HeldEdge &edge, qsizetype followers);
    void Bound(HeldEdge &edge, qsizetype read) const;
    void Release(HeldEdge &edge, bool start);
    void ReleaseAll();

    void Log(const QString &message) override { m_host.Log(message); }
    void ShowStatus(const QString &text) override;
    void SetCursor(LinkCursor cursor) override { m_host.SetCursor(cursor); }
    void PostStartImpulse(DayTime stamp) override { m_host.PostStartImpulse(stamp); }
    void PostFinishImpulse(DayTime stamp) override { m_host.PostFinishImpulse(stamp); }
    void Pause(int ms) override { m_host.Pause(ms); }

    LinkHost &m_host;
    ModuleLink m_link;
    PhotocellDecoder m_decoder;
    int64_t m_pollCount = 0;   // never reset: "X" follows every poll once past 100
    int64_t m_lastReadUs = 0;  // when the previous read returned (or the connect began), of the day
    int64_t m_clockUs = 0;     // the same moment on the loop's own clock
    int64_t m_openedUs = 0;    // when the port was opened, the loop's clock
    HeldEdge m_start;
    HeldEdge m_finish;
    QString m_shown;  // the status text last sent
};
