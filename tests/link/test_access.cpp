// The device access layer: error texts, pending errors, the list buffer's
// cut, and the parsing of the extra ports.
#include "D2XXUnit.h"
#include "LinkTestSupport.h"
#include "QtSerialBackend.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorText, OneFixedSuffixPerStatusAndNothingOutsideOneToSix)
{
    const struct {
        uint32_t status;
        const char *text;
    } cases[] = {
        {0, ""},
        {1, "FT_Read - Invalid Handle..."},
        {2, "FT_Read - Device Not Found...."},
        {3, "FT_Read - Device Not Opened..."},
        {4, "FT_Read - General IO Error..."},
        {5, "FT_Read - Insufficient Resources..."},
        {6, "FT_Read - Invalid Parameter ..."},
        {7, ""},
        {18, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FTErrorTextFor(QStringLiteral("FT_Read"), c.status), QLatin1String(c.text)) << c.status;
}

class AccessLayer : public ::testing::Test {
protected:
    AccessLayer()
    {
        auto owned = std::make_unique<ScriptedBackend>();
        backend = owned.get();
        backend->devices = {{QStringLiteral("KORVEL HUB"), QStringLiteral("FT1")}};
        unit = std::make_unique<D2XXUnit>(std::move(owned));
    }
    void Open() { ASSERT_EQ(unit->Open_USB_Device_By_Serial_Number(QStringLiteral("FT1")), FT_OK); }
    ScriptedBackend *backend;
    std::unique_ptr<D2XXUnit> unit;
};

TEST_F(AccessLayer, FailureStaysPendingThroughSuccessesUntilReplaced)
{
    Open();
    backend->reads.push_back({FT_IO_ERROR, {}});
    EXPECT_EQ(unit->ReadFTDevice(500), 0u);
    EXPECT_EQ(unit->FTErrorText, "FT_Read - General IO Error...");

    unit->FTWriteBuffer[0] = 'X';
    EXPECT_EQ(unit->WriteFTDevice(1), 1u);
    EXPECT_EQ(unit->SetFTDeviceTimeouts(10, 10), uint32_t(FT_OK));
    EXPECT_EQ(unit->FTErrorText, "FT_Read - General IO Error...");

    // A status above 6 leaves no text, not even the pending one.
    backend->fail["Baud"] = FT_INVALID_BAUD_RATE;
    unit->FTBaudRate = 19200;
    EXPECT_EQ(unit->SetFTDeviceBaudRate(), uint32_t(FT_INVALID_BAUD_RATE));
    EXPECT_EQ(unit->FTErrorText, "");
}

TEST_F(AccessLayer, CallsOnAClosedDeviceAreInvalidHandles)
{
    EXPECT_EQ(unit->ReadFTDevice(500), 0u);
    EXPECT_EQ(unit->FTErrorText, "FT_Read - Invalid Handle...");
    Open();
    EXPECT_EQ(unit->CloseFTDevice(), uint32_t(FT_OK));
    EXPECT_EQ(unit->CloseFTDevice(), uint32_t(FT_INVALID_HANDLE));
    EXPECT_EQ(unit->FTErrorText, "FT_Close - Invalid Handle...");
}

TEST_F(AccessLayer, ListedTextsAreCutAt49CharactersAndKeptOnFailure)
{
    const QString longName = QString(60, u'S');
    backend->devices = {{longName, longName}, {QStringLiteral("Žluťoučký kůň"), QStringLiteral("2")}};
    EXPECT_EQ(unit->GetFTDeviceDescription(0), uint32_t(FT_OK));
    EXPECT_EQ(unit->FTListText, QString(49, u'S'));
    EXPECT_EQ(unit->GetFTDeviceDescription(1), uint32_t(FT_OK));
    EXPECT_EQ(unit->FTListText, QStringLiteral("Žluťoučký kůň"));

    backend->fail["Serial"] = FT_DEVICE_NOT_FOUND;
    EXPECT_EQ(unit->GetFTDeviceSerialNo(0), uint32_t(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(unit->FTListText, QStringLiteral("Žluťoučký kůň"));
    EXPECT_EQ(unit->FTErrorText, "GetFTDeviceSerialNo - Device Not Found....");
}

TEST_F(AccessLayer, ASerialNumberIsOpenedByItsFirst49Characters)
{
    const QString serial = QStringLiteral("0123456789").repeated(6);
    unit->Open_USB_Device_By_Serial_Number(serial);
    ASSERT_EQ(backend->opened.size(), 1);
    EXPECT_EQ(backend->opened[0], serial.left(49));
}

TEST(ExtraPorts, PathEqualsDescriptionEntriesSeparatedBySemicolons)
{
    const struct {
        const char *text;
        std::vector<std::pair<const char *, const char *>> ports;  // path, description
    } cases[] = {
        {"", {}},
        {"/dev/pts/3=KORVEL HUB", {{"/dev/pts/3", "KORVEL HUB"}}},
        {" /tmp/a = korvel hub ;/tmp/b=Other;", {{"/tmp/a", "korvel hub"}, {"/tmp/b", "Other"}}},
        {";;=nameless;/tmp/c", {{"/tmp/c", ""}}},
        {"/tmp/d=A=B", {{"/tmp/d", "A=B"}}},
    };
    for (const auto &c : cases) {
        const QList<SerialPortEntry> ports = ParseExtraPorts(QString::fromUtf8(c.text));
        ASSERT_EQ(size_t(ports.size()), c.ports.size()) << c.text;
        for (size_t i = 0; i < c.ports.size(); ++i) {
            EXPECT_EQ(ports[qsizetype(i)].path, QLatin1String(c.ports[i].first)) << c.text;
            EXPECT_EQ(ports[qsizetype(i)].description, QLatin1String(c.ports[i].second)) << c.text;
            EXPECT_EQ(ports[qsizetype(i)].serialNumber, ports[qsizetype(i)].path) << c.text;
        }
    }
}

}  // namespace
