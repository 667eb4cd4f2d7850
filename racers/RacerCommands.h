#pragma once
// What the buttons of the racer page do: open, save and save as a racer file,
// import registrations from CSV, delete the current racer after a question,
// and the category walk when the focus leaves the grid.
//
// Called by the racer page's handlers, one call per button; asks the operator
// through Dialogs only.  It never leaves the table half changed: a file that
// cannot be read or imported changes nothing.
#include "SaveAlarm.h"

#include <QObject>
#include <QString>
#include <QStringList>

class Dialogs;
class RacerTable;

class RacerCommands : public QObject {
    Q_OBJECT
public:
    RacerCommands(RacerTable &table, Dialogs &dialogs);

    // "Otevřít...": the file's rows replace the table's, without a question.
    // Does not choose the file "Uložit" writes to.
    void openRacerFile();
    // "Uložit" (saveAs false) and "Uložit jako..." (true).  "Uložit" asks for
    // a name while none has been chosen in the save dialog.
    void saveRacerFile(bool saveAs);
    // "Importovat CSV...": the file's racers after the table's rows.  Start
    // numbers the table has already are listed first, with the choice
    // "Aktualizovat" (their name and category from the file), "Přeskočit"
    // (kept as they are) or "Storno" (nothing imported).
    void importCsv();
    // The navigator's delete: the current row, once the operator agrees.
    void DeleteCurrentRow();
    // The focus left the grid: the categories the list lacks, to be appended
    // to it.  The walk leaves the last row current.
    QStringList finishGridEdit(const QStringList &categoryLines);

    // Where a failed save of the racer file is told (it must outlive the
    // commands); until it is set, an alarm of their own, on their dialogs.
    void SetSaveAlarm(SaveAlarm *alarm) { m_alarm = alarm; }

    // The name the save dialog holds (empty until one is chosen).
    QString saveFileName() const { return m_saveFileName; }

signals:
    // The table was opened from, or saved to, this racer file.
    void racerFileUsed(const QString &path);

private:
    RacerTable &m_table;
    Dialogs &m_dialogs;
    SaveAlarm m_ownAlarm{&m_dialogs};
    SaveAlarm *m_alarm = &m_ownAlarm;
    QString m_saveFileName;
};
