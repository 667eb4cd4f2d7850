#pragma once
// Where every failed save is told to the operator.  Most saves nobody asked
// for: the data file with its results file after each change, the journal
// after each entry, each retried every few seconds.  A disk that fails for a
// moment fails all of them, again and again; the operator must hear of it
// once, and then see that it lasts.
//
// So failures come in episodes.  The first failure while every file is being
// written shows one box and raises the file's problem (the window's red
// label); every failure after it, of that file or of another, only updates
// the problems; a file's episode ends with its first successful save, and the
// next failure after every episode has ended is told by a box again.  The
// state changes before the box shows, so failures that arrive while the box
// waits for its OK (the writer's thread goes on) are part of the episode.
//
// A save the operator asked for ("&Uložit", "Uložit &jako...", the close, the
// racer page's saves) tells its failure by a box whatever came before.  The
// racer file is also saved by itself, within a second of a change and again
// every few seconds while that fails: such a failure is part of an episode
// like the others.  A failed save the operator asked for keeps no episode
// open: its problem shows until the racer file is saved, but it must not
// silence the next failure of the data file.
#include <QObject>
#include <QString>

#include <array>

class Dialogs;

// What a save writes.  The results file is written by the data file's save,
// in the same write: its failure is the data file's.
enum class SavedFile { DataFile, Journal, RacerFile };

class SaveAlarm : public QObject {
    Q_OBJECT
public:
    // `dialogs` shows the boxes (null: none are shown, the problems still
    // change).
    explicit SaveAlarm(Dialogs *dialogs, QObject *parent = nullptr);

    // A save of `file` failed for `reason` (the system's text).
    void Failed(SavedFile file, const QString &reason, bool asked = false);
    // A save of `file` succeeded: its episode, if any, is over.
    void Succeeded(SavedFile file);
    // Either of them: an empty reason is a success.
    void Report(SavedFile file, const QString &reason);

    // Why `file` is not being saved, or empty.
    QString problem(SavedFile file) const { return m_problems[Index(file)]; }
    // The box's text for a failure of `file`; a racer file saved by itself
    // is named, the operator's own save needs no name.
    static QString MessageText(SavedFile file, const QString &reason, bool asked = true);

signals:
    // `file` stopped being saved (or its reason changed), or, with an empty
    // text, is saved again.
    void problemChanged(SavedFile file, const QString &problem);

private:
    static std::size_t Index(SavedFile file) { return std::size_t(file); }
    // A problem of a file that is saved by itself, again and again.
    bool EpisodeOpen() const;

    Dialogs *m_dialogs;
    std::array<QString, 3> m_problems;
    bool m_told = false;  // the present episode had its box
    bool m_racerEpisode = false;  // the racer file's problem came from a save nobody asked for
};
