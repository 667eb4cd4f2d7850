#include "QtSerialBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <cstring>

struct QtSerialBackend::OpenPort {
    QString path;
    std::unique_ptr<QSerialPort> port;
    int readTimeoutMs = 0;
    int writeTimeoutMs = 0;
};

namespace {

// What a failed port call means for the layer.
uint32_t StatusOf(QSerialPort::SerialPortError error, uint32_t otherwise)
{
    switch (error) {
    case QSerialPort::NoError: return FT_OK;
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::ResourceError:  // the converter was unplugged
        return FT_DEVICE_NOT_FOUND;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError: return FT_DEVICE_NOT_OPENED;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError: return FT_IO_ERROR;
    default: return otherwise;
    }
}

// The USB device's own product string, from sysfs, as the chip reports it
// (udev's copy has its blanks turned into underscores).
QString UsbProductString(const QSerialPortInfo &info)
{
    QDir dir(QStringLiteral("/sys/class/tty/%1/device").arg(info.portName()));
    // tty -> usb-serial port -> interface -> USB device; walk up a few levels.
    QString path = dir.canonicalPath();
    for (int level = 0; level < 4 && !path.isEmpty(); ++level) {
        QFile product(path + QStringLiteral("/product"));
        if (product.open(QIODevice::ReadOnly))
            return QString::fromUtf8(product.readAll()).remove(u'\n');
        path = QFileInfo(path).path();
    }
    return info.description();
}

// Lowers the FTDI chip's latency timer to 1 ms so that a few bytes are handed
// on at once instead of after 16 ms; where the system does not allow it
// (another driver, no permission) the port simply stays as it was.
void LowerLatencyTimer(const QString &portName)
{
    QFile timer(QStringLiteral("/sys/bus/usb-serial/devices/%1/latency_timer").arg(portName));
    if (timer.open(QIODevice::WriteOnly))
        timer.write("1");
}

}  // namespace

QList<SerialPortEntry> ParseExtraPorts(const QString &text)
{
    QList<SerialPortEntry> ports;
    for (const QString &entry : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = entry.indexOf(u'=');
        const QString path = (eq < 0 ? entry : entry.left(eq)).trimmed();
        if (path.isEmpty())
            continue;
        const QString description = eq < 0 ? QString() : entry.mid(eq + 1).trimmed();
        ports.append({path, description, path});
    }
    return ports;
}

QtSerialBackend::QtSerialBackend(QList<SerialPortEntry> extraPorts) : m_extra(std::move(extraPorts)) {}

QtSerialBackend::~QtSerialBackend() = default;

std::unique_ptr<QtSerialBackend> QtSerialBackend::FromEnvironment()
{
    return std::make_unique<QtSerialBackend>(ParseExtraPorts(qEnvironmentVariable(ExtraPortsVariable)));
}

QList<SerialPortEntry> QtSerialBackend::SystemPorts()
{
    QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    // Only USB converters; the board's own serial ports are never the module.
    infos.removeIf([](const QSerialPortInfo &info) { return !info.hasVendorIdentifier(); });
    std::sort(infos.begin(), infos.end(),
              [](const QSerialPortInfo &a, const QSerialPortInfo &b) { return a.portName() < b.portName(); });
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo &info : infos) {
        const QString serial = info.serialNumber().isEmpty() ? info.systemLocation() : info.serialNumber();
        ports.append({info.systemLocation(), UsbProductString(info), serial});
    }
    return ports;
}

QList<SerialPortEntry> QtSerialBackend::Ports() const
{
    return SystemPorts() + m_extra;
}

uint32_t QtSerialBackend::ListCount(uint32_t &count)
{
    m_listed = Ports();
    count = uint32_t(m_listed.size());
    return FT_OK;
}

uint32_t QtSerialBackend::ListDescription(uint32_t index, QString &text)
{
    if (index >= uint32_t(m_listed.size()))
        return FT_DEVICE_NOT_FOUND;
    text = m_listed[qsizetype(index)].description;
    return FT_OK;
}

uint32_t QtSerialBackend::ListSerialNumber(uint32_t index, QString &text)
{
    if (index >= uint32_t(m_listed.size()))
        return FT_DEVICE_NOT_FOUND;
    text = m_listed[qsizetype(index)].serialNumber;
    return FT_OK;
}

uint32_t QtSerialBackend::OpenBySerialNumber(const QString &serial, uintptr_t &handle)
{
    const QList<SerialPortEntry> ports = Ports();
    const auto entry = std::find_if(ports.begin(), ports.end(),
                                    [&](const SerialPortEntry &p) { return p.serialNumber == serial; });
    if (entry == ports.end())
        return FT_DEVICE_NOT_FOUND;
    auto open = std::make_unique<OpenPort>();
    open->port = std::make_unique<QSerialPort>();
    open->path = entry->path;
    open->port->setPortName(entry->path);
    if (!open->port->open(QIODevice::ReadWrite))
        return StatusOf(open->port->error(), FT_DEVICE_NOT_OPENED);
    LowerLatencyTimer(QFileInfo(entry->path).fileName());
    handle = m_nextHandle++;
    m_open[handle] = std::move(open);
    return FT_OK;
}

QtSerialBackend::OpenPort *QtSerialBackend::Find(uintptr_t handle)
{
    const auto it = m_open.find(handle);
    return it == m_open.end() ? nullptr : it->second.get();
}

uint32_t QtSerialBackend::Failed(OpenPort &open, QSerialPort::SerialPortError error)
{
    // A converter pulled out takes its device node with it, whatever error
    // the last call happened to see.
    if (!QFileInfo::exists(open.path))
        return FT_DEVICE_NOT_FOUND;
    return StatusOf(error, FT_IO_ERROR);
}

uint32_t QtSerialBackend::Close(uintptr_t handle)
{
    const auto it = m_open.find(handle);
    if (it == m_open.end())
        return FT_INVALID_HANDLE;
    it->second->port->close();
    m_open.erase(it);
    return FT_OK;
}

uint32_t QtSerialBackend::SetBaudRate(uintptr_t handle, uint32_t baud)
{
    OpenPort *open = Find(handle);
    if (!open)
        return FT_INVALID_HANDLE;
    if (open->port->setBaudRate(qint32(baud)))
        return FT_OK;
    const uint32_t status = Failed(*open, open->port->error());
    open->port->clearError();
    return status;
}

uint32_t QtSerialBackend::SetTimeouts(uintptr_t handle, uint32_t readMs, uint32_t writeMs)
{
    OpenPort *open = Find(handle);
    if (!open)
        return FT_INVALID_HANDLE;
    open->readTimeoutMs = int(readMs);
    open->writeTimeoutMs = int(writeMs);
    return FT_OK;
}

uint32_t QtSerialBackend::Write(uintptr_t handle, const char *data, uint32_t n, uint32_t &written)
{
    written = 0;
    OpenPort *open = Find(handle);
    if (!open)
        return FT_INVALID_HANDLE;
    QSerialPort &port = *open->port;
    const qint64 queued = port.write(data, qint64(n));
    if (queued >= 0 && (port.bytesToWrite() == 0 || port.waitForBytesWritten(open->writeTimeoutMs)))
        written = uint32_t(queued - port.bytesToWrite());
    const QSerialPort::SerialPortError error = port.error();
    port.clearError();
    if (queued < 0 || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError))
        return Failed(*open, error);
    return FT_OK;
}

uint32_t QtSerialBackend::Read(uintptr_t handle, char *buffer, uint32_t n, uint32_t &received)
{
    received = 0;
    OpenPort *open = Find(handle);
    if (!open)
        return FT_INVALID_HANDLE;
    QSerialPort &port = *open->port;
    // Back as soon as anything has arrived, so the caller's stamp lies close
    // to the bytes' arrival, not a whole time-out later.
    if (port.bytesAvailable() == 0)
        port.waitForReadyRead(open->readTimeoutMs);
    const qint64 got = port.read(buffer, qint64(n));
    const QSerialPort::SerialPortError error = port.error();
    port.clearError();
    if (got > 0)
        received = uint32_t(got);
    if (got < 0 || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError))
        return Failed(*open, error);
    return FT_OK;
}
