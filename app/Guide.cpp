#include "Guide.h"

#include "Dialogs.h"
#include "QuotedInput.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QString GuideFolder = QStringLiteral("navod");
const QString GuidePage = QStringLiteral("navod.html");

}  // namespace

QStringList GuideCandidates(const QString &programFolder)
{
    const QDir program(programFolder);
    QStringList candidates{
        QDir::cleanPath(program.filePath(GuideFolder + u'/' + GuidePage)),
        QDir::cleanPath(program.filePath(QStringLiteral("../share/tikomat/") + GuideFolder + u'/' + GuidePage)),
    };
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString path = QDir::cleanPath(data + QStringLiteral("/tikomat/") + GuideFolder + u'/' + GuidePage);
        if (!candidates.contains(path))
            candidates << path;
    }
    return candidates;
}

QString FindGuide(const QString &programFolder)
{
    for (const QString &path : GuideCandidates(programFolder))
        if (QFileInfo(path).isFile())
            return path;
    return {};
}

void OpenGuide(Dialogs &dialogs)
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString page = FindGuide(programFolder);
    if (page.isEmpty()) {
        QStringList folders;
        for (const QString &path : GuideCandidates(programFolder))
            folders << QuotedInput(QDir::toNativeSeparators(QFileInfo(path).path()));
        dialogs.message(QStringLiteral("Návod pro obsluhu (%1) nebyl nalezen. Hledal jsem ve složkách:\n%2")
                            .arg(GuidePage, folders.join(u'\n')),
                        MsgIcon::Warning);
        return;
    }
    // xdg-open starts the browser on its own; the program does not wait for it.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        dialogs.message(QStringLiteral("Návod se nepodařilo otevřít v prohlížeči. Otevřete v prohlížeči soubor:\n%1")
                            .arg(QuotedInput(QDir::toNativeSeparators(page))),
                        MsgIcon::Warning);
}
