#pragma once
// The group " Zveřejnění na internetu " on the page "Nastavení": where the
// results site goes (a folder, or a remote set up once with `rclone config`),
// "Zveřejňovat během závodu", the least interval between uploads, and
// "Zveřejnit teď" for a final upload, with the publisher's state in its
// status line.  The choices are remembered (PublishSettings); no password is
// ever asked for or kept.
//
// The main window calls Bind once its results lists exist; from then on
// every refresh of the lists is offered to the publisher, which writes and
// sends the site off the window's thread.  Failures go to the status line
// and, as they begin and end, to the event log.  Nothing of the race waits
// for an upload.
#include "Publisher.h"

#include <QGroupBox>
#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class ResultsLists;
class SpectatorWindow;

class PublishControls : public QGroupBox {
    Q_OBJECT
public:
    explicit PublishControls(QWidget *parent = nullptr);

    // display may be null: the site then shows "Tikomat" as its caption.
    void Bind(SpectatorWindow *display, ResultsLists *results);

    // Offers the results as the last refresh left them (after a change of
    // the spectator window's caption or running-time option as well).
    void Offer();

    Publisher &publisher() { return m_publisher; }

private:
    void applyTarget();
    void applyLive();
    void applyInterval();
    void publishNow();
    void saveChoice();
    // A note in the status line instead of the state, until the state
    // changes; a problem is red.
    void say(const QString &note, bool problem = false);
    void showState();
    // The target's problem in the status line; false when there is one.
    bool checkTarget();

    Publisher m_publisher;
    QPointer<SpectatorWindow> m_display;
    QPointer<ResultsLists> m_results;
    QLineEdit *edPublishTarget = nullptr;
    QCheckBox *cbPublishLive = nullptr;
    QSpinBox *sePublishInterval = nullptr;
    QPushButton *btnPublishNow = nullptr;
    QLabel *lblPublishStatus = nullptr;
    QString m_note;
    bool m_noteIsProblem = false;
};
