#include "QtDialogs.h"
#include "Startup.h"

#include <gtest/gtest.h>

#include <QTest>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <functional>

namespace {

struct FilterCase {
    const char *input;
    const char *expected;
};

void PrintTo(const FilterCase &c, std::ostream *out)
{
    *out << '"' << c.input << '"';
}

class FilterConversion : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterConversion, BecomesQtForm)
{
    EXPECT_EQ(ToQtFileFilter(QString::fromUtf8(GetParam().input)), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterConversion,
    ::testing::Values(FilterCase{"Soubory CSV (*.csv)|*.csv|Všechny soubory (*.*)|*.*",
                                 "Soubory CSV (*.csv);;Všechny soubory (*.*)"},
                      FilterCase{"Soubory CSV (*.csv *.csvz)|*.csv;*.csvz|Všechny soubory (*.*)|*.*",
                                 "Soubory CSV (*.csv *.csvz);;Všechny soubory (*.*)"},
                      FilterCase{"Soubory dat (*.racerlist)|*.racerlist", "Soubory dat (*.racerlist)"},
                      // patterns missing from the description are added, since Qt reads them there
                      FilterCase{"Sešity|*.xls;*.xlsx", "Sešity (*.xls *.xlsx)"},
                      FilterCase{"Text (*.txt)|*.csv", "Text (*.txt) (*.csv)"}, FilterCase{"", ""},
                      FilterCase{"Jen popis", "Jen popis"}, FilterCase{"|*.csv", "(*.csv)"}));

// Runs `inspect` on the modal box or dialog as soon as it is shown.
void WhenModalShown(std::function<void(QWidget *)> inspect)
{
    auto *timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            inspect(w);
        }
    });
    timer->start();
}

class QtDialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetUpApplication();
        translated = InstallCzechTranslations(*qApp);
    }
    static inline bool translated = false;
    QtDialogs dialogs;
};

TEST_F(QtDialogsTest, QuestionHasCzechYesNoAndReportsTheAnswer)
{
    ASSERT_TRUE(translated) << "qtbase_cs missing under "
                            << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
    for (const bool yes : {true, false}) {
        QString title, text, yesText, noText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModalShown([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            yesText = box->button(QMessageBox::Yes)->text();
            noText = box->button(QMessageBox::No)->text();
            box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        EXPECT_EQ(dialogs.question(QStringLiteral("Tikomat"), QStringLiteral("Opravdu?"), MsgIcon::Question), yes);
        EXPECT_EQ(title, QStringLiteral("Tikomat"));
        EXPECT_EQ(text, QStringLiteral("Opravdu?"));
        EXPECT_EQ(icon, QMessageBox::Question);
        EXPECT_EQ(yesText.remove(u'&'), QStringLiteral("Ano"));
        EXPECT_EQ(noText.remove(u'&'), QStringLiteral("Ne"));
    }
}

TEST_F(QtDialogsTest, MessageWithoutTitleCarriesTheApplicationTitle)
{
    QString title;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModalShown([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        buttons = int(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.message(QStringLiteral("Neplatné číslo závodníka!"));
    EXPECT_EQ(title, QStringLiteral("Záznam časů"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, 1);
}

TEST_F(QtDialogsTest, ChoiceShowsItsNamedButtonsAndEscPressesTheLast)
{
    const QStringList names{QStringLiteral("Aktualizovat"), QStringLiteral("Přeskočit"), QStringLiteral("Storno")};
    // How the box is answered, and the index it must report.
    const std::vector<std::pair<QString, int>> cases = {
        {QStringLiteral("Přeskočit"), 1}, {QStringLiteral("Aktualizovat"), 0}, {QStringLiteral("Esc"), 2}};
    for (const auto &[answer, expected] : cases) {
        SCOPED_TRACE(answer.toStdString());
        QStringList shown;
        WhenModalShown([&, answer = answer](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            ASSERT_NE(box, nullptr);
            for (QAbstractButton *b : box->buttons())
                shown << b->text();
            if (answer == QStringLiteral("Esc")) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton *b : box->buttons())
                if (b->text() == answer)
                    b->click();
        });
        EXPECT_EQ(dialogs.choose({}, QStringLiteral("Čísla už v tabulce jsou."), MsgIcon::Question, names), expected);
        std::sort(shown.begin(), shown.end());
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(shown, sorted) << "exactly the named buttons";
    }
}

TEST_F(QtDialogsTest, SaveDialogAddsTheDefaultSuffixAndCancelGivesNothing)
{
    QTemporaryDir dir;
    FileRequest request{QStringLiteral("Datový soubor záznamu časů..."),
                        QStringLiteral("Soubory CSV (*.csv)|*.csv|Všechny soubory (*.*)|*.*"), QStringLiteral("csvz"),
                        dir.filePath(QStringLiteral("zavod"))};
    QString title;
    QStringList filters;
    WhenModalShown([&](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        static_cast<QDialog *>(dialog)->accept();  // QFileDialog::accept, through the public slot
    });
    const auto chosen = dialogs.saveFile(request);
    EXPECT_EQ(title, request.title);
    EXPECT_EQ(filters, QStringList({QStringLiteral("Soubory CSV (*.csv)"), QStringLiteral("Všechny soubory (*.*)")}));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.filePath(QStringLiteral("zavod.csvz")));

    WhenModalShown([](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); });
    EXPECT_FALSE(dialogs.openFile(request).has_value());
}

// A task that goes on, a step every few milliseconds, until it is cancelled
// or has made `steps` steps.
class SteppingTask : public ProgressTask {
public:
    explicit SteppingTask(int steps) : m_steps(steps) {}
    void run() override
    {
        thread = QThread::currentThread();
        for (int i = 1; i <= m_steps && !cancelRequested(); ++i) {
            QThread::msleep(5);
            emit progressed(std::min(100, i));
        }
    }
    QThread *thread = nullptr;

private:
    int m_steps;
};

TEST_F(QtDialogsTest, ProgressRunsTheTaskOffTheWindowsThreadAndCancelStopsIt)
{
    SteppingTask endless(2000);
    QString title, label, cancel;
    WhenModalShown([&](QWidget *w) {
        auto *dialog = qobject_cast<QProgressDialog *>(w);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        label = dialog->labelText();
        const auto buttons = dialog->findChildren<QPushButton *>();
        ASSERT_EQ(buttons.size(), 1);
        cancel = buttons[0]->text();
        buttons[0]->click();
    });
    EXPECT_FALSE(dialogs.progress(QStringLiteral("Načítám datový soubor velky.csvz (21 MB)…"), endless));
    EXPECT_TRUE(endless.cancelRequested());
    EXPECT_EQ(title, QStringLiteral("Záznam časů"));
    EXPECT_EQ(label, QStringLiteral("Načítám datový soubor velky.csvz (21 MB)…"));
    EXPECT_EQ(cancel, QStringLiteral("Zrušit"));
    ASSERT_NE(endless.thread, nullptr);
    EXPECT_NE(endless.thread, QThread::currentThread()) << "the window keeps its thread meanwhile";

    SteppingTask shortOne(20);
    EXPECT_TRUE(dialogs.progress(QStringLiteral("Krátce"), shortOne));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the dialog is gone when the task ends";
}

}  // namespace

// A job that counts the pages it was asked to draw.
class CountingJob : public PrintJob {
public:
    QString title() const override { return QStringLiteral("Výpis závodníků"); }
    void setUpPage(QPagedPaintDevice &) override {}
    bool print(QPagedPaintDevice &) override
    {
        ++painted;
        return true;
    }
    int painted = 0;
};

TEST_F(QtDialogsTest, PrintPreviewShowsThePagesOrSaysThereIsNoPrinter)
{
    CountingJob job;
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        // The preview opens all the same, says why nothing prints and offers a PDF.
        QString title, note, save;
        WhenModalShown([&](QWidget *w) {
            title = w->windowTitle();
            if (auto *label = w->findChild<QLabel *>(QStringLiteral("lblBezTiskarny")))
                note = label->text();
            if (auto *button = w->findChild<QPushButton *>(QStringLiteral("btnUlozitPdf")))
                save = button->text();
            qobject_cast<QDialog *>(w)->reject();
        });
        EXPECT_TRUE(dialogs.printPreview(job).isEmpty());
        EXPECT_EQ(title, QStringLiteral("Náhled tisku – Výpis závodníků"));
        EXPECT_EQ(note, QtDialogs::NoPrinterText());
        EXPECT_EQ(save, QStringLiteral("Uložit PDF..."));
        EXPECT_GE(job.painted, 1);
        return;
    }
    QString title;
    WhenModalShown([&](QWidget *w) {
        title = w->windowTitle();
        qobject_cast<QDialog *>(w)->reject();
    });
    EXPECT_TRUE(dialogs.printPreview(job).isEmpty());
    EXPECT_EQ(title, QStringLiteral("Náhled tisku – Výpis závodníků"));
    EXPECT_GE(job.painted, 1);
}
