#include "ResultsSnapshot.h"

#include "ResultsLists.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

std::shared_ptr<const ResultsSnapshot> ResultsSnapshot::Take(const ResultsListModel &results, const QString &caption,
                                                             bool showRunningTime, DayTime lastStartTime,
                                                             uint64_t version)
{
    auto snapshot = std::make_shared<ResultsSnapshot>();
    snapshot->caption = caption.isEmpty() ? QStringLiteral("Tikomat") : caption;
    snapshot->showRunningTime = showRunningTime;
    snapshot->lastStartTime = lastStartTime;
    snapshot->version = version;
    snapshot->rows = results.rows();
    // The records stay with the desk: the server thread must never reach them.
    for (ResultRow &row : snapshot->rows)
        row.record.reset();
    return snapshot;
}

QByteArray ResultsJson(const ResultsSnapshot &snapshot, DayTime serverTime)
{
    QJsonArray rows;
    int rank = 0;
    for (const ResultRow &r : snapshot.rows) {
        QJsonObject row;
        row.insert(QStringLiteral("rank"), ++rank);
        row.insert(QStringLiteral("number"), r.number);
        row.insert(QStringLiteral("racer"), r.caption);
        row.insert(QStringLiteral("laps"), r.lap);
        row.insert(QStringLiteral("time"), r.penalizedText());
        row.insert(QStringLiteral("timeMs"), qint64(r.penalized));
        row.insert(QStringLiteral("penalty"), r.penalty);
        row.insert(QStringLiteral("note"), r.noteText());
        rows.append(row);
    }
    QJsonObject root;
    root.insert(QStringLiteral("caption"), snapshot.caption);
    root.insert(QStringLiteral("showRunningTime"), snapshot.showRunningTime);
    root.insert(QStringLiteral("lastStartMs"),
                snapshot.lastStartTime > 0 ? QJsonValue(qint64(snapshot.lastStartTime)) : QJsonValue());
    root.insert(QStringLiteral("lastStart"), snapshot.lastStartTime > 0
                                                 ? QJsonValue(DayTimeToText(snapshot.lastStartTime))
                                                 : QJsonValue());
    root.insert(QStringLiteral("serverTimeMs"), qint64(serverTime));
    root.insert(QStringLiteral("version"), qint64(snapshot.version));
    root.insert(QStringLiteral("rows"), rows);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}
