#include "ManualEntryDialog.h"

#include "ManualEntry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The time and the number are what the operator reads across the desk.
QFont LargeFont(QFont font)
{
    font.setPointSizeF(font.pointSizeF() * 1.8);
    font.setBold(true);
    return font;
}

}  // namespace

ManualEntryDialog::ManualEntryDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmTime"));
    setWindowTitle(QStringLiteral("Ruční zadání časů"));
    setModal(false);

    CreateRecordFields(LargeFont(font()));
    CreatePenaltyField();
    CreateButtons();
    LayOutControls();
    SetTabOrder();
}

void ManualEntryDialog::CreateRecordFields(const QFont &large)
{
    MaskEdit1 = new QLineEdit(this);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    // every digit position required; separators are part of the text
    MaskEdit1->setInputMask(QStringLiteral("99:99:99,999;_"));
    MaskEdit1->setFont(large);
    MaskEdit1->setMinimumWidth(QFontMetrics(large).horizontalAdvance(QStringLiteral("00:00:00,000")) + 16);

    MaskEdit2 = new QLineEdit(this);
    MaskEdit2->setObjectName(QStringLiteral("MaskEdit2"));
    // Up to four digits typed; the race start shows "10000" put in by the
    // program, so the length allows five while typing allows four.
    MaskEdit2->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\s*\\d{0,4}\\s*")), MaskEdit2));
    MaskEdit2->setMaxLength(5);
    MaskEdit2->setFont(large);
    MaskEdit2->setMinimumWidth(QFontMetrics(large).horizontalAdvance(QStringLiteral("00000")) + 16);
    MaskEdit2->installEventFilter(this);

    // The list shows race times, the field the time of day: both side by side.
    edCasOdStartu = new QLineEdit(this);
    edCasOdStartu->setObjectName(QStringLiteral("edCasOdStartu"));
    edCasOdStartu->setReadOnly(true);
    edCasOdStartu->setFocusPolicy(Qt::NoFocus);

    cbStartZavodu = new QCheckBox(QStringLiteral("Toto je čas startu závodu"), this);
    cbStartZavodu->setObjectName(QStringLiteral("cbStartZavodu"));
}

// The penalty seconds, with up and down arrows that step them.
void ManualEntryDialog::CreatePenaltyField()
{
    Edit1 = new QLineEdit(QStringLiteral("0"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);

    UpDown1 = new QWidget(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    auto *up = new QToolButton(UpDown1);
    up->setArrowType(Qt::UpArrow);
    up->setAutoRepeat(true);
    up->setFocusPolicy(Qt::NoFocus);
    auto *down = new QToolButton(UpDown1);
    down->setArrowType(Qt::DownArrow);
    down->setAutoRepeat(true);
    down->setFocusPolicy(Qt::NoFocus);
    auto *arrows = new QVBoxLayout(UpDown1);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up);
    arrows->addWidget(down);
    const int arrowHeight = Edit1->sizeHint().height() / 2;
    up->setFixedSize(18, arrowHeight);
    down->setFixedSize(18, arrowHeight);
    connect(up, &QToolButton::clicked, this, [this] { StepPenalty(1); });
    connect(down, &QToolButton::clicked, this, [this] { StepPenalty(-1); });
}

void ManualEntryDialog::CreateButtons()
{
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Storno"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
}

// Time and number side by side under their labels, the race start box and
// the penalty below them, the buttons at the bottom right; the window keeps
// the size they need.
void ManualEntryDialog::LayOutControls()
{
    auto *lblTime = new QLabel(QStringLiteral("Čas"), this);
    lblTime->setBuddy(MaskEdit1);
    auto *lblNumber = new QLabel(QStringLiteral("Číslo"), this);
    lblNumber->setBuddy(MaskEdit2);
    auto *lblPenalty = new QLabel(QStringLiteral("Trestné vteřiny"), this);
    lblPenalty->setBuddy(Edit1);

    auto *grid = new QGridLayout;
    grid->addWidget(lblTime, 0, 0);
    grid->addWidget(MaskEdit1, 1, 0);
    grid->addWidget(lblNumber, 0, 1);
    grid->addWidget(MaskEdit2, 1, 1);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);

    auto *penalty = new QHBoxLayout;
    penalty->setSpacing(0);
    penalty->addWidget(Edit1);
    penalty->addWidget(UpDown1);

    auto *lblRaceTime = new QLabel(QStringLiteral("Čas od startu:"), this);
    lblRaceTime->setBuddy(edCasOdStartu);
    auto *raceTime = new QHBoxLayout;
    raceTime->addWidget(lblRaceTime);
    raceTime->addWidget(edCasOdStartu, 1);

    auto *lower = new QGridLayout;
    lower->addWidget(cbStartZavodu, 0, 0, 1, 2);
    lower->addWidget(lblPenalty, 1, 0);
    lower->addLayout(penalty, 1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(raceTime);
    layout->addLayout(lower);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ManualEntryDialog::SetTabOrder()
{
    setTabOrder(MaskEdit1, MaskEdit2);
    setTabOrder(MaskEdit2, cbStartZavodu);
    setTabOrder(cbStartZavodu, Edit1);
    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);
}

void ManualEntryDialog::StepPenalty(int delta)
{
    bool ok = false;
    const int typed = Edit1->text().trimmed().toInt(&ok);
    if (ok)
        m_upDownPosition = std::clamp(typed, PenaltyMin, PenaltyMax);
    m_upDownPosition = std::clamp(m_upDownPosition + delta, PenaltyMin, PenaltyMax);
    Edit1->setText(QString::number(m_upDownPosition));
}

bool ManualEntryDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Entering the number field selects its whole text, so that typing
    // replaces the number.  After the focus settled: a mouse click would
    // otherwise place the cursor over the selection.
    if (watched == MaskEdit2 && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, MaskEdit2, [edit = MaskEdit2] { edit->selectAll(); });
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepPenalty(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ManualEntryDialog::Bind(ManualEntry *entry)
{
    m_entry = entry;
    connect(entry, &ManualEntry::fieldsChanged, this, &ManualEntryDialog::ShowFields);
    connect(MaskEdit1, &QLineEdit::textChanged, this, &ManualEntryDialog::ShowRaceTime);
    connect(entry, &ManualEntry::showRequested, this, [this] {
        show();
        raise();
        activateWindow();
    });
    connect(entry, &ManualEntry::hideRequested, this, &QWidget::hide);
    connect(entry, &ManualEntry::focusRequested, this, [this](ManualEntry::Field field) {
        QLineEdit *edit = field == ManualEntry::Field::Number ? MaskEdit2 : MaskEdit1;
        edit->setFocus();
    });
    connect(cbStartZavodu, &QCheckBox::clicked, entry, [this](bool ticked) {
        HandTypedText();
        m_entry->markRaceStart(ticked);
    });
    connect(Button1, &QPushButton::clicked, entry, [this] {
        HandTypedText();
        m_entry->confirm();
    });
    connect(Button2, &QPushButton::clicked, entry, &ManualEntry::cancel);
    ShowFields();
}

void ManualEntryDialog::ShowFields()
{
    const ManualEntry::Fields &f = m_entry->fields();
    MaskEdit1->setText(f.time);
    MaskEdit2->setText(f.number);
    MaskEdit2->setEnabled(m_entry->numberEnabled());
    cbStartZavodu->setChecked(f.raceStart);
    Edit1->setText(f.penalty);
    ShowRaceTime();
}

void ManualEntryDialog::ShowRaceTime()
{
    edCasOdStartu->setText(m_entry ? m_entry->RaceTimeText(MaskEdit1->displayText()) : QString());
}

void ManualEntryDialog::HandTypedText()
{
    // The shown text of the time field keeps its empty positions ("_"), so
    // that every part stays where the time text expects it.
    m_entry->setTyped(MaskEdit1->displayText(), MaskEdit2->text(), Edit1->text());
}

void ManualEntryDialog::reject()
{
    if (m_entry)
        m_entry->cancel();
    else
        QDialog::reject();
}

void ManualEntryDialog::closeEvent(QCloseEvent *event)
{
    if (m_entry)
        m_entry->Closed();
    event->accept();
}
