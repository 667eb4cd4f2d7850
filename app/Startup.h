#pragma once
// Program start: the application's title, its Czech texts and its three
// windows, created in the order the main window relies on.
#include <QString>
#include <functional>
#include <memory>

class Dialogs;
class QCoreApplication;
class RecordStore;
class SpectatorWindow;
class TfrmMain;
class ManualEntryDialog;

// The title the task bar shows; also the title of boxes given no title.
QString ApplicationTitle();

// Sets the application's title.
void SetUpApplication();

// Loads Qt's own Czech texts (standard buttons "Ano", "Ne", "Zrušit" ...),
// whatever the user's locale is.  False when the translation is missing.
bool InstallCzechTranslations(QCoreApplication &app);

// "log.txt" in the executable's folder.
QString DefaultLogPath();

struct TikomatWindows {
    std::unique_ptr<SpectatorWindow> frmDisplay;
    std::unique_ptr<TfrmMain> frmMain;     // destroyed before the spectator window
    ManualEntryDialog *frmTime = nullptr;  // owned by frmMain

    TikomatWindows();
    ~TikomatWindows();
    TikomatWindows(TikomatWindows &&) noexcept;
    TikomatWindows &operator=(TikomatWindows &&) noexcept;
};

// Creates the spectator window (hidden), the main window and the manual entry
// dialog (hidden), in this order.  When the main window could not create its
// record store, frmTime stays null and the program is to end.
// `makeStore` replaces the plain record store (tests).
TikomatWindows CreateWindows(Dialogs &dialogs, const QString &logPath,
                             std::function<std::unique_ptr<RecordStore>(Dialogs &)> makeStore = {});
