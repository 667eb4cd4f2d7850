#include "PublishSettings.h"

#include "QuotedInput.h"

#include <QSettings>

PublishSettings PublishSettings::Load()
{
    QSettings store(QStringLiteral("Tikomat"), QStringLiteral("Tikomat"));
    PublishSettings s;
    s.target = store.value(QStringLiteral("publish/target")).toString().trimmed();
    s.live = store.value(QStringLiteral("publish/live"), false).toBool();
    bool ok = false;
    const int interval = store.value(QStringLiteral("publish/interval"), DefaultIntervalSeconds).toInt(&ok);
    s.intervalSeconds = ok && interval >= LeastIntervalSeconds && interval <= LongestIntervalSeconds
                            ? interval
                            : DefaultIntervalSeconds;
    return s;
}

void PublishSettings::Save() const
{
    QSettings store(QStringLiteral("Tikomat"), QStringLiteral("Tikomat"));
    store.setValue(QStringLiteral("publish/target"), target);
    store.setValue(QStringLiteral("publish/live"), live);
    store.setValue(QStringLiteral("publish/interval"), intervalSeconds);
}

QString TargetProblem(const QString &target)
{
    const QString t = target.trimmed();
    if (t.isEmpty())
        return QStringLiteral("Zadejte cíl: složku nebo úložiště rclone (název:cesta).");
    for (const QChar c : t)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("Cíl nesmí obsahovat řídicí znaky.");
    if (t.startsWith(u'/'))
        return {};
    // rclone's remotes: "name:path", or ":backend,options:path".
    const qsizetype colon = t.indexOf(u':');
    if (colon > 0 || t.startsWith(u':'))
        return {};
    return QStringLiteral("Cíl „%1“ není celá cesta ke složce (začíná znakem /) ani úložiště rclone ve tvaru "
                          "název:cesta.")
        .arg(QuotedInput(t));
}
