// The installed programs and library: `cmake --install` into a temporary prefix gives a
// frreport that runs from there, menu entries that validate, and a CMake package against
// which the embedding example builds and turns the journal template over an SQLite table
// into a PDF and a workbook.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testkit/journal_data.h"

namespace {

struct ProcessResult {
    int status = -1;
    QString out;
};

ProcessResult runProcess(const QString &program, const QStringList &args, const QString &dir = QString(), int timeoutMs = 600000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit) {
        r.out = QStringLiteral("did not finish: ") + p.errorString() + QString::fromUtf8(p.readAll());
        return r;
    }
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAll());
    return r;
}

class Installed : public ::testing::Test {
protected:
    // One installation for the whole suite.
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        prefix = dir->filePath(QStringLiteral("prefix"));
        install = runProcess(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(FR_BUILD_DIR),
                                                QStringLiteral("--prefix"), prefix});
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override { ASSERT_EQ(install.status, 0) << install.out.toStdString(); }

    static inline QTemporaryDir *dir = nullptr;
    static inline QString prefix;
    static inline ProcessResult install;
};

} // namespace

TEST_F(Installed, ProgramsFilesAndMenuEntries)
{
    for (const char *program : {"journal", "frdesigner", "frreport", "frcalc"})
        EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("/bin/") + QLatin1String(program)).isExecutable()) << program;
    for (const char *file : {"share/journal/config.ini", "share/journal/Reports/J001.frf",
                             "share/journal/Reports/users.txt", "share/journal/Reports/recept.txt",
                             "share/journal/templates/list.frt", "share/journal/templates/groups.frt",
                             "share/journal/templates/master_detail.frt",
                             "share/man/man1/frreport.1", "share/man/man1/frcalc.1",
                             "share/mime/packages/journal-mime.xml",
                             "share/icons/hicolor/scalable/apps/journal.svg",
                             "include/frreport/report/model/report.h",
                             "lib/cmake/FrReport/FrReportConfig.cmake"})
        EXPECT_TRUE(QFileInfo::exists(prefix + QLatin1Char('/') + QLatin1String(file))) << file;

    const ProcessResult help = runProcess(prefix + QStringLiteral("/bin/frreport"), {QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("frreport prepare TEMPLATE"))) << help.out.toStdString();

    const QStringList desktop = {prefix + QStringLiteral("/share/applications/journal.desktop"),
                                 prefix + QStringLiteral("/share/applications/frdesigner.desktop")};
    const ProcessResult validate = runProcess(QStringLiteral("desktop-file-validate"), desktop);
    EXPECT_EQ(validate.status, 0) << validate.out.toStdString();
    EXPECT_TRUE(validate.out.trimmed().isEmpty()) << validate.out.toStdString();
}

TEST_F(Installed, EmbeddingExampleBuildsAgainstThePackageAndWritesPdfAndWorkbook)
{
    const QString build = dir->filePath(QStringLiteral("embed-build"));
    ProcessResult r = runProcess(QStringLiteral("cmake"), {QStringLiteral("-S"), QStringLiteral(FR_SOURCE_DIR "/examples/embed"),
                                          QStringLiteral("-B"), build, QStringLiteral("-G"), QStringLiteral("Ninja"),
                                          QStringLiteral("-DCMAKE_BUILD_TYPE=Release"),
                                          QStringLiteral("-DCMAKE_PREFIX_PATH=") + prefix});
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    r = runProcess(QStringLiteral("cmake"), {QStringLiteral("--build"), build});
    ASSERT_EQ(r.status, 0) << r.out.toStdString();

    const QString db = dir->filePath(QStringLiteral("journal.db"));
    ASSERT_TRUE(testkit::makeJournalFile(db, 60));
    const QString pdf = dir->filePath(QStringLiteral("journal.pdf"));
    const QString xlsx = dir->filePath(QStringLiteral("journal.xlsx"));
    r = runProcess(build + QStringLiteral("/embed"), {prefix + QStringLiteral("/share/journal/Reports/J001.frf"), db,
                                               QStringLiteral("Temp"), QStringLiteral("frDBDataSet1"), pdf, xlsx});
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral(" pages"))) << r.out.toStdString();

    const ProcessResult text = runProcess(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_EQ(text.status, 0) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("Журнал принятых файлов"))) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("Всего принято файлов: 60"))) << text.out.toStdString();
    const ProcessResult sheet = runProcess(QStringLiteral("unzip"), {QStringLiteral("-l"), xlsx});
    EXPECT_EQ(sheet.status, 0) << sheet.out.toStdString();
    EXPECT_TRUE(sheet.out.contains(QStringLiteral("xl/worksheets/sheet1.xml"))) << sheet.out.toStdString();
}
