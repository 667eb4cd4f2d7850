#pragma once
// What the module link needs from the program around it: the event log, the
// operator's view (status bar text, cursor), the impulse hand-over and the
// thread's pauses.  The communication thread implements it by posting to the
// main thread without waiting; the tests implement it by recording.
// Nothing behind it may block the caller for longer than a post takes,
// except Pause, which is the pause itself.
#include "DayTime.h"

#include <QString>

enum class LinkCursor {
    Default,     // the arrow
    Wait,        // searching for the module
    Background,  // the module is open and being polled
};

class LinkHost {
public:
    virtual ~LinkHost() = default;
    virtual void Log(const QString &message) = 0;
    virtual void ShowStatus(const QString &text) = 0;
    virtual void SetCursor(LinkCursor cursor) = 0;
    virtual void PostStartImpulse(DayTime stamp) = 0;
    virtual void PostFinishImpulse(DayTime stamp) = 0;
    // Waits ms milliseconds, or less when the thread is asked to stop.
    virtual void Pause(int ms) = 0;
};
