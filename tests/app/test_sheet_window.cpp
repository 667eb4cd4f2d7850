// The race sheet in the window: the flag, the rules dialog and the status
// menus, each a step of the undo history.
#include "CategoryBox.h"
#include "DisplayControls.h"
#include "HotTrackView.h"
#include "MainWindowFixture.h"
#include "RaceSheetStore.h"
#include "RacerTable.h"
#include "ResultsLists.h"
#include "SheetControls.h"
#include "TimingDesk.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

using namespace Qt::Literals::StringLiterals;

namespace {

class SheetWindowTest : public MainWindowFixture {
protected:
    // Racers 12 (Ženy) and 7 (MX1), the race started and each passed once.
    void RunRace()
    {
        main().Racers()->setRows({{12, QStringLiteral("Nová Eva"), QStringLiteral("Ženy")},
                                  {7, QStringLiteral("Novák Jan"), QStringLiteral("MX1")}});
        TimingDesk &desk = *main().Desk();
        desk.simulateStartImpulse();
        dialogs.answerSave(dir.filePath(QStringLiteral("zavod.csvz")));
        desk.startRace();
        for (const QString number : {QStringLiteral("12"), QStringLiteral("7")}) {
            desk.simulateFinishImpulse();
            for (const QChar digit : number)
                desk.pressKey(QString(digit));
            desk.insert();
        }
        QApplication::processEvents();
    }
    const RaceSheet &sheet() { return main().Sheet()->sheet(); }
    void Undo() { ctl<QPushButton>("btnZpet")->click(); }

    // Opens the status menu of the view's row showing `number` and chooses
    // the action named `action`.
    void ChooseStatus(const char *view, int column, int number, const char *action)
    {
        auto *list = ctl<QTableView>(view);
        int row = -1;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            if (list->model()->index(r, column).data().toString().startsWith(QString::number(number) + u' '))
                row = r;
        ASSERT_GE(row, 0) << "no row of " << number << " in " << view;
        emit list->customContextMenuRequested(list->visualRect(list->model()->index(row, column)).center());
        auto *menu = main().findChild<QMenu *>(QStringLiteral("mnuStav"));
        ASSERT_NE(menu, nullptr);
        auto *chosen = menu->findChild<QAction *>(QString::fromLatin1(action));
        ASSERT_NE(chosen, nullptr) << action;
        chosen->trigger();
        delete menu;
    }
};

TEST_F(SheetWindowTest, FlagEndsTheSpectatorChoiceRacesInOneStep)
{
    RunRace();
    CategoryBox *shown = main().findChild<DisplayControls *>()->cbDispKategorie;
    shown->setCurrentIndex(shown->findText(QStringLiteral("MX1")));
    ctl<QPushButton>("btnCilovaVlajka")->click();
    EXPECT_EQ(sheet().ownRule(QStringLiteral("MX1")).kind, FinishRule::Kind::At);
    EXPECT_TRUE(sheet().ownRule(QStringLiteral("Ženy")).none());
    EXPECT_TRUE(sheet().ownRule(QString()).none());
    Undo();
    EXPECT_FALSE(sheet().hasRules());

    // "Všechny": every race, through the rule for every other category.
    shown->setCurrentIndex(0);
    ctl<QPushButton>("btnCilovaVlajka")->click();
    EXPECT_EQ(sheet().ownRule(QString()).kind, FinishRule::Kind::At);
    EXPECT_TRUE(sheet().ownRule(QStringLiteral("MX1")).none());
}

TEST_F(SheetWindowTest, RulesDialogSetsEveryRowInOneStep)
{
    RunRace();
    ctl<QPushButton>("btnPravidla")->click();
    auto *dialog = main().findChild<RulesDialog *>(QStringLiteral("frmPravidla"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("lblPravidlaNeplati")), nullptr);
    const std::vector<RaceSheet::CategoryRule> offered = dialog->chosen();
    ASSERT_EQ(offered.size(), 3u);  // "Ostatní kategorie", MX1, Ženy
    EXPECT_EQ(offered[0].category, QString());
    EXPECT_EQ(offered[1].category, QStringLiteral("MX1"));
    dialog->kindBox(0)->setCurrentIndex(2);  // minut
    dialog->countBox(0)->setValue(30);
    dialog->kindBox(1)->setCurrentIndex(1);  // kol
    dialog->countBox(1)->setValue(5);
    dialog->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(sheet().ownRule(QString()), FinishRule::Minutes(30));
    EXPECT_EQ(sheet().ownRule(QStringLiteral("MX1")), FinishRule::Laps(5));
    EXPECT_TRUE(sheet().ownRule(QStringLiteral("Ženy")).none());
    Undo();
    EXPECT_FALSE(sheet().hasRules());
    EXPECT_EQ(main().findChild<RulesDialog *>(), nullptr) << "the dialog goes once closed";

    // In laps mode 1 the dialog says the rules do not apply.
    ctl<QComboBox>("cbRezimKol")->setCurrentIndex(1);
    ctl<QPushButton>("btnPravidla")->click();
    dialog = main().findChild<RulesDialog *>(QStringLiteral("frmPravidla"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(dialog->findChild<QLabel *>(QStringLiteral("lblPravidlaNeplati")), nullptr);
    dialog->reject();
}

// A time-of-day rule the flag wrote stays as it is when the dialog's OK
// changes nothing else; an unchanged dialog makes no step.
TEST(RulesChangeTest, OnlyRowsThatDifferBecomeEdits)
{
    RaceSheet sheet;
    sheet.setRule(QStringLiteral("MX1"), FinishRule::At(50'000'000));
    sheet.setRule(QString(), FinishRule::Laps(5));
    EXPECT_TRUE(
        RulesChange(sheet, {{QString(), FinishRule::Laps(5)}, {QStringLiteral("MX1"), FinishRule::At(50'000'000)}})
            .empty());
    const SheetChange change = RulesChange(
        sheet, {{QString(), FinishRule{}}, {QStringLiteral("mx1 "), FinishRule::At(50'000'000)}});
    ASSERT_EQ(change.edits.size(), 1u);
    EXPECT_EQ(change.edits[0], SheetEdit::Rule(QString(), FinishRule::Laps(5), FinishRule{}));
}

TEST_F(SheetWindowTest, StatusMenusSetAndClearStatusesEachOneStep)
{
    RunRace();
    // Results list: a DSQ with the reason typed; cancelling the reason changes nothing.
    dialogs.answerText(std::nullopt);
    ChooseStatus("lv1", ResultsListModel::Caption, 7, "actDSQ");
    EXPECT_TRUE(sheet().status(7).none());
    dialogs.answerText(QStringLiteral("  zkrácení   trati "));
    ChooseStatus("lv1", ResultsListModel::Caption, 7, "actDSQ");
    EXPECT_EQ(sheet().status(7), (StatusEntry{RacerStatus::DSQ, QStringLiteral("zkrácení trati")}));
    const ResultsListModel *results = main().Results()->resultsModel();
    bool shown = false;
    for (int r = 0; r < results->rowCount(); ++r)
        if (results->row(r).number == 7)
            shown = results->row(r).status == RacerStatus::DSQ;
    EXPECT_TRUE(shown);

    // Record list: a DNF, then cleared; each step undone on its own.
    ChooseStatus("lv", RecordListModel::Caption, 12, "actDNF");
    EXPECT_EQ(sheet().status(12).status, RacerStatus::DNF);
    ChooseStatus("lv", RecordListModel::Caption, 12, "actZrusitStav");
    EXPECT_TRUE(sheet().status(12).none());
    Undo();
    EXPECT_EQ(sheet().status(12).status, RacerStatus::DNF);
    Undo();
    EXPECT_TRUE(sheet().status(12).none());
    EXPECT_EQ(sheet().status(7).status, RacerStatus::DSQ);
    Undo();
    EXPECT_TRUE(sheet().empty());
}

}  // namespace

namespace {

// A passage after the racer's finish is greyed and says "po dojetí" beside
// the racer; removing the rule counts it again.
TEST_F(SheetWindowTest, PassageAfterFinishSaysSoInTheRecordList)
{
    RunRace();
    ASSERT_TRUE(main().Desk()->ChangeSheet(SheetChange{{SheetEdit::Rule(QString(), {}, FinishRule::Laps(1))}}));
    TimingDesk &desk = *main().Desk();
    desk.simulateFinishImpulse();
    for (const QChar digit : QStringLiteral("12"))
        desk.pressKey(QString(digit));
    desk.insert();
    QApplication::processEvents();

    const QAbstractItemModel *records = ctl<QTableView>("lv")->model();
    // Racer 12's passages: the caption and lap, and whether each is greyed.
    const auto lapsOf12 = [records] {
        QStringList laps;
        for (int r = 0; r < records->rowCount(); ++r) {
            const QModelIndex caption = records->index(r, RecordListModel::Caption);
            if (caption.data().toString().startsWith(QStringLiteral("12 ")))
                laps << caption.data().toString() + u' ' + records->index(r, RecordListModel::Lap).data().toString()
                            + (caption.data(Qt::ForegroundRole).isValid() ? u"/grey"_s : QString());
        }
        laps.sort();
        return laps;
    };
    EXPECT_EQ(lapsOf12(), (QStringList{u"12 (Nová Eva (Ženy)) 1"_s, u"12 (Nová Eva (Ženy)) – po dojetí 2/grey"_s}));

    ASSERT_TRUE(main().Desk()->ChangeSheet(SheetChange{{SheetEdit::Rule(QString(), FinishRule::Laps(1), {})}}));
    QApplication::processEvents();
    EXPECT_EQ(lapsOf12(), (QStringList{u"12 (Nová Eva (Ženy)) 1"_s, u"12 (Nová Eva (Ženy)) 2"_s}));
}

}  // namespace
