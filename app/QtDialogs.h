#pragma once
// The production side of the Dialogs interface: real Qt message boxes and
// file dialogs, parented to the active window.
#include "Dialogs.h"

class QWidget;

class QtDialogs : public Dialogs {
public:
    void message(const QString &text, MsgIcon icon = MsgIcon::None, const QString &title = {}) override;
    bool question(const QString &title, const QString &text, MsgIcon icon) override;
    int choose(const QString &title, const QString &text, MsgIcon icon, const QStringList &buttons) override;
    std::optional<QString> askText(const QString &title, const QString &label, const QString &text) override;
    std::optional<QString> openFile(const FileRequest &request) override;
    std::optional<QString> saveFile(const FileRequest &request) override;
    // A modal progress dialog with "Zrušit"; the task runs on a thread of its
    // own meanwhile, so the window keeps taking impulses and repainting.
    bool progress(const QString &text, ProgressTask &task) override;
    // Qt's print preview on the system's default printer, A4 as the job sets
    // it up unless the operator changes it there.  Without a printer (none
    // set up, or no printing service) the preview opens all the same, with
    // NoPrinterText and a button "Uložit PDF..." that saves the pages.
    QString printPreview(PrintJob &job) override;

    static QString NoPrinterText();

private:
    // The job's pages into a PDF file the operator chooses, atomically.
    void SaveJobAsPdf(PrintJob &job);
};

// "Text (*.a)|*.a|All (*.*)|*.*" to Qt's "Text (*.a);;All (*.*)".  A
// description that does not already end with its patterns in parentheses gets
// them appended, since Qt reads the patterns from there.
QString ToQtFileFilter(const QString &filter);
