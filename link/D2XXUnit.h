#pragma once
// The device access layer: one operation per call the module link makes on
// the USB serial converter, the fixed buffers those calls use, and the one
// pending error text that every failing call leaves behind.
//
// Who calls it: ModuleLink only, on one thread at a time (the communication
// thread, or a test).  What does the work: an FTBackend (QtSerialBackend on
// Linux, a scripted one in the tests).  It must never show anything, log, or
// throw: every failure is a status plus, for statuses 1 to 6, FTErrorText.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

// The statuses the layer speaks; a backend maps its own errors onto them.
enum FTStatus : uint32_t {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
};

// What talks to the converters.  Handles are positive numbers chosen by the
// backend; a call on a handle that is not open answers FT_INVALID_HANDLE.
class FTBackend {
public:
    virtual ~FTBackend() = default;
    virtual uint32_t ListCount(uint32_t &count) = 0;
    // The texts come as the converter reports them, before any cutting.
    virtual uint32_t ListDescription(uint32_t index, QString &text) = 0;
    virtual uint32_t ListSerialNumber(uint32_t index, QString &text) = 0;
    virtual uint32_t OpenBySerialNumber(const QString &serial, uintptr_t &handle) = 0;
    virtual uint32_t Close(uintptr_t handle) = 0;
    virtual uint32_t SetBaudRate(uintptr_t handle, uint32_t baud) = 0;
    virtual uint32_t SetTimeouts(uintptr_t handle, uint32_t readMs, uint32_t writeMs) = 0;
    virtual uint32_t Write(uintptr_t handle, const char *data, uint32_t n, uint32_t &written) = 0;
    // Returns as soon as at least one byte is there, or after the read
    // time-out with none.
    virtual uint32_t Read(uintptr_t handle, char *buffer, uint32_t n, uint32_t &received) = 0;
};

// The error text a failing call leaves: the operation name and one of six
// fixed suffixes; any other status gives "".
QString FTErrorTextFor(const QString &operation, uint32_t status);

class D2XXUnit {
public:
    static constexpr int BufferSize = 32768;
    static constexpr int ListBufferSize = 65;  // descriptions of up to 64 bytes and the zero
    static constexpr int ListTextLimit = 49;   // the 50th byte always ends a text

    explicit D2XXUnit(std::unique_ptr<FTBackend> backend);

    uint32_t GetFTDeviceCount();
    uint32_t GetFTDeviceSerialNo(uint32_t index);
    uint32_t GetFTDeviceDescription(uint32_t index);
    uint32_t Open_USB_Device_By_Serial_Number(const QString &serial);
    uint32_t CloseFTDevice();
    uint32_t SetFTDeviceBaudRate();
    uint32_t SetFTDeviceTimeouts(uint32_t readMs, uint32_t writeMs);
    // Send the first n bytes of FTWriteBuffer; the number of bytes written.
    uint32_t WriteFTDevice(uint32_t n);
    // Read at most n bytes to the start of FTReadBuffer; the number read.
    uint32_t ReadFTDevice(uint32_t n);

    void SetFTError(const QString &operation, uint32_t status);

    uintptr_t FTHandle = 0;
    uint32_t FTDeviceCount = 0;
    std::array<char, ListBufferSize> FTListBuffer{};
    QString FTListText;
    std::array<char, BufferSize> FTReadBuffer{};
    std::array<char, BufferSize> FTWriteBuffer{};
    int32_t FTBaudRate = 0;
    QString FTErrorText;

private:
    uint32_t Listed(uint32_t status, const QString &text, const char *operation);
    uint32_t Checked(uint32_t status, const char *operation);

    std::unique_ptr<FTBackend> m_backend;
};
