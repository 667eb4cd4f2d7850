#pragma once
// Test doubles for the module link: a backend that replays devices, reads and
// failures and records what was asked of it, and a host that records, in
// order, everything the link tells the program.
#include "D2XXUnit.h"
#include "DayTime.h"
#include "LinkHost.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>
#include <map>
#include <vector>

class ScriptedBackend : public FTBackend {
public:
    struct Device {
        QString description;
        QString serial;
    };
    struct ReadResult {
        uint32_t status = FT_OK;
        QByteArray bytes;
    };

    std::vector<Device> devices;
    std::deque<ReadResult> reads;      // replayed in order; then empty reads
    std::map<QString, uint32_t> fail;  // operation ("Open", "Baud", "Write", ...) -> status
    QStringList opened;                // serial numbers asked to open
    std::vector<QByteArray> writes;    // every write, as one piece each
    int closes = 0;
    uintptr_t openHandle = 0;

    uint32_t ListCount(uint32_t &count) override
    {
        return Fails("Count", [&] { count = uint32_t(devices.size()); });
    }
    uint32_t ListDescription(uint32_t i, QString &text) override
    {
        return Fails("Description", [&] { text = devices.at(i).description; });
    }
    uint32_t ListSerialNumber(uint32_t i, QString &text) override
    {
        return Fails("Serial", [&] { text = devices.at(i).serial; });
    }
    uint32_t OpenBySerialNumber(const QString &serial, uintptr_t &handle) override
    {
        opened << serial;
        return Fails("Open", [&] { handle = openHandle = 7; });
    }
    uint32_t Close(uintptr_t handle) override
    {
        ++closes;
        if (handle == 0 || handle != openHandle)
            return FT_INVALID_HANDLE;
        openHandle = 0;
        return FT_OK;
    }
    uint32_t SetBaudRate(uintptr_t handle, uint32_t baud) override
    {
        lastBaud = baud;
        return Open(handle) ? Fails("Baud", [] {}) : FT_INVALID_HANDLE;
    }
    uint32_t SetTimeouts(uintptr_t handle, uint32_t, uint32_t) override
    {
        return Open(handle) ? Fails("Timeouts", [] {}) : FT_INVALID_HANDLE;
    }
    uint32_t Write(uintptr_t handle, const char *data, uint32_t n, uint32_t &written) override
    {
        written = 0;
        if (!Open(handle))
            return FT_INVALID_HANDLE;
        writes.emplace_back(data, qsizetype(n));
        return Fails("Write", [&] { written = n; });
    }
    uint32_t Read(uintptr_t handle, char *buffer, uint32_t n, uint32_t &received) override
    {
        received = 0;
        if (!Open(handle))
            return FT_INVALID_HANDLE;
        if (reads.empty())
            return FT_OK;
        const ReadResult next = reads.front();
        reads.pop_front();
        received = std::min<uint32_t>(n, uint32_t(next.bytes.size()));
        std::copy_n(next.bytes.constData(), received, buffer);
        return next.status;
    }

    uint32_t lastBaud = 0;

private:
    bool Open(uintptr_t handle) const { return handle != 0 && handle == openHandle; }
    template <class F>
    uint32_t Fails(const char *operation, F succeed)
    {
        const auto it = fail.find(QLatin1String(operation));
        if (it != fail.end() && it->second != FT_OK)
            return it->second;
        succeed();
        return FT_OK;
    }
};

// Everything the link reports, one line per event: "log: ...", "status: ...",
// "cursor: wait", "start: 10:00:00,123", "finish: ...", "pause: 2000".
class RecordingHost : public LinkHost {
public:
    QStringList events;

    void Log(const QString &message) override { events << QStringLiteral("log: ") + message; }
    void ShowStatus(const QString &text) override { events << QStringLiteral("status: ") + text; }
    void SetCursor(LinkCursor cursor) override
    {
        static const char *const names[] = {"default", "wait", "background"};
        events << QStringLiteral("cursor: ") + QLatin1String(names[int(cursor)]);
    }
    void PostStartImpulse(DayTime stamp) override { events << QStringLiteral("start: ") + DayTimeToText(stamp); }
    void PostFinishImpulse(DayTime stamp) override { events << QStringLiteral("finish: ") + DayTimeToText(stamp); }
    void Pause(int ms) override { events << QStringLiteral("pause: %1").arg(ms); }

    // The events of one kind ("log", "status" ...), without their prefix.
    QStringList Of(const QString &kind) const
    {
        QStringList out;
        const QString prefix = kind + QStringLiteral(": ");
        for (const QString &e : events)
            if (e.startsWith(prefix))
                out << e.mid(prefix.size());
        return out;
    }
};
