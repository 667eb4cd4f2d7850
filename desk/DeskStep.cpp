#include "DeskStep.h"

QString NumberAndTime(int number, DayTime time)
{
    return QStringLiteral("čísla %1 (%2)").arg(number).arg(DayTimeToText(time));
}

DeskStep DeskStep::inverse() const
{
    DeskStep back;
    back.text = text;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        RowEdit e = *it;
        e.removed = !it->removed;
        // A row put back is no new stamp of the module.
        e.fromModule = false;
        back.rows.push_back(e);
    }
    back.records = records.inverse();
    back.sheet = sheet.inverse();
    return back;
}
