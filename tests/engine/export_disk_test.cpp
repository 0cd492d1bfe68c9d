// Exports that meet a full disk or a kill: frreport exits 1 with the system's reason, and a
// file that was at the target's name is still whole (the new one replaces it only when
// complete). The full disk is a small tmpfs mounted by the test; where the test cannot
// mount (not root, no CAP_SYS_ADMIN) it says so and skips.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <iostream>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include "tests/engine/journal_test_support.h"
#include "tests/engine/pdf_read.h"
#include "tool_run.h"

namespace {

const QByteArray kOldContent = "the file that was here before the export\n";

// A tmpfs of a given size on a folder of its own, unmounted when the test ends.
class SmallDisk {
public:
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }
    QString mount(qint64 bytes)
    {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        const QByteArray options = "size=" + QByteArray::number(bytes);
        if (::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", 0, options.constData()) != 0)
            return QStringLiteral("mount -t tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        m_mounted = true;
        return QString();
    }
    QString path() const { return m_dir.path(); }
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    qint64 available() const
    {
        struct statvfs s {};
        ::statvfs(QFile::encodeName(path()).constData(), &s);
        return qint64(s.f_bavail) * qint64(s.f_frsize);
    }
    // Fills the disk until at most free bytes are left.
    void leave(qint64 free)
    {
        QFile filler(file("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (available() > free)
            ASSERT_EQ(filler.write(block), block.size());
        filler.close();
        ASSERT_LE(available(), free);
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

class ExportDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
        journalTemplate = QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/J001.frf");
        ASSERT_TRUE(QFileInfo::exists(program) && QFileInfo::exists(journalTemplate))
            << "frreport and the journal template are built next to the tests";
        ASSERT_TRUE(dir.isValid());
    }

    void makeJournal(int rows)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("export_disk"));
            db.setDatabaseName(path("journal.db"));
            ASSERT_TRUE(db.open());
            journal_test::fillJournal(db, rows);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("export_disk"));
    }

    // The journal prepared once into a prepared-report file, for the exports below.
    void makePrepared(int rows)
    {
        makeJournal(rows);
        const TToolResult r = frRunTool(program, {QStringLiteral("prepare"), journalTemplate, QStringLiteral("--db"),
                                                  path("journal.db"), QStringLiteral("--dataset"),
                                                  QStringLiteral("frDBDataSet1=Temp"), QStringLiteral("--frp"),
                                                  path("journal.frp")});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
    }

    // --pdf and --xlsx export the prepared file; --frp prepares the journal again into out.
    TToolResult exportTo(const char *option, const QString &out)
    {
        if (QLatin1String(option) == QLatin1String("--frp"))
            return frRunTool(program, {QStringLiteral("prepare"), journalTemplate, QStringLiteral("--db"),
                                       path("journal.db"), QStringLiteral("--dataset"),
                                       QStringLiteral("frDBDataSet1=Temp"), QStringLiteral("--frp"), out});
        return frRunTool(program, {QStringLiteral("export"), path("journal.frp"), QLatin1String(option), out});
    }

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    static void writeOld(const QString &file)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kOldContent);
    }
    static QByteArray contentOf(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }

    QString program, journalTemplate;
    QTemporaryDir dir;
};

#define MOUNT_OR_SKIP(disk, bytes)                                                                         \
    do {                                                                                                   \
        const QString why = (disk).mount(bytes);                                                           \
        if (!why.isEmpty()) {                                                                              \
            std::cerr << "SKIPPED: the full-disk cases need a tmpfs mounted by the test, which this "     \
                         "machine refuses ("                                                               \
                      << why.toStdString() << ")" << std::endl;                                            \
            GTEST_SKIP() << "cannot mount a tmpfs here: " << why.toStdString();                            \
        }                                                                                                  \
    } while (false)

// The size of what an export writes, measured on an ordinary disk.
qint64 sizeOf(const QString &file) { return QFileInfo(file).size(); }

TEST_F(ExportDisk, AFullDiskFailsWithTheSystemsReasonAndKeepsTheOldFile)
{
    makePrepared(60);
    const QString reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
    for (const char *option : {"--pdf", "--xlsx", "--frp"}) {
        const QString name = QStringLiteral("out.") + QString::fromLatin1(option + 2);
        const TToolResult ok = exportTo(option, dir.filePath(name));
        ASSERT_EQ(ok.status, 0) << ok.err.toStdString();
        const qint64 size = sizeOf(dir.filePath(name));
        ASSERT_GT(size, 8 * 1024) << "the export must be larger than the gaps tried below";
        // From one byte short down to 10 KB short, with and without a file to replace.
        for (qint64 shortBy : {qint64(1), qint64(10 * 1024)}) {
            for (bool old : {true, false}) {
                SCOPED_TRACE(QStringLiteral("%1, %2 bytes short, old file %3").arg(name).arg(shortBy).arg(old).toStdString());
                SmallDisk disk;
                MOUNT_OR_SKIP(disk, 4 * size + 256 * 1024);
                const QString target = QDir(disk.path()).filePath(name);
                if (old)
                    writeOld(target);
                disk.leave(size - shortBy);
                const TToolResult r = exportTo(option, target);
                EXPECT_EQ(r.status, 1);
                const QString err = QString::fromUtf8(r.err);
                EXPECT_TRUE(err.contains(reason)) << err.toStdString();
                EXPECT_TRUE(err.contains(target)) << "names the file: " << err.toStdString();
                EXPECT_FALSE(err.contains(QLatin1String("[ERROR]"))) << err.toStdString();
                EXPECT_FALSE(err.contains(QLatin1String("Unknown error"))) << err.toStdString();
                if (old)
                    EXPECT_EQ(contentOf(target), kOldContent);
                else
                    EXPECT_FALSE(QFileInfo::exists(target));
                // Nothing else left behind: only the filler and the old file.
                const QStringList left = QDir(disk.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
                EXPECT_EQ(left.size(), old ? 2 : 1) << left.join(QLatin1Char(' ')).toStdString();
            }
        }
    }
}

TEST_F(ExportDisk, ASuccessfulExportReplacesTheOldFileWhole)
{
    makePrepared(20);
    const QString pdf = path("out.pdf"), xlsx = path("out.xlsx");
    writeOld(pdf);
    writeOld(xlsx);
    QFile::setPermissions(xlsx, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    ASSERT_EQ(exportTo("--pdf", pdf).status, 0);
    ASSERT_EQ(exportTo("--xlsx", xlsx).status, 0);
    EXPECT_GT(pdf_read::pdfPageCount(pdf), 0);
    EXPECT_TRUE(contentOf(xlsx).startsWith("PK"));
    const QFileDevice::Permissions kept = QFileInfo(xlsx).permissions();
    EXPECT_TRUE((kept & QFileDevice::ReadGroup) && !(kept & QFileDevice::ReadOther))
        << "a replaced workbook keeps the old file's permissions";
    // A new workbook is readable by others, not private like a temporary file.
    const QString fresh = path("fresh.xlsx");
    ASSERT_EQ(exportTo("--xlsx", fresh).status, 0);
    EXPECT_TRUE(QFileInfo(fresh).permissions() & QFileDevice::ReadOther);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".out")).size(), 0);
}

// A target that is no regular file is written in place, never replaced by a file; a link
// is followed and stays a link.
TEST_F(ExportDisk, ADeviceIsWrittenInPlaceAndALinkIsFollowed)
{
    makePrepared(20);
    for (const char *option : {"--pdf", "--xlsx"}) {
        SCOPED_TRACE(option);
        const TToolResult full = exportTo(option, QStringLiteral("/dev/full"));
        EXPECT_EQ(full.status, 1);
        EXPECT_TRUE(QString::fromUtf8(full.err).contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
            << full.err.toStdString();
        EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile()) << "the device is still a device";

        const QString real = path(QLatin1String(option) == QLatin1String("--pdf") ? "real.pdf" : "real.xlsx");
        const QString link = real + QStringLiteral(".link");
        writeOld(real);
        ASSERT_TRUE(QFile::link(real, link));
        const TToolResult r = exportTo(option, link);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_NE(contentOf(real), kOldContent) << "the link's target got the export";
    }
}

// kill -9 at several moments of an export over an existing file: the file is always either
// the old one or a complete new one, never a torn one.
TEST_F(ExportDisk, AKillDuringTheExportLeavesTheOldFileOrACompleteOne)
{
    makePrepared(3000);
    for (const char *option : {"--pdf", "--xlsx"}) {
        const bool pdf = QLatin1String(option) == QLatin1String("--pdf");
        const QString target = path(pdf ? "killed.pdf" : "killed.xlsx");
        int killedWhileRunning = 0;
        for (int delayMs : {150, 400, 800, 1500, 2500}) {
            SCOPED_TRACE(QStringLiteral("%1 after %2 ms").arg(QLatin1String(option)).arg(delayMs).toStdString());
            writeOld(target);
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("DISPLAY"));
            p.setProcessEnvironment(env);
            p.start(program, {QStringLiteral("export"), path("journal.frp"), QLatin1String(option), target});
            ASSERT_TRUE(p.waitForStarted());
            QThread::msleep(ulong(delayMs));
            if (p.state() == QProcess::Running) {
                ++killedWhileRunning;
                ::kill(pid_t(p.processId()), SIGKILL);
            }
            p.waitForFinished();
            const QByteArray now = contentOf(target);
            if (now == kOldContent)
                continue;
            if (pdf)
                EXPECT_GT(pdf_read::pdfPageCount(target), 0) << "a replaced PDF is complete";
            else
                EXPECT_EQ(QProcess::execute(QStringLiteral("unzip"), {QStringLiteral("-tqq"), target}), 0)
                    << "a replaced workbook is complete";
        }
        EXPECT_GT(killedWhileRunning, 0) << "the export ended before any kill: make the report larger";
    }
}

} // namespace
