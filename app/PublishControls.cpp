#include "PublishControls.h"

#include "EventLog.h"
#include "PublishSettings.h"
#include "ResultsLists.h"
#include "SpectatorWindow.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

PublishControls::PublishControls(QWidget *parent) : QGroupBox(QStringLiteral(" Zveřejnění na internetu "), parent)
{
    setObjectName(QStringLiteral("gbPublish"));
    edPublishTarget = new QLineEdit;
    edPublishTarget->setObjectName(QStringLiteral("edPublishTarget"));
    edPublishTarget->setPlaceholderText(QStringLiteral("zavody:vysledky/2026-velka-cena"));
    edPublishTarget->setToolTip(
        QStringLiteral("Složka (celá cesta, např. /srv/www/vysledky) nebo úložiště programu rclone ve tvaru "
                       "název:cesta. Úložiště (SFTP, WebDAV, FTP, S3 a další) i jeho heslo se nastavuje jednou "
                       "příkazem „rclone config“; Tikomat si heslo nikdy nepamatuje."));
    cbPublishLive = new QCheckBox(QStringLiteral("Zveřejňovat během závodu"));
    cbPublishLive->setObjectName(QStringLiteral("cbPublishLive"));
    sePublishInterval = new QSpinBox;
    sePublishInterval->setObjectName(QStringLiteral("sePublishInterval"));
    sePublishInterval->setRange(PublishSettings::LeastIntervalSeconds, PublishSettings::LongestIntervalSeconds);
    sePublishInterval->setSuffix(QStringLiteral(" s"));
    sePublishInterval->setAccessibleName(QStringLiteral("Nejkratší odstup nahrání"));
    btnPublishNow = new QPushButton(QStringLiteral("Zveřejnit teď"));
    btnPublishNow->setObjectName(QStringLiteral("btnPublishNow"));
    btnPublishNow->setAutoDefault(false);
    lblPublishStatus = new QLabel;
    lblPublishStatus->setObjectName(QStringLiteral("lblPublishStatus"));
    lblPublishStatus->setWordWrap(true);
    lblPublishStatus->setTextFormat(Qt::PlainText);

    // The target gets the group's whole width: a remote's path is long.
    auto *targetLabel = new QLabel(QStringLiteral("&Cíl (složka nebo úložiště rclone):"));
    targetLabel->setBuddy(edPublishTarget);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Nejméně po:"), sePublishInterval);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(targetLabel);
    layout->addWidget(edPublishTarget);
    layout->addLayout(form);
    layout->addWidget(cbPublishLive);
    layout->addWidget(btnPublishNow, 0, Qt::AlignLeft);
    layout->addWidget(lblPublishStatus);

    const PublishSettings settings = PublishSettings::Load();
    edPublishTarget->setText(settings.target);
    cbPublishLive->setChecked(settings.live);
    sePublishInterval->setValue(settings.intervalSeconds);
    showState();
}

void PublishControls::Bind(SpectatorWindow *display, ResultsLists *results)
{
    m_display = display;
    m_results = results;
    if (m_results)
        connect(m_results, &ResultsLists::resultsRefreshed, this, &PublishControls::Offer);
    connect(&m_publisher, &Publisher::stateChanged, this, [this] { say({}); });
    connect(&m_publisher, &Publisher::nothingChanged, this,
            [this] { say(QStringLiteral("Nic nového: web na cíli je aktuální."), false); });
    connect(&m_publisher, &Publisher::problemChanged, this, [this](const QString &problem) {
        if (!problem.isEmpty())
            WriteLog(QStringLiteral("Zveřejnění selhalo – ") + problem);
        else if (m_publisher.state() == Publisher::State::Published)
            WriteLog(QStringLiteral("Zveřejnění opět funguje: ") + m_publisher.target());
        else
            WriteLog(QStringLiteral("Zveřejnění: nastavení změněno, předchozí chyba už neplatí"));
    });
    connect(edPublishTarget, &QLineEdit::editingFinished, this, &PublishControls::applyTarget);
    connect(cbPublishLive, &QCheckBox::clicked, this, &PublishControls::applyLive);
    connect(sePublishInterval, &QSpinBox::editingFinished, this, &PublishControls::applyInterval);
    connect(btnPublishNow, &QPushButton::clicked, this, &PublishControls::publishNow);

    applyInterval();
    Offer();
    // A remembered target with "during the race" on publishes at once.
    if (cbPublishLive->isChecked() && checkTarget())
        m_publisher.setTarget(edPublishTarget->text().trimmed());
    m_publisher.setEnabled(cbPublishLive->isChecked());
}

void PublishControls::Offer()
{
    if (!m_results)
        return;
    const DisplayBoard *board = m_display ? &m_display->Board() : nullptr;
    const auto snapshot = ResultsSnapshot::Take(m_results->table(), board ? board->DisplayCaption : QString(),
                                                board ? board->ShowRunningTime : true, m_results->lastStartTime(), 0);
    m_publisher.offer(*snapshot, QDateTime::currentDateTime());
}

bool PublishControls::checkTarget()
{
    const QString problem = TargetProblem(edPublishTarget->text());
    if (problem.isEmpty())
        return true;
    say(problem, true);
    return false;
}

void PublishControls::applyTarget()
{
    const QString target = edPublishTarget->text().trimmed();
    if (target == m_publisher.target())
        return;
    saveChoice();
    say({});
    // A wrong target publishes nowhere until it is mended.
    m_publisher.setTarget(TargetProblem(target).isEmpty() ? target : QString());
    if (!target.isEmpty())
        checkTarget();
}

void PublishControls::applyLive()
{
    saveChoice();
    if (cbPublishLive->isChecked() && checkTarget())
        m_publisher.setTarget(edPublishTarget->text().trimmed());
    m_publisher.setEnabled(cbPublishLive->isChecked());
    showState();
}

void PublishControls::applyInterval()
{
    PublishTiming timing = m_publisher.timing();
    timing.intervalMs = sePublishInterval->value() * 1000;
    m_publisher.setTiming(timing);
    if (PublishSettings::Load().intervalSeconds != sePublishInterval->value())
        saveChoice();
}

void PublishControls::publishNow()
{
    if (!checkTarget())
        return;
    m_publisher.setTarget(edPublishTarget->text().trimmed());
    saveChoice();
    Offer();
    m_publisher.publishNow();
}

void PublishControls::saveChoice()
{
    PublishSettings settings;
    settings.target = edPublishTarget->text().trimmed();
    settings.live = cbPublishLive->isChecked();
    settings.intervalSeconds = sePublishInterval->value();
    settings.Save();
}

void PublishControls::say(const QString &note, bool problem)
{
    m_note = note;
    m_noteIsProblem = problem;
    showState();
}

void PublishControls::showState()
{
    QString text = m_note.isEmpty() ? m_publisher.stateText() : m_note;
    if (text.isEmpty())
        text = cbPublishLive->isChecked() ? QStringLiteral("Čeká na výsledky.") : QStringLiteral("Vypnuto.");
    lblPublishStatus->setText(text);
    QColor colour = palette().color(QPalette::WindowText);
    if (m_note.isEmpty() ? m_publisher.state() == Publisher::State::Failed : m_noteIsProblem)
        colour = QColor(0xc0, 0x00, 0x00);
    else if (m_note.isEmpty() && m_publisher.state() == Publisher::State::Published)
        colour = QColor(0x00, 0x80, 0x00);
    QPalette palette = lblPublishStatus->palette();
    palette.setColor(QPalette::WindowText, colour);
    lblPublishStatus->setPalette(palette);
}
