#pragma once
// The module connection: finds the timing module among the attached
// converters by its description, opens it at 19200 baud, sends it its one
// command "X", reads what it reports and, after a read error, pauses and
// searches again.  Every step goes to the event log and the operator's status
// bar through the LinkHost.
//
// Who calls it: the communication thread's poll loop (and tests), on one
// thread at a time.  It never touches a window: status texts and cursors go
// to the host, which carries them to the main thread.
#include "D2XXUnit.h"

#include <QByteArray>
#include <QString>

class LinkHost;

class ModuleLink {
public:
    static constexpr int BaudRate = 19200;
    static constexpr uint32_t ReadTimeoutMs = 10;
    static constexpr uint32_t WriteTimeoutMs = 10;
    static constexpr uint32_t ResponseLimit = 500;
    static constexpr int ReconnectPauseMs = 2000;
    static constexpr int AfterReconnectPauseMs = 150;
    static QString ModuleDescription() { return QStringLiteral("KORVEL HUB"); }

    ModuleLink(D2XXUnit &device, LinkHost &host) : m_device(device), m_host(host) {}

    // 1 when a module was found and opened, 0 otherwise.
    int USBConnect();
    bool USBOpenDevice(const QString &serial);
    void USBDisconnect();
    void SendFTDICommand();
    // The received bytes (possibly none).  After a read error: none, a pause,
    // a new search and a short pause.
    QByteArray ReadFTDIResponse();

    bool Connected = false;
    D2XXUnit &device() { return m_device; }

private:
    D2XXUnit &m_device;
    LinkHost &m_host;
};

// A listed description as the search compares it: blanks and control
// characters cut off both ends, upper case.
QString NormalizedDescription(const QString &description);
