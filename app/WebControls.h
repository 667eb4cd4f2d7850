#pragma once
// The group " Výsledky na webu " on the page "Nastavení": the check box that
// serves the results page on the local network, its port and bind address,
// and, while serving, the page's addresses each with a QR code.
//
// The settings page places the group; the main window calls Bind once its
// results lists exist, and from then on every refresh of the lists is
// published.  The choices are remembered (WebSettings) and a remembered
// "on" starts the server at Bind.  A port that cannot be had is said in the
// group's status line and the box is unticked; nothing here ever blocks the
// desk on a client.
#include "WebPublisher.h"

#include <QGroupBox>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QVBoxLayout;
class ResultsLists;
class SpectatorWindow;

class WebControls : public QGroupBox {
    Q_OBJECT
public:
    explicit WebControls(QWidget *parent = nullptr);

    // display may be null: the page then shows "Tikomat" as its caption.
    void Bind(SpectatorWindow *display, ResultsLists *results);

    // Publishes the results as the last refresh left them (after a change of
    // the spectator window's caption or running-time option).
    void Republish();

    WebPublisher &publisher() { return m_publisher; }

private:
    void applyChoice();
    void saveChoice();
    void showAddresses();
    QHostAddress chosenAddress() const;

    WebPublisher m_publisher;
    QPointer<SpectatorWindow> m_display;
    QPointer<ResultsLists> m_results;
    QCheckBox *cbWebResults = nullptr;
    QSpinBox *seWebPort = nullptr;
    QComboBox *cbWebAddress = nullptr;
    QLabel *lblWebStatus = nullptr;
    QWidget *m_addressBox = nullptr;
    QVBoxLayout *m_addressLayout = nullptr;
};
