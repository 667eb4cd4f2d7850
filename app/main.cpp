// tikomat: the race-timing recorder.  Takes no command-line arguments.
#include "QtDialogs.h"
#include "Startup.h"
#include "main.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SetUpApplication();
    InstallCzechTranslations(app);

    QtDialogs dialogs;
    TikomatWindows windows = CreateWindows(dialogs, DefaultLogPath());
    if (!windows.frmMain->HasStore())
        return 1;  // the reason has been shown; the window logs its end on the way out

    windows.frmMain->RecoverJournal();
    windows.frmMain->ShowAsLastClosed();
    return app.exec();
}
