#include "ModuleLink.h"

#include "LinkHost.h"

QString NormalizedDescription(const QString &description)
{
    qsizetype begin = 0;
    qsizetype end = description.size();
    // Blanks and control characters, the same set a trim of single-byte text cuts.
    const auto cut = [](QChar c) { return c.unicode() <= 0x20; };
    while (begin < end && cut(description.at(begin)))
        ++begin;
    while (end > begin && cut(description.at(end - 1)))
        --end;
    return description.mid(begin, end - begin).toUpper();
}

int ModuleLink::USBConnect()
{
    m_host.ShowStatus(QStringLiteral("Připojuji pomocí USB, prosím, čekejte..."));
    if (Connected) {
        m_host.Log(QStringLiteral("USBConnect: jiz byl pripojen k USB device, odpojuji..."));
        USBDisconnect();
    }
    m_host.SetCursor(LinkCursor::Wait);
    // A failing listing call leaves the count and the text as they were.
    m_device.GetFTDeviceCount();
    for (uint32_t i = 0; i < m_device.FTDeviceCount; ++i) {
        m_device.GetFTDeviceDescription(i);
        const QString description = NormalizedDescription(m_device.FTListText);
        if (description == ModuleDescription()) {
            m_device.GetFTDeviceSerialNo(i);
            const bool opened = USBOpenDevice(m_device.FTListText);
            // A module that was found but could not be opened or set up is
            // not polled: the operator is told so rather than "Připojen.".
            m_host.SetCursor(opened ? LinkCursor::Background : LinkCursor::Default);
            m_host.ShowStatus(opened ? QStringLiteral("Připojen.") : QStringLiteral("Připojení selhalo."));
            return opened ? 1 : 0;
        }
        m_host.Log(QStringLiteral("Odlisne zarizeni nalezeno: ") + description);
    }
    m_host.SetCursor(LinkCursor::Default);
    m_host.Log(QStringLiteral("USB device s description = KORVEL HUB nenalezena!"));
    m_host.ShowStatus(QStringLiteral("Připojení selhalo."));
    return 0;
}

bool ModuleLink::USBOpenDevice(const QString &serial)
{
    if (m_device.Open_USB_Device_By_Serial_Number(serial) != FT_OK) {
        m_host.Log(QStringLiteral("nelze provest pripojeni k USB device"));
        return false;
    }
    Connected = true;
    m_device.FTBaudRate = BaudRate;
    if (m_device.SetFTDeviceBaudRate() != FT_OK) {
        // The device stays open; the end of the thread closes it.
        m_host.Log(QStringLiteral("nelze nastavit baudrate"));
        return false;
    }
    m_host.Log(QStringLiteral("pripojen k USB device"));
    return true;
}

void ModuleLink::USBDisconnect()
{
    m_host.Log(QStringLiteral("USBDisconnect: odpojuji..."));
    m_host.ShowStatus(QStringLiteral("Odpojuji..."));
    Connected = false;
    m_device.CloseFTDevice();
    m_host.ShowStatus(QStringLiteral("Odpojen."));
}

void ModuleLink::SendFTDICommand()
{
    m_device.SetFTDeviceTimeouts(ReadTimeoutMs, WriteTimeoutMs);
    m_device.FTWriteBuffer[0] = 'X';
    m_device.WriteFTDevice(1);
    // The text stays pending; the next read clears it.
    if (!m_device.FTErrorText.isEmpty())
        m_host.Log(QStringLiteral("SendFTDICommand: USB chyba ") + m_device.FTErrorText);
}

QByteArray ModuleLink::ReadFTDIResponse()
{
    m_device.FTErrorText.clear();
    m_device.SetFTDeviceTimeouts(ReadTimeoutMs, WriteTimeoutMs);
    const uint32_t n = m_device.ReadFTDevice(ResponseLimit);
    if (m_device.FTErrorText.isEmpty())
        return QByteArray(m_device.FTReadBuffer.data(), qsizetype(n));

    m_host.Log(QStringLiteral("ReadFTDIResponse: USB chyba ") + m_device.FTErrorText);
    m_host.Pause(ReconnectPauseMs);
    USBConnect();  // polling goes on whether the module is back or not
    m_host.Pause(AfterReconnectPauseMs);
    m_device.FTErrorText.clear();
    return QByteArray();
}
