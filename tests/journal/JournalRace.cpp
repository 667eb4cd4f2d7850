#include "JournalRace.h"

#include <QFileInfo>

JournalRace::JournalRace(Dialogs &d, SaveQueue *queue)
    : dialogs(d), data(&d), keeper(), desk(data, d, nullptr), manual(data, d), sheet(&d)
{
    sheet.setJournal(&keeper);
    desk.SetSheet(&sheet);
    data.SetSaveQueue(queue ? queue : &writer);
    keeper.SetIndexFolder(QFileInfo(data.FileName).path());
    keeper.currentRows = [this] { return desk.JournalRows(); };
    desk.SetJournal(&keeper);
    data.SetJournal(&keeper);
    keeper.currentRecords = [this] { return JournalKeeper::RecordEntries(data.records()); };
    QObject::connect(&data, &RecordStore::saveHandedOver, &keeper, &JournalKeeper::Saving);
    QObject::connect(&data, &RecordStore::saveWritten, &keeper, &JournalKeeper::Saved);
    QObject::connect(&desk, &TimingDesk::dataFileReplaced, [this](bool opened) {
        if (opened) {
            RecoveryTarget target = Target();
            RecoverOpened(target);
        } else {
            keeper.Begin(data.FileName);
        }
    });
    desk.settings().filterIndex = 0;
    keeper.Begin(data.FileName);
}

JournalRace::~JournalRace()
{
    data.WaitForWrites();
    data.disconnect();
}

RecoveryTarget JournalRace::Target()
{
    return RecoveryTarget{data, dialogs, keeper, &desk, &sheet};
}

void JournalRace::RecoverAtStart()
{
    RecoveryTarget target = Target();
    ::RecoverAtStart(target, QFileInfo(keeper.path()).path());
}

void JournalRace::ModuleStamp(JournalList list, DayTime t)
{
    keeper.StampRead(list, t);
    if (list == JournalList::Start)
        desk.PostStartImpulse(t);
    else
        desk.PostFinishImpulse(t);
}

void JournalRace::Insert(int number)
{
    for (QChar c : QString::number(number))
        desk.pressKey(QString(c));
    desk.insert();
}
