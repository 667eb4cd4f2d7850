#pragma once
// The one door through which the program asks the operator something.
// Production shows real Qt boxes (app/QtDialogs); tests queue answers.
#include "ProgressTask.h"

#include <QString>
#include <QStringList>
#include <optional>

class QPagedPaintDevice;

enum class MsgIcon { None, Information, Warning, Critical, Question };

struct FileRequest {
    QString title;
    // Filter in the "Text (*.a)|*.a|Text (*.*)|*.*" form; the Qt layer converts it.
    QString filter;
    // Appended when the operator types a name without an extension ("csvz").
    QString defaultSuffix;
    // File the dialog proposes (may be empty).
    QString proposedPath;
};

// Pages to print: the results on paper.  The preview draws them once to show
// them and again on the printer the operator prints to.
class PrintJob {
public:
    virtual ~PrintJob() = default;
    // The preview's title.
    virtual QString title() const = 0;
    // Sets the page (size, orientation, margins) of a printer nobody has set up yet.
    virtual void setUpPage(QPagedPaintDevice &device) = 0;
    // Draws every page on device; false when the device refuses.
    virtual bool print(QPagedPaintDevice &device) = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A plain box with one OK button.  An empty title means the program's title.
    virtual void message(const QString &text, MsgIcon icon = MsgIcon::None, const QString &title = {}) = 0;
    // A Yes/No box; true on Yes.  An empty title means the program's title.
    virtual bool question(const QString &title, const QString &text, MsgIcon icon) = 0;
    // A question answered by one of `buttons`, named as they read ("Aktualizovat",
    // "Přeskočit", "Storno"); returns the index of the one pressed.  The last
    // button must be the one that changes nothing: Esc and closing the box
    // press it, and so does a box that cannot ask anybody (this default).
    virtual int choose(const QString &title, const QString &text, MsgIcon icon, const QStringList &buttons)
    {
        Q_UNUSED(title);
        Q_UNUSED(text);
        Q_UNUSED(icon);
        return int(buttons.size()) - 1;
    }
    // A line of text typed by the operator, `text` offered to begin with;
    // nothing when the operator cancels, as a box that cannot ask anybody
    // (this default) does.
    virtual std::optional<QString> askText(const QString &title, const QString &label, const QString &text)
    {
        Q_UNUSED(title);
        Q_UNUSED(label);
        Q_UNUSED(text);
        return std::nullopt;
    }
    // The chosen path, or nothing when the operator cancels.
    virtual std::optional<QString> openFile(const FileRequest &request) = 0;
    virtual std::optional<QString> saveFile(const FileRequest &request) = 0;
    // Runs the task while showing `text` and how far it got, with a button
    // that cancels it.  False when the operator cancelled; the task has
    // stopped either way.  Without a window there is nothing to show: the
    // task simply runs.
    virtual bool progress(const QString &text, ProgressTask &task)
    {
        Q_UNUSED(text);
        task.run();
        return !task.cancelRequested();
    }
    // Shows the job's pages in a print preview, from which the operator
    // prints them.  Returns why nothing can be printed here (no printer is
    // set up), or an empty text.
    virtual QString printPreview(PrintJob &job)
    {
        Q_UNUSED(job);
        return QStringLiteral("tisk zde není k dispozici");
    }
};
