// The operator's guide: found beside the program in the build tree or under
// an installed program's prefix, and opened by F1 (wherever the focus is) and
// by "Nápověda".  The desktop's browser is replaced by a URL handler for
// "file", Qt's own seam in front of xdg-open, so no browser starts.
#include "Controls.h"
#include "EventLog.h"
#include "Guide.h"
#include "MainWindowFixture.h"
#include "ManualEntryDialog.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// Stands in for the browser: keeps every address it is asked to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

void WritePage(const QString &path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile page(path);
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<!DOCTYPE html><title>N\xc3\xa1vod</title>");
}

// The desktop's data folders of a test are its own scratch folders, so that a
// guide installed on the machine running the tests is never found.
class ScratchDataFolders {
public:
    ScratchDataFolders() : m_home(qgetenv("XDG_DATA_HOME")), m_dirs(qgetenv("XDG_DATA_DIRS"))
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("home"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_root.filePath(QStringLiteral("system"))));
    }
    ~ScratchDataFolders()
    {
        qputenv("XDG_DATA_HOME", m_home);
        if (m_dirs.isNull())
            qunsetenv("XDG_DATA_DIRS");
        else
            qputenv("XDG_DATA_DIRS", m_dirs);
    }
    // Where a guide in the user's data folder lies.
    QString userGuide() const { return m_root.filePath(QStringLiteral("home/tikomat/navod/navod.html")); }

private:
    QTemporaryDir m_root;
    QByteArray m_home, m_dirs;
};

TEST(GuideLookup, BuildTreeThenInstalledPrefixThenDataFolders)
{
    ScratchDataFolders data;
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString program = root.filePath(QStringLiteral("usr/bin"));
    const QString besideProgram = root.filePath(QStringLiteral("usr/bin/navod/navod.html"));
    const QString installed = root.filePath(QStringLiteral("usr/share/tikomat/navod/navod.html"));
    ASSERT_TRUE(QDir().mkpath(program));

    struct Case {
        const char *name;
        QStringList present;
        QString found;
    };
    const std::vector<Case> cases{
        {"nothing anywhere", {}, {}},
        {"only the user's data folder", {data.userGuide()}, data.userGuide()},
        {"installed under the prefix", {installed, data.userGuide()}, installed},
        {"beside the program (build tree)", {besideProgram, installed, data.userGuide()}, besideProgram},
    };
    for (const Case &c : cases) {
        for (const QString &path : c.present)
            WritePage(path);
        EXPECT_EQ(FindGuide(program), c.found) << c.name;
    }
    // A folder of that name is not a page.
    QFile::remove(besideProgram);
    ASSERT_TRUE(QDir().mkpath(besideProgram));
    EXPECT_EQ(FindGuide(program), installed);
}

class GuideWindowTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp());
        main().show();
        QApplication::setActiveWindow(&main());
    }
    void PressF1()
    {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : QApplication::activeWindow(), Qt::Key_F1);
    }

    ScratchDataFolders data;
    OpenedUrls browser;
};

TEST_F(GuideWindowTest, F1AndTheButtonOpenTheGuideFromEveryPageAndTheManualEntry)
{
    WritePage(data.userGuide());
    const QUrl guide = QUrl::fromLocalFile(data.userGuide());
    auto *pages = Control<QTabWidget>(main(), "PageControl");

    // Typing in the spectator caption leaves F1 to the guide and the field as it was.
    auto *caption = Control<QLineEdit>(main(), "edDispCaption");
    caption->setFocus();
    QTest::keyClicks(caption, QStringLiteral("Finale"));
    PressF1();
    EXPECT_EQ(browser.urls, QList<QUrl>{guide}) << "timing page, caption field";
    EXPECT_EQ(caption->text(), QStringLiteral("Finale"));

    for (int page = 1; page < pages->count(); ++page) {
        browser.urls.clear();
        pages->setCurrentIndex(page);
        pages->currentWidget()->setFocus();
        PressF1();
        EXPECT_EQ(browser.urls, QList<QUrl>{guide}) << pages->tabText(page).toStdString();
    }

    // The manual entry dialog is a window of its own.
    browser.urls.clear();
    pages->setCurrentIndex(0);
    Control<QPushButton>(main(), "btnNovyZaznam")->click();
    ASSERT_TRUE(windows.frmTime->isVisible());
    QApplication::setActiveWindow(windows.frmTime);
    PressF1();
    EXPECT_EQ(browser.urls, QList<QUrl>{guide}) << "manual entry dialog";

    browser.urls.clear();
    QApplication::setActiveWindow(&main());
    auto *button = Control<QPushButton>(main(), "btnNapoveda");
    ASSERT_TRUE(button->isVisible()) << "the button stands in the tabs' corner";
    button->click();
    EXPECT_EQ(browser.urls, QList<QUrl>{guide}) << "Nápověda";
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
    EXPECT_TRUE(main().Data()->records().empty()) << "F1 is no key of the keypad";
}

TEST_F(GuideWindowTest, AMissingGuideIsExplainedAndNothingIsOpened)
{
    Control<QPushButton>(main(), "btnNapoveda")->click();
    EXPECT_TRUE(browser.urls.isEmpty());
    ASSERT_EQ(dialogs.messages().size(), 1);
    const QString message = dialogs.messages().constFirst();
    EXPECT_TRUE(message.startsWith(QStringLiteral("Návod pro obsluhu (navod.html) nebyl nalezen.")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QFileInfo(data.userGuide()).path()))
        << "names where it looked: " << message.toStdString();
}

}  // namespace

#include "test_guide.moc"
