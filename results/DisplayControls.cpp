#include "DisplayControls.h"

#include "CategoryBox.h"
#include "ResultsLists.h"
#include "SpectatorWindow.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

template <typename W, typename... Args>
W *Named(const char *name, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)...);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel *Heading(const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
}

}  // namespace

DisplayControls::DisplayControls(QWidget *parent) : QGroupBox(QStringLiteral(" Okno displeje pro diváky "), parent)
{
    setObjectName(QStringLiteral("gbDisplej"));
    cbDisplayWindow = Named<QCheckBox>("cbDisplayWindow", QStringLiteral("Zobraz okno displeje pro diváky"));
    cbDispRunningTime = Named<QCheckBox>("cbDispRunningTime", QStringLiteral("Zobraz běžící čas od posledního startu"));
    cbDispRunningTime->setChecked(true);
    edDispCaption = Named<QLineEdit>("edDispCaption");
    edDispCaption->setAccessibleName(QStringLiteral("Nadpis"));
    cbDispMode = Named<QComboBox>("cbDispMode");
    cbDispMode->addItems({QStringLiteral("Zobrazení výsledků vypnuto"),
                          QStringLiteral("Počátek výsledkové listiny (vítězové)"),
                          QStringLiteral("Konec výsledkové listiny (poslední jak dobíhají)")});
    cbDispMode->setCurrentIndex(int(SpectatorMode::Winners));
    cbDispMode->setEditable(false);
    // Long items must not widen the column the group stands in; the
    // drop-down shows them whole.
    cbDispMode->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbDispMode->setMinimumContentsLength(8);
    cbDispMode->view()->setMinimumWidth(cbDispMode->view()->sizeHintForColumn(0) + 24);
    cbDispMode->setAccessibleName(QStringLiteral("Režim zobrazení výsledků"));
    cbDispPaging = Named<QCheckBox>("cbDispPaging", QStringLiteral("Stránkuj výpis, je-li dlouhý"));
    cbDispKategorie = Named<CategoryBox>("cbDispKategorie");
    cbDispKategorie->setAccessibleName(QStringLiteral("Kategorie na displeji pro diváky"));

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    layout->addWidget(cbDisplayWindow);
    layout->addWidget(cbDispRunningTime);
    auto *caption = new QHBoxLayout;
    caption->addWidget(Heading(QStringLiteral("Nadpis:"), edDispCaption));
    caption->addWidget(edDispCaption, 1);
    layout->addLayout(caption);
    layout->addWidget(Heading(QStringLiteral("Režim zobrazení výsledků:"), cbDispMode));
    layout->addWidget(cbDispMode);
    auto *category = new QHBoxLayout;
    category->addWidget(Heading(QStringLiteral("Kategorie:"), cbDispKategorie));
    category->addWidget(cbDispKategorie, 1);
    layout->addLayout(category);
    layout->addWidget(cbDispPaging);
}

void DisplayControls::Bind(SpectatorWindow *display, ResultsLists *results)
{
    m_display = display;
    m_results = results;
    if (m_display) {
        DisplayBoard &board = m_display->Board();
        board.ShowRunningTime = cbDispRunningTime->isChecked();
        board.PagingEnabled = cbDispPaging->isChecked();
        board.DisplayCaption = edDispCaption->text();
        board.Mode = SpectatorMode(cbDispMode->currentIndex());
        board.Category = cbDispKategorie->chosen();
    }
    // toggled, not clicked: a box ticked by the keyboard, by a script or
    // through the accessibility interface acts as one ticked by the mouse.
    connect(cbDisplayWindow, &QCheckBox::toggled, this, &DisplayControls::showOrHideWindow);
    connect(cbDispRunningTime, &QCheckBox::toggled, this, &DisplayControls::applyRunningTime);
    connect(edDispCaption, &QLineEdit::textChanged, this, &DisplayControls::applyCaption);
    connect(cbDispMode, &QComboBox::currentIndexChanged, this, &DisplayControls::applyMode);
    connect(cbDispPaging, &QCheckBox::toggled, this, &DisplayControls::applyPaging);
    connect(cbDispKategorie, &CategoryBox::categoryChosen, this, &DisplayControls::applyCategory);
    if (m_results) {
        connect(m_results, &ResultsLists::resultsRefreshed, this, [this](DayTime lastStartTime) {
            cbDispKategorie->setCategories(*m_results->table());
            if (m_display)
                m_display->Refill(lastStartTime, m_results->table());
        });
    }
}

void DisplayControls::showOrHideWindow()
{
    if (!m_display)
        return;
    if (cbDisplayWindow->isChecked())
        m_display->show();
    else
        m_display->hide();
}

void DisplayControls::applyRunningTime()
{
    if (m_display)
        m_display->Board().ShowRunningTime = cbDispRunningTime->isChecked();
}

void DisplayControls::applyCaption()
{
    if (m_display)
        m_display->Board().DisplayCaption = edDispCaption->text();
}

void DisplayControls::applyMode()
{
    if (m_display)
        m_display->Board().Mode = SpectatorMode(cbDispMode->currentIndex());
    if (m_results)
        m_results->RefreshLists(-1);
}

void DisplayControls::applyPaging()
{
    if (m_display)
        m_display->Board().PagingEnabled = cbDispPaging->isChecked();
}

void DisplayControls::applyCategory()
{
    if (m_display)
        m_display->ChooseCategory(cbDispKategorie->chosen());
}
