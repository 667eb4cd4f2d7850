#pragma once
// The converters as Linux shows them: serial ports of the kernel's USB serial
// drivers (/dev/ttyUSB* for the FTDI chip), listed with their USB product
// string as the description and their USB serial number, opened through Qt
// SerialPort.  Ports named in TIKOMAT_EXTRA_PORTS (a module emulator on a
// pseudo-terminal, for instance) are listed after them, with their path as
// the serial number.
//
// Who calls it: D2XXUnit, on the communication thread; every port is created,
// used and closed on that one thread.  Qt's port errors are mapped onto the
// layer's statuses: port gone 2, cannot open or no permission 3, read or
// write error 4.  It must never block longer than the time-outs it was given.
#include "D2XXUnit.h"

#include <QList>
#include <QSerialPort>
#include <QString>
#include <map>
#include <memory>

struct SerialPortEntry {
    QString path;         // what is opened
    QString description;  // the USB product string
    QString serialNumber;
};

// "path=description" entries separated by ";"; blanks around the parts are
// dropped, entries without a path are skipped.  The serial number is the path.
QList<SerialPortEntry> ParseExtraPorts(const QString &text);

// The environment variable that names extra ports.
inline constexpr char ExtraPortsVariable[] = "TIKOMAT_EXTRA_PORTS";

class QtSerialBackend : public FTBackend {
public:
    // `extraPorts` are listed after the system's converters.
    explicit QtSerialBackend(QList<SerialPortEntry> extraPorts = {});
    ~QtSerialBackend() override;

    // The backend for the running program: the system's converters plus the
    // ports of TIKOMAT_EXTRA_PORTS (the one place that reads it).
    static std::unique_ptr<QtSerialBackend> FromEnvironment();

    // The system's USB serial ports, as listed now.
    static QList<SerialPortEntry> SystemPorts();

    uint32_t ListCount(uint32_t &count) override;
    uint32_t ListDescription(uint32_t index, QString &text) override;
    uint32_t ListSerialNumber(uint32_t index, QString &text) override;
    uint32_t OpenBySerialNumber(const QString &serial, uintptr_t &handle) override;
    uint32_t Close(uintptr_t handle) override;
    uint32_t SetBaudRate(uintptr_t handle, uint32_t baud) override;
    uint32_t SetTimeouts(uintptr_t handle, uint32_t readMs, uint32_t writeMs) override;
    uint32_t Write(uintptr_t handle, const char *data, uint32_t n, uint32_t &written) override;
    uint32_t Read(uintptr_t handle, char *buffer, uint32_t n, uint32_t &received) override;

private:
    struct OpenPort;
    OpenPort *Find(uintptr_t handle);
    uint32_t Failed(OpenPort &open, QSerialPort::SerialPortError error);
    QList<SerialPortEntry> Ports() const;

    QList<SerialPortEntry> m_extra;
    QList<SerialPortEntry> m_listed;  // as the last ListCount saw them
    std::map<uintptr_t, std::unique_ptr<OpenPort>> m_open;
    uintptr_t m_nextHandle = 1;
};
