#pragma once
// A timing desk over a real store, scripted dialogs, a fixed clock and a
// racer directory that names every number, with the callbacks recorded.
#include "Clock.h"
#include "RacerDirectory.h"
#include "ScriptedDialogs.h"
#include "TimingDesk.h"
#include "RecordStore.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

class LabelRacers : public RacerDirectory {
public:
    QString RacerLabel(int number) override { return QStringLiteral("Racer %1").arg(number); }
    QString RacerName(int number) override { return QStringLiteral("Racer %1").arg(number); }
    QString RacerCategory(int) override { return QStringLiteral("A"); }
    std::vector<RacerRow> Rows() override { return {}; }
};

inline DayTime At(int h, int m, int s, int ms = 0)
{
    return h * MsPerHour + m * MsPerMinute + s * MsPerSecond + ms;
}

class DeskFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetClockForTesting([this] { return now; });
        firstTempFile = data.FileName;
        // The lists refresh when the desk asks and when the store tells a change.
        QObject::connect(&desk, &TimingDesk::refreshRequested, [this](int number) { refreshed.push_back(number); });
        QObject::connect(&data, &RecordStore::recordsChanged,
                         [this](const RecordChange &change) { refreshed.push_back(change.selectNumber); });
        QObject::connect(&desk, &TimingDesk::manualEntryHideRequested, [this] { ++hidden; });
    }
    void TearDown() override
    {
        SetClockForTesting({});
        // Temporary names live in the scratch data folder, beside their results
        // files; the store removes only the ones that stayed empty.
        for (const QString &temp : {firstTempFile, data.FileName}) {
            if (temp == firstTempFile || data.Unnamed) {
                QFile::remove(temp);
                QFile::remove(ResultsFileName(temp));
            }
        }
    }

    // A data file the operator has already named, so no Save-as dialog comes.
    QString NameDataFile(const QString &name = QStringLiteral("race.csv"))
    {
        data.FileName = dir.filePath(name);
        data.Unnamed = false;
        return data.FileName;
    }
    void Type(const QString &keys)
    {
        for (QChar key : keys)
            desk.pressKey(QString(key));
    }
    static QStringList Column(const ImpulseListModel &list, bool caption)
    {
        QStringList out;
        for (const auto &row : list.rows())
            out << (caption ? row.caption() : row.valueText());
        return out;
    }
    static QStringList Captions(const ImpulseListModel &list) { return Column(list, true); }
    static QStringList SubItems(const ImpulseListModel &list) { return Column(list, false); }
    // The records as they are on disk, read back through a second store.
    std::vector<TimeRecord> OnDisk(const QString &path)
    {
        ScriptedDialogs quiet;
        RecordStore copy(&quiet);
        const QString temp = copy.FileName;
        EXPECT_TRUE(copy.Load(path)) << path.toStdString();
        QFile::remove(temp);
        std::vector<TimeRecord> out;
        for (const auto &r : copy.records())
            out.push_back(*r);
        return out;
    }
    std::vector<int> StoreNumbers() const
    {
        std::vector<int> out;
        for (const auto &r : data.records())
            out.push_back(r->Number);
        return out;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    LabelRacers racers;
    RecordStore data{&dialogs};
    TimingDesk desk{data, dialogs, &racers};
    DayTime now = At(10, 0, 0);
    QString firstTempFile;
    std::vector<int> refreshed;
    int hidden = 0;
};
