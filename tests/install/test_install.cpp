// Installing: the files an install into a scratch root (DESTDIR) places, the
// desktop entry and the metainfo as Debian's validators see them, the icons'
// sizes, the operator's guide with its pictures, and the .deb that CPack
// builds: its file list and dependencies.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    int code = -1;
    QString output;  // standard output and error together
};

ToolRun RunTool(const QString &program, const QStringList &arguments, const QProcessEnvironment &env = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!env.isEmpty())
        process.setProcessEnvironment(env);
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(120000)) {
        run.output = QStringLiteral("did not finish: ") + process.errorString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAll());
    return run;
}

const QString AppId = QStringLiteral("cz.norvanta.tikomat");
const QList<int> IconSizes{16, 24, 32, 48, 64, 128, 256};
const QString GuideFolder = QStringLiteral("usr/share/tikomat/navod/");

// The guide's pictures, as its source folder holds them.
QStringList GuidePictures()
{
    return QDir(QStringLiteral(TIKOMAT_DOCS_DIR)).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

// Every file the package holds, relative to the root, without "./".
QStringList ExpectedFiles()
{
    QStringList files{
        QStringLiteral("usr/bin/tikomat"),
        QStringLiteral("usr/bin/tikomat-results"),
        QStringLiteral("usr/lib/udev/rules.d/60-tikomat.rules"),
        QStringLiteral("usr/share/applications/") + AppId + QStringLiteral(".desktop"),
        QStringLiteral("usr/share/metainfo/") + AppId + QStringLiteral(".metainfo.xml"),
        QStringLiteral("usr/share/icons/hicolor/scalable/apps/") + AppId + QStringLiteral(".svg"),
        QStringLiteral("usr/share/man/man1/tikomat.1.gz"),
        QStringLiteral("usr/share/man/man1/tikomat-results.1.gz"),
        QStringLiteral("usr/share/doc/tikomat/examples/95-tikomat-realtime.conf"),
        GuideFolder + QStringLiteral("navod.html"),
    };
    for (const QString &picture : GuidePictures())
        files << GuideFolder + picture;
    for (int size : IconSizes)
        files << QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(AppId);
    files.sort();
    return files;
}

QStringList FilesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = new QTemporaryDir;
        ASSERT_TRUE(root->isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), root->path());
        const ToolRun install = RunTool(QStringLiteral(TIKOMAT_CMAKE),
                                        {QStringLiteral("--install"), QStringLiteral(TIKOMAT_BUILD_DIR),
                                         QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                        env);
        ASSERT_EQ(install.code, 0) << install.output.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete root;
        root = nullptr;
    }
    static QString installed(const QString &file) { return root->filePath(file); }

    static QTemporaryDir *root;
};
QTemporaryDir *InstallTest::root = nullptr;

TEST_F(InstallTest, PlacesExactlyThePackagesFilesAndTheCommandRuns)
{
    EXPECT_EQ(FilesUnder(root->path()), ExpectedFiles());
    const ToolRun version = RunTool(installed(QStringLiteral("usr/bin/tikomat-results")),
                                    {QStringLiteral("--version")});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.output, QStringLiteral("tikomat-results 1.82\n"));
    EXPECT_TRUE(QFileInfo(installed(QStringLiteral("usr/bin/tikomat"))).isExecutable());
}

TEST_F(InstallTest, DesktopEntryAndMetainfoPassTheValidators)
{
    const ToolRun desktop = RunTool(
        QStringLiteral("desktop-file-validate"),
        {installed(QStringLiteral("usr/share/applications/") + AppId + QStringLiteral(".desktop"))});
    EXPECT_EQ(desktop.code, 0) << desktop.output.toStdString();
    EXPECT_TRUE(desktop.output.trimmed().isEmpty()) << "not even a hint: " << desktop.output.toStdString();

    const ToolRun metainfo = RunTool(
        QStringLiteral("appstreamcli"),
        {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
         installed(QStringLiteral("usr/share/metainfo/") + AppId + QStringLiteral(".metainfo.xml"))});
    EXPECT_EQ(metainfo.code, 0) << metainfo.output.toStdString();
}

TEST_F(InstallTest, IconsHaveTheirSizesAndTheDesktopEntryNamesThem)
{
    for (int size : IconSizes) {
        const QImage icon(installed(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(AppId)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
        EXPECT_TRUE(icon.hasAlphaChannel()) << size;
    }
    QFile entry(installed(QStringLiteral("usr/share/applications/") + AppId + QStringLiteral(".desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\nIcon=") + AppId + u'\n'));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=tikomat\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nGenericName[cs]=Záznam časů\n")));
}

// The guide is one page that needs nothing from the network: every picture it
// shows lies beside it, and the manual page tells where it is.
TEST_F(InstallTest, GuideIsOnePageWithItsPicturesBesideItAndTheManualPageNamesIt)
{
    QFile page(installed(GuideFolder + QStringLiteral("navod.html")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray bytes = page.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString html = utf8.decode(bytes);
    ASSERT_FALSE(utf8.hasError()) << "the page is UTF-8";
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("návod pro obsluhu"), Qt::CaseInsensitive)) << "Czech letters intact";
    EXPECT_FALSE(html.contains(QStringLiteral("<link"))) << "the style is inside the page";
    EXPECT_FALSE(html.contains(QStringLiteral("<script")));

    QStringList shown;
    const QRegularExpression image(QStringLiteral("<img[^>]* src=\"([^\"]+)\""));
    for (auto it = image.globalMatch(html); it.hasNext();)
        shown << it.next().captured(1);
    EXPECT_FALSE(shown.isEmpty()) << "the guide shows the window";
    for (const QString &src : shown)
        EXPECT_TRUE(QFile::exists(installed(GuideFolder + src))) << src.toStdString();
    shown.sort();
    shown.removeDuplicates();
    EXPECT_EQ(shown, GuidePictures()) << "no picture left out, none installed in vain";

    const ToolRun man = RunTool(QStringLiteral("gzip"),
                                {QStringLiteral("-dc"), installed(QStringLiteral("usr/share/man/man1/tikomat.1.gz"))});
    ASSERT_EQ(man.code, 0) << man.output.toStdString();
    EXPECT_TRUE(man.output.contains(u'/' + GuideFolder + QStringLiteral("navod.html")));
}

// CPack builds the .deb into a scratch folder; dpkg-deb lists and describes it.
TEST(PackageTest, DebHoldsTheInstalledFilesAndDependsOnDebiansLibraries)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const ToolRun cpack = RunTool(QStringLiteral(TIKOMAT_CPACK),
                                  {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out.path(),
                                   QStringLiteral("--config"), QStringLiteral(TIKOMAT_BUILD_DIR "/CPackConfig.cmake")});
    ASSERT_EQ(cpack.code, 0) << cpack.output.toStdString();
    const QString deb = out.filePath(QStringLiteral("tikomat_1.82_amd64.deb"));
    ASSERT_TRUE(QFile::exists(deb)) << cpack.output.toStdString();

    const ToolRun contents = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
    ASSERT_EQ(contents.code, 0) << contents.output.toStdString();
    QStringList files;
    for (const QString &line : contents.output.split(u'\n', Qt::SkipEmptyParts)) {
        const QString name = line.section(u' ', -1);
        EXPECT_TRUE(line.contains(QStringLiteral(" root/root "))) << line.toStdString();
        if (!name.endsWith(u'/'))
            files << name.mid(2);  // "./usr/..." -> "usr/..."
    }
    files.sort();
    EXPECT_EQ(files, ExpectedFiles());

    const ToolRun fields = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Package"),
                                                                QStringLiteral("Version"), QStringLiteral("Depends")});
    ASSERT_EQ(fields.code, 0) << fields.output.toStdString();
    EXPECT_TRUE(fields.output.contains(QStringLiteral("Package: tikomat\n")));
    EXPECT_TRUE(fields.output.contains(QStringLiteral("Version: 1.82\n")));
    for (const char *library : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6", "libqt6dbus6",
                                "libqt6printsupport6", "libc6", "fonts-dejavu-core", "qt6-qpa-plugins"})
        EXPECT_TRUE(fields.output.contains(QString::fromLatin1(library))) << library << "\n"
                                                                          << fields.output.toStdString();
}

}  // namespace
