#pragma once
// A timing desk, its store, the manual entry and the journal, wired as the
// main window wires them, in a folder of its own (the temporary folder must
// have been pointed there).  The recovery tests and the scripted race that the
// crash test kills both use it.
#include "BackgroundWriter.h"
#include "Dialogs.h"
#include "JournalKeeper.h"
#include "JournalRecovery.h"
#include "ManualEntry.h"
#include "RaceSheetStore.h"
#include "TimingDesk.h"
#include "RecordStore.h"

#include <QDir>

struct JournalRace {
    // `queue` takes the saves instead of the race's own background writer.
    explicit JournalRace(Dialogs &dialogs, SaveQueue *queue = nullptr);
    ~JournalRace();

    RecoveryTarget Target();
    // What the program does at its start.
    void RecoverAtStart();
    // A module stamp: journalled as read, then handed to the desk.
    void ModuleStamp(JournalList list, DayTime t);
    // Types the number and presses Vlož.
    void Insert(int number);

    Dialogs &dialogs;
    BackgroundWriter writer;  // outlives the store, which waits for it
    RecordStore data;
    JournalKeeper keeper;
    TimingDesk desk;
    ManualEntry manual;
    RaceSheetStore sheet;
};

// Answers every question with `yes`, every file dialog with `savePath`
// (nothing: cancelled); counts messages.
class AnsweringDialogs : public Dialogs {
public:
    bool yes = true;
    std::optional<QString> savePath;
    QStringList messages;
    int questions = 0;

    void message(const QString &text, MsgIcon, const QString &) override { messages << text; }
    bool question(const QString &, const QString &, MsgIcon) override
    {
        ++questions;
        return yes;
    }
    std::optional<QString> openFile(const FileRequest &) override { return savePath; }
    std::optional<QString> saveFile(const FileRequest &) override { return savePath; }
};
