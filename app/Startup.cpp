#include "Startup.h"

#include "ManualEntryDialog.h"
#include "ProgramIcon.h"
#include "SpectatorWindow.h"
#include "main.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <utility>

QString ApplicationTitle()
{
    return QStringLiteral("Záznam časů");
}

void SetUpApplication()
{
    // The application name, not its display name: on X11 a display name would
    // be appended to every window caption.
    QCoreApplication::setApplicationName(ApplicationTitle());
    // The desktop entry the installed program is started from: lets the
    // desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("cz.norvanta.tikomat"));
}

bool InstallCzechTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

QString DefaultLogPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/log.txt");
}

TikomatWindows::TikomatWindows() = default;
TikomatWindows::~TikomatWindows() = default;
TikomatWindows::TikomatWindows(TikomatWindows &&) noexcept = default;

TikomatWindows &TikomatWindows::operator=(TikomatWindows &&other) noexcept
{
    // The main window refers to the spectator window: it goes first.
    frmMain.reset();
    frmDisplay = std::move(other.frmDisplay);
    frmMain = std::move(other.frmMain);
    frmTime = std::exchange(other.frmTime, nullptr);
    return *this;
}

TikomatWindows CreateWindows(Dialogs &dialogs, const QString &logPath,
                             std::function<std::unique_ptr<RecordStore>(Dialogs &)> makeStore)
{
    TikomatWindows w;
    // Every window of the program carries the program's own icon.
    QApplication::setWindowIcon(ProgramIcon());
    w.frmDisplay = std::make_unique<SpectatorWindow>();
    w.frmMain = std::make_unique<TfrmMain>(dialogs, logPath, w.frmDisplay.get(), std::move(makeStore));
    if (!w.frmMain->HasStore())
        return w;
    w.frmTime = new ManualEntryDialog(w.frmMain.get());
    w.frmTime->hide();
    w.frmMain->SetManualEntryDialog(w.frmTime);
    return w;
}
