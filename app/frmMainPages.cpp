// The main window's pages and controls, laid out as the operator sees them.
// Only building here: what the controls drive is bound in frmMainHandlers.cpp.
#include "main.h"

#include "CategoryBox.h"
#include "DisplayControls.h"
#include "ElidedCellDelegate.h"
#include "HotTrackView.h"
#include "ListIcons.h"
#include "ModuleIndicator.h"
#include "RacerPage.h"
#include "SettingsPage.h"
#include "SpectatorWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor Green(0x00, 0x80, 0x00);

// A warning that must not be overlooked: white on red, bold, hidden while
// all is well.
QLabel *Alarm(const char *name, bool wrap)
{
    auto *label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(wrap);
    label->setAutoFillBackground(true);
    label->setMargin(3);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(0xc0, 0x00, 0x00));
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->hide();
    return label;
}

// Widths of the two fixed columns of the timing page.
constexpr int MiddleColumnWidth = 226;
constexpr int RightColumnWidth = 186;
// Room between the keypad panel's edge and its controls.
constexpr int PadMargin = 6;

template <typename W, typename... Args>
W *Named(const char *name, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)...);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QPushButton *Button(const char *name, const QString &caption)
{
    auto *b = Named<QPushButton>(name, caption);
    b->setAutoDefault(false);
    return b;
}

QComboBox *FixedList(const char *name, const QStringList &items, int index)
{
    auto *c = Named<QComboBox>(name);
    c->addItems(items);
    c->setCurrentIndex(index);
    c->setEditable(false);
    // Long items must not widen the fixed columns; the drop-down shows them whole.
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(8);
    c->view()->setMinimumWidth(c->view()->sizeHintForColumn(0) + 24);
    return c;
}

// Whole-row, single selection, no editing, selection visible without focus.
void SetUpList(QTableView *view, const QString &accessibleName, bool grid)
{
    view->setAccessibleName(accessibleName);
    SetUpRowSelection(view);
    view->setShowGrid(grid);
    view->setWordWrap(false);
    view->setItemDelegate(new ElidedCellDelegate(view));  // a cut cell shows its whole text on hover
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
}

QLabel *Heading(const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
}

}  // namespace

void TfrmMain::BuildFrame()
{
    setWindowTitle(TitleFor({}));
    // The three columns of the timing page are laid out for an 8-point face;
    // the keypad and the leader label carry their own large type.
    QFont frameFont = font();
    frameFont.setPointSizeF(8);
    setFont(frameFont);

    PageControl = Named<QTabWidget>("PageControl");
    tsMereni = BuildTimingPage();
    TabSheet4 = m_settingsPage = new SettingsPage;
    tsRacerList = m_racerPage = new RacerPage(*m_settingsPage);
    TabSheet3 = BuildResultsPage();
    PageControl->addTab(tsMereni, QStringLiteral("Prostý záznam časů"));
    PageControl->addTab(tsRacerList, QStringLiteral("Kompletní seznam závodníků"));
    PageControl->addTab(TabSheet4, QStringLiteral("Nastavení"));
    PageControl->addTab(TabSheet3, QStringLiteral("Výsledková listina"));
    PageControl->setCurrentWidget(tsMereni);
    setCentralWidget(PageControl);

    // The operator's guide, from every page: a button in the tabs' corner
    // (room the tab row leaves free even at 1366 x 768) and F1.
    btnNapoveda = Button("btnNapoveda", QStringLiteral("Nápověda"));
    btnNapoveda->setToolTip(QStringLiteral("Návod pro obsluhu v prohlížeči (F1)"));
    PageControl->setCornerWidget(btnNapoveda, Qt::TopRightCorner);
    BindGuide();

    // Now that every control has the window's type: the middle column is wide
    // enough for the longest caption of its group.
    m_middleColumn->setMinimumWidth(std::max(MiddleColumnWidth, gbDisplej->minimumSizeHint().width()));

    StatusBar = Named<QStatusBar>("StatusBar");
    m_statusText = Named<QLabel>("StatusBarText", QStringLiteral("Připraven."));
    StatusBar->addWidget(m_statusText, 1);
    lblUkladani = Alarm("lblUkladani", false);
    StatusBar->addPermanentWidget(lblUkladani);
    lblZavodniciUlozeni = Alarm("lblZavodniciUlozeni", false);
    StatusBar->addPermanentWidget(lblZavodniciUlozeni);
    setStatusBar(StatusBar);

    FitToScreen();
}

QWidget *TfrmMain::BuildTimingPage()
{
    auto *page = Named<QWidget>("tsMereni");
    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    // A wider window goes to the lists: two parts to the record list, one to
    // the impulse lists.
    layout->addWidget(BuildLeftColumn(), 2);
    layout->addWidget(BuildMiddleColumn(), 1);
    layout->addWidget(BuildRightColumn(), 0);
    return page;
}

QWidget *TfrmMain::BuildLeftColumn()
{
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    lblDenik = Alarm("lblDenik", true);
    layout->addWidget(lblDenik);
    lv = Named<HotTrackView>("lv");
    SetUpList(lv, QStringLiteral("Záznamy časů"), true);
    layout->addWidget(lv, 1);

    cbRealCas = Named<QCheckBox>("cbRealCas", QStringLiteral("Reál.čas"));
    cbRealCas->setChecked(false);
    Button21 = Button("Button21", QStringLiteral("Sma&ž"));
    btnNovyZaznam = Button("btnNovyZaznam", QStringLiteral("No&vý zázn. ručně / start ručně"));
    layout->addWidget(cbRealCas);
    auto *commands = new QHBoxLayout;
    commands->addWidget(Button21);
    commands->addWidget(btnNovyZaznam);
    commands->addStretch(1);
    layout->addLayout(commands);

    layout->addWidget(new QLabel(QStringLiteral("Vedoucí průběžného pořadí:")));
    lblVitez = Named<ElidedLabel>("lblVitez");
    QFont leaderFont = lblVitez->font();
    leaderFont.setBold(true);
    leaderFont.setPixelSize(32);
    lblVitez->setFont(leaderFont);
    QPalette leaderPalette = lblVitez->palette();
    leaderPalette.setColor(QPalette::WindowText, Green);
    lblVitez->setPalette(leaderPalette);
    lblVitez->setFixedHeight(QFontMetrics(leaderFont).height() + 4);
    layout->addWidget(lblVitez);

    // "Zveřejněno 14:42:05" in green, "Zveřejňuji…", or a failure in white on
    // red behind a warning sign; the whole message as a tooltip when cut.
    wZverejneni = Named<QWidget>("wZverejneni");
    wZverejneni->setAutoFillBackground(true);
    auto *publishing = new QHBoxLayout(wZverejneni);
    publishing->setContentsMargins(3, 1, 3, 1);
    imgZverejneni = Named<QLabel>("imgZverejneni");
    const int iconSize = QFontMetrics(font()).height();
    imgZverejneni->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
    imgZverejneni->setAccessibleName(QStringLiteral("Chyba zveřejnění"));
    lblZverejneni = Named<ElidedLabel>("lblZverejneni");
    QFont publishFont = lblZverejneni->font();
    publishFont.setBold(true);
    lblZverejneni->setFont(publishFont);
    publishing->addWidget(imgZverejneni);
    publishing->addWidget(lblZverejneni, 1);
    wZverejneni->hide();
    layout->addWidget(wZverejneni);

    gbDatovySoubor = Named<QGroupBox>("gbDatovySoubor", QStringLiteral(" Datový soubor "));
    Button27 = Button("Button27", QStringLiteral("&Nový"));
    Button28 = Button("Button28", QStringLiteral("&Otevřít"));
    Button29 = Button("Button29", QStringLiteral("Uložit &jako..."));
    Button30 = Button("Button30", QStringLiteral("&Uložit"));
    auto *file = new QHBoxLayout(gbDatovySoubor);
    for (QPushButton *b : {Button27, Button28, Button29, Button30}) {
        b->setMinimumWidth(60);  // may narrow rather than widen the column
        file->addWidget(b);
    }
    file->addStretch(1);  // a wide window widens the record list, not these
    layout->addWidget(gbDatovySoubor);
    return column;
}

QWidget *TfrmMain::BuildMiddleColumn()
{
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    lvPulsy = Named<HotTrackView>("lvPulsy");
    SetUpList(lvPulsy, QStringLiteral("Startovací impulsy"), false);
    lvPulsy2 = Named<HotTrackView>("lvPulsy2");
    SetUpList(lvPulsy2, QStringLiteral("Cílové impulsy"), false);
    // Each heading with the count of rows waiting in its list beside it.
    const auto headingRow = [](QLabel *heading, QLabel *count) {
        auto *row = new QHBoxLayout;
        row->addWidget(heading);
        row->addStretch(1);
        row->addWidget(count);
        return row;
    };
    lblCekaStart = Named<QLabel>("lblCekaStart");
    lblCekaCil = Named<QLabel>("lblCekaCil");
    layout->addLayout(headingRow(Heading(QStringLiteral("&Startovací impulsy"), lvPulsy), lblCekaStart));
    layout->addWidget(lvPulsy, 1);
    layout->addLayout(headingRow(Heading(QStringLiteral("Cílové impulsy"), lvPulsy2), lblCekaCil));
    layout->addWidget(lvPulsy2, 1);

    btnSmaz = Button("btnSmaz", QStringLiteral("S&maž vybraný"));
    btnSmazVse = Button("btnSmazVse", QStringLiteral("Smaž &vše"));
    btnSimulace = Button("btnSimulace", QStringLiteral("Simuluj FB1"));
    btnSimulace2 = Button("btnSimulace2", QStringLiteral("Simuluj FB2"));
    auto *buttons = new QGridLayout;
    buttons->addWidget(btnSmaz, 0, 0);
    buttons->addWidget(btnSmazVse, 0, 1);
    buttons->addWidget(btnSimulace, 1, 0);
    buttons->addWidget(btnSimulace2, 1, 1);
    btnZpet = Button("btnZpet", QStringLiteral("Zpět"));
    btnZnovu = Button("btnZnovu", QStringLiteral("Znovu"));
    buttons->addWidget(btnZpet, 2, 0);
    buttons->addWidget(btnZnovu, 2, 1);
    btnCilovaVlajka = Button("btnCilovaVlajka", QStringLiteral("Cílová vlajka"));
    btnCilovaVlajka->setIcon(ListIconOf(ListIcon::ChequeredFlag));
    btnCilovaVlajka->setToolTip(QStringLiteral("Konec závodu teď: pro kategorii okna displeje "
                                               "(pro „Všechny“ všem kategoriím)"));
    buttons->addWidget(btnCilovaVlajka, 3, 0, 1, 2);
    layout->addLayout(buttons);

    gbDisplej = new DisplayControls;
    layout->addWidget(gbDisplej);
    m_middleColumn = column;
    return column;
}

QWidget *TfrmMain::BuildRightColumn()
{
    auto *column = new QWidget;
    column->setFixedWidth(RightColumnWidth);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    layout->addWidget(new QLabel(QStringLiteral("Tvorba impulsu")));
    layout->addWidget(BuildKeypad());

    gbModul = Named<QGroupBox>("gbModul", QStringLiteral(" Časoměrný modul "));
    btnConnect = Button("btnConnect", QStringLiteral("&Připojit časoměrný modul"));
    btnDisconnect = Button("btnDisconnect", QStringLiteral("O&dpojit časoměrný modul"));
    btnDisconnect->setEnabled(false);
    cbFiltr = FixedList("cbFiltr",
                        {QStringLiteral("Filtr vypnut"), QStringLiteral("Filtr 1500 ms"),
                         QStringLiteral("Filtr 2000 ms"), QStringLiteral("Filtr 2500 ms"),
                         QStringLiteral("Filtr 3000 ms"), QStringLiteral("Filtr 3500 ms"),
                         QStringLiteral("Filtr 4000 ms")},
                        0);
    cbFiltr->setAccessibleName(QStringLiteral("Filtr impulsů"));
    m_moduleIndicator = new ModuleIndicator;
    auto *module = new QVBoxLayout(gbModul);
    module->setContentsMargins(5, 5, 5, 5);
    module->addWidget(m_moduleIndicator);
    module->addWidget(btnConnect);
    module->addWidget(btnDisconnect);
    module->addWidget(cbFiltr);
    layout->addWidget(gbModul);

    gbRezim = Named<QGroupBox>("gbRezim", QStringLiteral(" Režim činnosti "));
    cbRezimFunkce = FixedList("cbRezimFunkce",
                              {QStringLiteral("Bez časoměrného modulu"), QStringLiteral("Přiřazování"),
                               QStringLiteral("Přiřazování s předvolbou")},
                              2);
    cbRezimFunkce->setAccessibleName(QStringLiteral("Režim funkce"));
    cbRezimFB = FixedList(
        "cbRezimFB", {QStringLiteral("Start -> cíl / FB1 -> FB2"), QStringLiteral("Start -> cíl / FB1 nebo FB2")}, 0);
    cbRezimFB->setAccessibleName(QStringLiteral("Režim fotobuněk"));
    auto *modes = new QVBoxLayout(gbRezim);
    modes->setContentsMargins(5, 5, 5, 5);
    modes->addWidget(cbRezimFunkce);
    modes->addWidget(cbRezimFB);
    layout->addWidget(gbRezim);
    layout->addStretch(1);
    return column;
}

QWidget *TfrmMain::BuildKeypad()
{
    auto *panel = Named<QFrame>("pnlKlavesnice");
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);

    lblCislo = Named<QLabel>("lblCislo", QStringLiteral("0"));
    lblCislo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCislo->setAutoFillBackground(true);
    lblCislo->setMargin(6);
    QPalette numberPalette = lblCislo->palette();
    numberPalette.setColor(QPalette::Window, Green);
    numberPalette.setColor(QPalette::WindowText, Qt::white);
    lblCislo->setPalette(numberPalette);
    // The widest text it shows is the race start's "10000": the type is as
    // large as lets those five digits stand whole in the fixed column.
    const int textWidth = RightColumnWidth - 2 * (PadMargin + panel->frameWidth() + lblCislo->margin()) - 4;
    QFont numberFont = lblCislo->font();
    numberFont.setBold(true);
    for (int pixels = 52; pixels > 12; --pixels) {
        numberFont.setPixelSize(pixels);
        if (QFontMetrics(numberFont).horizontalAdvance(QStringLiteral("10000")) <= textWidth)
            break;
    }
    lblCislo->setFont(numberFont);
    lblCislo->setFixedHeight(QFontMetrics(numberFont).height() + 12);

    lblUkazJmeno = Named<QLabel>("lblUkazJmeno", QStringLiteral("---"));
    lblUkazJmeno->setMinimumWidth(1);

    QFont keyFont = font();
    keyFont.setBold(true);
    keyFont.setPointSizeF(keyFont.pointSizeF() * 1.6);
    auto key = [&](const char *name, const QString &caption) {
        QPushButton *b = Button(name, caption);
        b->setFont(keyFont);
        b->setMinimumHeight(44);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return b;
    };
    const char *const names[] = {"Button6",  "Button7",  "Button8",  "Button9",  "Button11", "Button12",
                                 "Button13", "Button14", "Button15", "Button16", "Button17"};
    const QString captions[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "<"};
    for (int i = 0; i < 11; ++i)
        m_keypadKeys << key(names[i], captions[i]);
    btnStart = Button("btnStart", QStringLiteral("START"));
    btnStart->setMinimumHeight(44);
    btnStart->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Button2 = key("Button2", QStringLiteral("Vlož"));
    Button2->setMinimumHeight(50);
    // The default button of the window; Enter itself reaches it through the
    // key map, as a main window has no dialog-style default button.
    Button2->setAutoDefault(true);
    Button2->setDefault(true);

    auto *keys = new QGridLayout;
    keys->setSpacing(4);
    for (int i = 0; i < 9; ++i)
        keys->addWidget(m_keypadKeys[i], i / 3, i % 3);
    keys->addWidget(btnStart, 3, 0);
    keys->addWidget(m_keypadKeys[9], 3, 1);   // "0"
    keys->addWidget(m_keypadKeys[10], 3, 2);  // "<"

    auto *pad = new QVBoxLayout(panel);
    pad->setContentsMargins(PadMargin, PadMargin, PadMargin, PadMargin);
    pad->setSpacing(6);
    pad->addWidget(lblCislo);
    pad->addWidget(lblUkazJmeno);
    pad->addLayout(keys);
    pad->addWidget(Button2);

    return panel;
}

QWidget *TfrmMain::BuildResultsPage()
{
    auto *page = Named<QWidget>("TabSheet3");
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);

    cbRezimKol = FixedList(
        "cbRezimKol",
        {QStringLiteral("Vítěz má nejvíce kol a nejnižší čas (předchozí kola = mezičasy v poznámce)"),
         QStringLiteral("Bez užití kol")},
        0);
    cbRezimKol->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto *mode = new QHBoxLayout;
    mode->addWidget(Heading(QStringLiteral("Režim zpracování více kol: "), cbRezimKol));
    mode->addWidget(cbRezimKol);
    mode->addSpacing(16);
    cbKategorie = Named<CategoryBox>("cbKategorie");
    cbKategorie->setAccessibleName(QStringLiteral("Kategorie výsledkové listiny"));
    mode->addWidget(Heading(QStringLiteral("Kategorie:"), cbKategorie));
    mode->addWidget(cbKategorie);
    mode->addStretch(1);
    layout->addLayout(mode);

    lv1 = Named<QTableView>("lv1");
    SetUpList(lv1, QStringLiteral("Výsledková listina"), true);
    layout->addWidget(lv1, 1);

    btnExpr = Button("btnExpr", QStringLiteral("Export..."));
    btnTisk = Button("btnTisk", QStringLiteral("Tisk..."));
    btnPdf = Button("btnPdf", QStringLiteral("PDF..."));
    btnPravidla = Button("btnPravidla", QStringLiteral("Pravidla závodu..."));
    cbKategorieZvlast = Named<QCheckBox>("cbKategorieZvlast", QStringLiteral("Všechny kategorie zvlášť"));
    cbKategorieZvlast->setToolTip(QStringLiteral("Tisk a PDF: každá kategorie na vlastních stránkách"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(btnExpr);
    bottom->addSpacing(16);
    bottom->addWidget(btnTisk);
    bottom->addWidget(btnPdf);
    bottom->addWidget(cbKategorieZvlast);
    bottom->addStretch(1);
    bottom->addWidget(btnPravidla);
    layout->addLayout(bottom);
    return page;
}
