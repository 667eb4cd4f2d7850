#include "D2XXUnit.h"

#include "Cp1250.h"

#include <algorithm>
#include <cstring>

QString FTErrorTextFor(const QString &operation, uint32_t status)
{
    static const char *const suffixes[] = {
        " - Invalid Handle...",   " - Device Not Found....",      " - Device Not Opened...",
        " - General IO Error...", " - Insufficient Resources...", " - Invalid Parameter ...",
    };
    if (status < 1 || status > 6)
        return QString();
    return operation + QLatin1String(suffixes[status - 1]);
}

D2XXUnit::D2XXUnit(std::unique_ptr<FTBackend> backend) : m_backend(std::move(backend)) {}

void D2XXUnit::SetFTError(const QString &operation, uint32_t status)
{
    FTErrorText = FTErrorTextFor(operation, status);
}

uint32_t D2XXUnit::Checked(uint32_t status, const char *operation)
{
    if (status != FT_OK)
        SetFTError(QLatin1String(operation), status);
    return status;
}

uint32_t D2XXUnit::Listed(uint32_t status, const QString &text, const char *operation)
{
    if (status != FT_OK)
        return Checked(status, operation);
    // The text goes through the byte buffer as the library would leave it
    // there: single bytes, cut to the buffer, zero-terminated; it is read back
    // up to its 49th byte.
    const QByteArray bytes = ToCp1250(text);
    const auto stored = std::min<qsizetype>(bytes.size(), ListBufferSize - 1);
    std::memcpy(FTListBuffer.data(), bytes.constData(), size_t(stored));
    FTListBuffer[size_t(stored)] = '\0';
    const auto used = qsizetype(strnlen(FTListBuffer.data(), ListTextLimit));
    FTListText = FromCp1250(QByteArrayView(FTListBuffer.data(), used));
    return status;
}

uint32_t D2XXUnit::GetFTDeviceCount()
{
    return Checked(m_backend->ListCount(FTDeviceCount), "GetFTDeviceCount");
}

uint32_t D2XXUnit::GetFTDeviceSerialNo(uint32_t index)
{
    QString text;
    const uint32_t status = m_backend->ListSerialNumber(index, text);
    return Listed(status, text, "GetFTDeviceSerialNo");
}

uint32_t D2XXUnit::GetFTDeviceDescription(uint32_t index)
{
    QString text;
    const uint32_t status = m_backend->ListDescription(index, text);
    return Listed(status, text, "GetFTDeviceDescription");
}

uint32_t D2XXUnit::Open_USB_Device_By_Serial_Number(const QString &serial)
{
    const QByteArray bytes = ToCp1250(serial).left(ListTextLimit);
    std::memcpy(FTListBuffer.data(), bytes.constData(), size_t(bytes.size()));
    FTListBuffer[size_t(bytes.size())] = '\0';
    const QString cut = FromCp1250(QByteArrayView(FTListBuffer.data(), bytes.size()));
    return Checked(m_backend->OpenBySerialNumber(cut, FTHandle), "Open_USB_Device_By_Serial_Number");
}

uint32_t D2XXUnit::CloseFTDevice()
{
    return Checked(m_backend->Close(FTHandle), "FT_Close");
}

uint32_t D2XXUnit::SetFTDeviceBaudRate()
{
    return Checked(m_backend->SetBaudRate(FTHandle, uint32_t(FTBaudRate)), "FT_SetBaudRate");
}

uint32_t D2XXUnit::SetFTDeviceTimeouts(uint32_t readMs, uint32_t writeMs)
{
    return Checked(m_backend->SetTimeouts(FTHandle, readMs, writeMs), "FT_SetTimeouts");
}

uint32_t D2XXUnit::WriteFTDevice(uint32_t n)
{
    uint32_t written = 0;
    Checked(m_backend->Write(FTHandle, FTWriteBuffer.data(), std::min<uint32_t>(n, BufferSize), written), "FT_Write");
    return written;
}

uint32_t D2XXUnit::ReadFTDevice(uint32_t n)
{
    uint32_t received = 0;
    Checked(m_backend->Read(FTHandle, FTReadBuffer.data(), std::min<uint32_t>(n, BufferSize), received), "FT_Read");
    return received;
}
