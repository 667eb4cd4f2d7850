// The serial backend on a pseudo-terminal: listing, opening by serial number,
// bytes both ways, and the statuses its failures map to.
#include "ModuleEmulator.h"
#include "QtSerialBackend.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SerialBackend : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(emulator.ok()) << emulator.error();
        ASSERT_TRUE(dir.isValid());
        // A stable name, as udev gives a converter; it goes when the converter goes.
        path = dir.filePath(QStringLiteral("module"));
        ASSERT_TRUE(QFile::link(QString::fromStdString(emulator.portPath()), path));
        gone = dir.filePath(QStringLiteral("gone"));
        backend = std::make_unique<QtSerialBackend>(
            QList<SerialPortEntry>{{gone, "Gone", gone}, {path, " korvel hub ", path}});
    }
    ModuleEmulator emulator;
    QTemporaryDir dir;
    QString path;
    QString gone;
    std::unique_ptr<QtSerialBackend> backend;
};

TEST_F(SerialBackend, ExtraPortsAreListedAfterTheSystemsOwn)
{
    uint32_t count = 0;
    ASSERT_EQ(backend->ListCount(count), uint32_t(FT_OK));
    const uint32_t system = uint32_t(QtSerialBackend::SystemPorts().size());
    ASSERT_EQ(count, system + 2);
    QString text;
    EXPECT_EQ(backend->ListDescription(system + 1, text), uint32_t(FT_OK));
    EXPECT_EQ(text, " korvel hub ");
    EXPECT_EQ(backend->ListSerialNumber(system + 1, text), uint32_t(FT_OK));
    EXPECT_EQ(text, path);
    EXPECT_EQ(backend->ListDescription(count, text), uint32_t(FT_DEVICE_NOT_FOUND));
}

TEST_F(SerialBackend, BytesBothWaysReturningAsSoonAsTheyArrive)
{
    uintptr_t handle = 0;
    ASSERT_EQ(backend->OpenBySerialNumber(path, handle), uint32_t(FT_OK));
    EXPECT_EQ(backend->SetBaudRate(handle, 19200), uint32_t(FT_OK));
    EXPECT_EQ(backend->SetTimeouts(handle, 10, 10), uint32_t(FT_OK));

    char buffer[500];
    uint32_t n = 99;
    EXPECT_EQ(backend->Read(handle, buffer, 500, n), uint32_t(FT_OK));
    EXPECT_EQ(n, 0u);  // nothing came within the time-out

    emulator.Send('B');
    emulator.Send('\n');
    std::string got;
    for (int i = 0; i < 50 && got.size() < 2; ++i) {
        ASSERT_EQ(backend->Read(handle, buffer, 500, n), uint32_t(FT_OK));
        got.append(buffer, n);
    }
    EXPECT_EQ(got, "B\n");

    uint32_t written = 0;
    EXPECT_EQ(backend->Write(handle, "X", 1, written), uint32_t(FT_OK));
    EXPECT_EQ(written, 1u);
    for (int i = 0; i < 50 && emulator.Received().empty(); ++i)
        backend->Read(handle, buffer, 500, n);
    EXPECT_EQ(emulator.Received(), "X");

    EXPECT_EQ(backend->Close(handle), uint32_t(FT_OK));
    EXPECT_EQ(backend->Read(handle, buffer, 500, n), uint32_t(FT_INVALID_HANDLE));
    EXPECT_EQ(backend->Close(handle), uint32_t(FT_INVALID_HANDLE));
}

TEST_F(SerialBackend, FailuresMapOntoTheStatuses)
{
    uintptr_t handle = 0;
    EXPECT_EQ(backend->OpenBySerialNumber(QStringLiteral("no such serial"), handle), uint32_t(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(backend->OpenBySerialNumber(gone, handle), uint32_t(FT_DEVICE_NOT_FOUND));
    QFile file(gone);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));  // there, but no terminal
    file.close();
    EXPECT_EQ(backend->OpenBySerialNumber(gone, handle), uint32_t(FT_DEVICE_NOT_OPENED));

    ASSERT_EQ(backend->OpenBySerialNumber(path, handle), uint32_t(FT_OK));
    emulator.Close();  // unplugged
    QFile::remove(path);
    char buffer[500];
    uint32_t n = 0;
    uint32_t status = FT_OK;
    for (int i = 0; i < 20 && status == FT_OK; ++i)
        status = backend->Read(handle, buffer, 500, n);
    EXPECT_EQ(status, uint32_t(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(backend->Close(handle), uint32_t(FT_OK));
}

}  // namespace
