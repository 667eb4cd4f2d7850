#include "WebControls.h"

#include "QrCode.h"
#include "ResultsLists.h"
#include "SpectatorWindow.h"
#include "WebSettings.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

WebControls::WebControls(QWidget *parent) : QGroupBox(QStringLiteral(" Výsledky na webu "), parent)
{
    setObjectName(QStringLiteral("gbWeb"));
    cbWebResults = new QCheckBox(QStringLiteral("Výsledky na webu (místní síť)"));
    cbWebResults->setObjectName(QStringLiteral("cbWebResults"));
    seWebPort = new QSpinBox;
    seWebPort->setObjectName(QStringLiteral("seWebPort"));
    seWebPort->setRange(1, 65535);
    seWebPort->setAccessibleName(QStringLiteral("Port"));
    cbWebAddress = new QComboBox;
    cbWebAddress->setObjectName(QStringLiteral("cbWebAddress"));
    cbWebAddress->setAccessibleName(QStringLiteral("Adresa serveru"));
    cbWebAddress->addItem(QStringLiteral("Všechna rozhraní"), QString());
    for (const QHostAddress &ip : LocalAddresses())
        if (!ip.isLoopback())
            cbWebAddress->addItem(ip.toString(), ip.toString());
    cbWebAddress->addItem(QStringLiteral("127.0.0.1 (jen tento počítač)"), QStringLiteral("127.0.0.1"));
    lblWebStatus = new QLabel(QStringLiteral("Vypnuto."));
    lblWebStatus->setObjectName(QStringLiteral("lblWebStatus"));
    lblWebStatus->setWordWrap(true);
    m_addressBox = new QWidget;
    m_addressLayout = new QVBoxLayout(m_addressBox);
    m_addressLayout->setContentsMargins(0, 0, 0, 0);
    m_addressLayout->setAlignment(Qt::AlignTop);
    // A PC with several networks lists an address and a code for each; on a
    // small screen they scroll.
    auto *addresses = new QScrollArea;
    addresses->setWidget(m_addressBox);
    addresses->setWidgetResizable(true);
    addresses->setFrameShape(QFrame::NoFrame);
    addresses->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    addresses->viewport()->setAutoFillBackground(false);
    m_addressBox->setAutoFillBackground(false);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Port:"), seWebPort);
    form->addRow(QStringLiteral("&Adresa:"), cbWebAddress);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(cbWebResults);
    layout->addLayout(form);
    layout->addWidget(lblWebStatus);
    layout->addWidget(addresses, 1);

    const WebSettings settings = WebSettings::Load();
    seWebPort->setValue(settings.port);
    const int index = cbWebAddress->findData(settings.address);
    if (index >= 0) {
        cbWebAddress->setCurrentIndex(index);
    } else {
        // A remembered address this PC no longer has stays selectable: the
        // start then says that it cannot be had.
        cbWebAddress->addItem(settings.address, settings.address);
        cbWebAddress->setCurrentIndex(cbWebAddress->count() - 1);
    }
    cbWebResults->setChecked(settings.enabled);
}

void WebControls::Bind(SpectatorWindow *display, ResultsLists *results)
{
    m_display = display;
    m_results = results;
    if (m_results)
        connect(m_results, &ResultsLists::resultsRefreshed, this, &WebControls::Republish);
    connect(cbWebResults, &QCheckBox::toggled, this, [this] {
        saveChoice();
        applyChoice();
    });
    connect(seWebPort, &QSpinBox::editingFinished, this, [this] {
        if (WebSettings::Load().port == seWebPort->value())
            return;
        saveChoice();
        applyChoice();
    });
    connect(cbWebAddress, &QComboBox::activated, this, [this] {
        saveChoice();
        applyChoice();
    });
    applyChoice();
}

void WebControls::Republish()
{
    if (!m_results || !m_publisher.isRunning())
        return;
    const DisplayBoard *board = m_display ? &m_display->Board() : nullptr;
    m_publisher.publish(m_results->table(), board ? board->DisplayCaption : QString(),
                        board ? board->ShowRunningTime : true, m_results->lastStartTime());
}

void WebControls::saveChoice()
{
    WebSettings settings;
    settings.enabled = cbWebResults->isChecked();
    settings.port = seWebPort->value();
    settings.address = cbWebAddress->currentData().toString();
    settings.Save();
}

QHostAddress WebControls::chosenAddress() const
{
    const QString text = cbWebAddress->currentData().toString();
    return text.isEmpty() ? QHostAddress(QHostAddress::Any) : QHostAddress(text);
}

void WebControls::applyChoice()
{
    m_publisher.stop();
    if (cbWebResults->isChecked()) {
        QString error;
        if (m_publisher.start(chosenAddress(), quint16(seWebPort->value()), &error)) {
            lblWebStatus->setText(QStringLiteral("Výsledky jsou na webu. Otevřete v telefonu (stejná Wi-Fi):"));
            Republish();
        } else {
            lblWebStatus->setText(error);
            const QSignalBlocker quiet(cbWebResults);  // the error stays in sight
            cbWebResults->setChecked(false);
        }
    } else {
        lblWebStatus->setText(QStringLiteral("Vypnuto."));
    }
    showAddresses();
}

void WebControls::showAddresses()
{
    while (QLayoutItem *item = m_addressLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QString &url : m_publisher.pageAddresses()) {
        auto *text = new QLabel(url);
        text->setObjectName(QStringLiteral("lblWebAddress"));
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto *qr = new QLabel;
        qr->setObjectName(QStringLiteral("imgWebQr"));
        qr->setPixmap(QPixmap::fromImage(QrCodeImage(url, 4)));
        qr->setAccessibleName(QStringLiteral("QR kód adresy %1").arg(url));
        m_addressLayout->addWidget(text);
        m_addressLayout->addWidget(qr);
    }
}
