// Finding, opening and closing the module: log lines, status texts, cursors.
#include "LinkTestSupport.h"
#include "ModuleLink.h"

#include <gtest/gtest.h>

namespace {

using Devices = std::vector<ScriptedBackend::Device>;

struct Connection {
    explicit Connection(Devices devices)
    {
        auto owned = std::make_unique<ScriptedBackend>();
        backend = owned.get();
        backend->devices = std::move(devices);
        unit = std::make_unique<D2XXUnit>(std::move(owned));
        link = std::make_unique<ModuleLink>(*unit, host);
    }
    ScriptedBackend *backend;
    std::unique_ptr<D2XXUnit> unit;
    RecordingHost host;
    std::unique_ptr<ModuleLink> link;
};

struct ConnectCase {
    const char *name;
    Devices devices;
    std::map<QString, uint32_t> fail;
    int result;
    QStringList opened;
    QStringList log;
    QStringList status;
    QStringList cursor;
};

const QString Searching = QStringLiteral("Připojuji pomocí USB, prosím, čekejte...");
const QString NotFound = QStringLiteral("USB device s description = KORVEL HUB nenalezena!");

TEST(Connect, Scenarios)
{
    const ConnectCase cases[] = {
        {"lower case with blanks and control characters around",
         {{QStringLiteral("  korvel hub \t\r\n"), QStringLiteral("K1")}},
         {},
         1,
         {"K1"},
         {"pripojen k USB device"},
         {Searching, "Připojen."},
         {"wait", "background"}},
        {"another device first",
         {{QStringLiteral(" usb serial "), QStringLiteral("U1")}, {QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}},
         {},
         1,
         {"K1"},
         {"Odlisne zarizeni nalezeno: USB SERIAL", "pripojen k USB device"},
         {Searching, "Připojen."},
         {"wait", "background"}},
        {"two modules: the lower index, the other never mentioned",
         {{QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}, {QStringLiteral("KORVEL HUB"), QStringLiteral("K2")}},
         {},
         1,
         {"K1"},
         {"pripojen k USB device"},
         {Searching, "Připojen."},
         {"wait", "background"}},
        {"no device at all", {}, {}, 0, {}, {NotFound}, {Searching, "Připojení selhalo."}, {"wait", "default"}},
        {"only other devices",
         {{QStringLiteral("FT232R USB UART"), QStringLiteral("A1")}},
         {},
         0,
         {},
         {"Odlisne zarizeni nalezeno: FT232R USB UART", NotFound},
         {Searching, "Připojení selhalo."},
         {"wait", "default"}},
        {"the module cannot be opened",
         {{QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}},
         {{"Open", FT_DEVICE_NOT_OPENED}},
         0,
         {"K1"},
         {"nelze provest pripojeni k USB device"},
         {Searching, "Připojení selhalo."},
         {"wait", "default"}},
        {"the baud rate cannot be set",
         {{QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}},
         {{"Baud", FT_IO_ERROR}},
         0,
         {"K1"},
         {"nelze nastavit baudrate"},
         {Searching, "Připojení selhalo."},
         {"wait", "default"}},
    };
    for (const ConnectCase &c : cases) {
        SCOPED_TRACE(c.name);
        Connection conn(c.devices);
        conn.backend->fail = c.fail;
        EXPECT_EQ(conn.link->USBConnect(), c.result);
        EXPECT_EQ(conn.backend->opened, c.opened);
        EXPECT_EQ(conn.host.Of("log"), c.log);
        EXPECT_EQ(conn.host.Of("status"), c.status);
        EXPECT_EQ(conn.host.Of("cursor"), c.cursor);
    }
}

TEST(Connect, OpensAt19200AndStaysConnectedWhenOnlyTheBaudRateFails)
{
    Connection conn({{QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}});
    conn.backend->fail["Baud"] = FT_IO_ERROR;
    EXPECT_EQ(conn.link->USBConnect(), 0);
    EXPECT_EQ(conn.backend->lastBaud, 19200u);
    EXPECT_TRUE(conn.link->Connected);
    EXPECT_NE(conn.backend->openHandle, 0u);
}

TEST(Connect, ConnectingAgainClosesFirstThenSearches)
{
    Connection conn({{QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}});
    ASSERT_EQ(conn.link->USBConnect(), 1);
    conn.host.events.clear();
    EXPECT_EQ(conn.link->USBConnect(), 1);
    EXPECT_EQ(conn.host.events,
              QStringList({"status: " + Searching, "log: USBConnect: jiz byl pripojen k USB device, odpojuji...",
                           "log: USBDisconnect: odpojuji...", "status: Odpojuji...", "status: Odpojen.", "cursor: wait",
                           "log: pripojen k USB device", "cursor: background", "status: Připojen."}));
    EXPECT_EQ(conn.backend->closes, 1);
}

TEST(Connect, DisconnectClosesEvenWhenNothingIsOpenAndLeavesTheCursor)
{
    Connection conn({});
    conn.link->USBDisconnect();
    EXPECT_EQ(conn.host.events,
              QStringList({"log: USBDisconnect: odpojuji...", "status: Odpojuji...", "status: Odpojen."}));
    EXPECT_EQ(conn.backend->closes, 1);
    EXPECT_FALSE(conn.link->Connected);
}

TEST(Command, OneWriteOfOneByteAndAFailureIsLoggedButLeftPending)
{
    Connection conn({{QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}});
    ASSERT_EQ(conn.link->USBConnect(), 1);
    conn.link->SendFTDICommand();
    EXPECT_EQ(conn.backend->writes, std::vector<QByteArray>{"X"});

    conn.host.events.clear();
    conn.backend->fail["Write"] = FT_IO_ERROR;
    conn.link->SendFTDICommand();
    EXPECT_EQ(conn.host.events, QStringList({"log: SendFTDICommand: USB chyba FT_Write - General IO Error..."}));
    EXPECT_EQ(conn.unit->FTErrorText, "FT_Write - General IO Error...");
    // The next read starts by clearing it and does not act on it.
    EXPECT_EQ(conn.link->ReadFTDIResponse(), QByteArray());
    EXPECT_EQ(conn.host.events.size(), 1);
}

TEST(Response, ReadErrorPausesReconnectsAndPausesAgain)
{
    Connection conn({{QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}});
    ASSERT_EQ(conn.link->USBConnect(), 1);
    conn.host.events.clear();
    conn.backend->reads = {{FT_OK, "AB\r\n"}, {FT_DEVICE_NOT_FOUND, "C"}, {FT_OK, "D"}};

    EXPECT_EQ(conn.link->ReadFTDIResponse(), QByteArray("AB\r\n"));
    EXPECT_TRUE(conn.host.events.isEmpty());

    EXPECT_EQ(conn.link->ReadFTDIResponse(), QByteArray());
    EXPECT_EQ(conn.host.events,
              QStringList({"log: ReadFTDIResponse: USB chyba FT_Read - Device Not Found....", "pause: 2000",
                           "status: " + Searching, "log: USBConnect: jiz byl pripojen k USB device, odpojuji...",
                           "log: USBDisconnect: odpojuji...", "status: Odpojuji...", "status: Odpojen.", "cursor: wait",
                           "log: pripojen k USB device", "cursor: background", "status: Připojen.", "pause: 150"}));
    EXPECT_EQ(conn.unit->FTErrorText, "");
    EXPECT_EQ(conn.link->ReadFTDIResponse(), QByteArray("D"));
}

}  // namespace
