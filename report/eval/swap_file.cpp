#include "report/eval/swap_file.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>

#ifdef Q_OS_WIN
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include "report/eval/errors.h"

namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

[[noreturn]] void fail(const QString &what, int code)
{
    throw EfrError(QStringLiteral("Swap file: %1. %2").arg(what, systemError(code)));
}

QString swapFolder()
{
    const QString &folder = frMemoryLimits().swapFolder;
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

#ifdef Q_OS_WIN
// Deleted by the system when the last handle closes, also when the process is killed.
int createUnnamed(const QString &folder)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QDir(folder).filePath(
            QStringLiteral("frswap-%1-%2.tmp").arg(_getpid()).arg(quint32(rand()) ^ quint32(attempt)));
        const int fd = _wopen(reinterpret_cast<const wchar_t *>(name.utf16()),
                              _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_TEMPORARY | _O_NOINHERIT,
                              _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

qint64 writeAt(int fd, qint64 offset, const char *data, qint64 size)
{
    if (_lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    qint64 done = 0;
    while (done < size) {
        const int n = _write(fd, data + done, unsigned(std::min<qint64>(size - done, 1 << 30)));
        if (n <= 0)
            return -1;
        done += n;
    }
    return done;
}

qint64 readAt(int fd, qint64 offset, char *data, qint64 size)
{
    if (_lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    qint64 done = 0;
    while (done < size) {
        const int n = _read(fd, data + done, unsigned(std::min<qint64>(size - done, 1 << 30)));
        if (n <= 0)
            return n < 0 ? -1 : done;
        done += n;
    }
    return done;
}

void closeFile(int fd) { _close(fd); }
#else
int createUnnamed(const QString &folder)
{
    const QByteArray dir = QFile::encodeName(folder);
#ifdef O_TMPFILE
    // Linux: a file that never has a name.
    const int fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
#endif
    // Elsewhere (or on file systems without O_TMPFILE): a fresh name, removed at once.
    QByteArray pattern = dir + "/frswap-XXXXXX";
    const int named = ::mkstemp(pattern.data());
    if (named < 0)
        return -1;
    ::fcntl(named, F_SETFD, FD_CLOEXEC);
    if (::unlink(pattern.constData()) != 0) {
        const int code = errno;
        ::close(named);
        errno = code;
        return -1;
    }
    return named;
}

qint64 writeAt(int fd, qint64 offset, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        done += n;
    }
    return done;
}

qint64 readAt(int fd, qint64 offset, char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

void closeFile(int fd) { ::close(fd); }
#endif

qint64 sizeFromEnvironment(const char *name, qint64 fallback)
{
    if (!qEnvironmentVariableIsSet(name))
        return fallback;
    const qint64 v = frParseByteSize(qEnvironmentVariable(name));
    return v >= 0 ? v : fallback;
}

} // namespace

qint64 frParseByteSize(const QString &text)
{
    QString t = text.trimmed();
    qint64 unit = 1;
    if (!t.isEmpty()) {
        switch (t.back().toUpper().unicode()) {
        case 'K': unit = 1LL << 10; break;
        case 'M': unit = 1LL << 20; break;
        case 'G': unit = 1LL << 30; break;
        default: break;
        }
        if (unit != 1)
            t.chop(1);
    }
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (!ok || n < 0 || n > (std::numeric_limits<qint64>::max() / unit))
        return -1;
    return n * unit;
}

TfrMemoryLimits &frMemoryLimits()
{
    static TfrMemoryLimits limits = [] {
        TfrMemoryLimits l;
        l.pageMemory = sizeFromEnvironment("FR_PAGE_MEMORY", l.pageMemory);
        l.rowMemory = sizeFromEnvironment("FR_ROW_MEMORY", l.rowMemory);
        l.swapFolder = qEnvironmentVariable("FR_SWAP_DIR");
        return l;
    }();
    return limits;
}

TfrSwapFile::~TfrSwapFile()
{
    if (m_fd >= 0)
        closeFile(m_fd);
}

void TfrSwapFile::open()
{
    if (m_fd >= 0)
        return;
    const QString folder = swapFolder();
    m_fd = createUnnamed(folder);
    if (m_fd < 0)
        fail(QStringLiteral("cannot create a file in \"%1\"").arg(QDir::toNativeSeparators(folder)), errno);
    m_size = 0;
}

qint64 TfrSwapFile::Append(const char *data, qint64 size)
{
    open();
    const qint64 offset = m_size;
    if (writeAt(m_fd, offset, data, size) != size)
        fail(QStringLiteral("cannot write %1 bytes").arg(size), errno);
    m_size += size;
    return offset;
}

void TfrSwapFile::Write(qint64 offset, const char *data, qint64 size)
{
    if (offset < 0 || offset + size > m_size)
        throw EfrError(QStringLiteral("Swap file: write outside the file"));
    if (writeAt(m_fd, offset, data, size) != size)
        fail(QStringLiteral("cannot write %1 bytes").arg(size), errno);
}

QByteArray TfrSwapFile::Read(qint64 offset, qint64 size) const
{
    if (size == 0)
        return QByteArray();
    if (m_fd < 0 || offset < 0 || size < 0 || offset + size > m_size)
        throw EfrError(QStringLiteral("Swap file: read outside the file"));
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (readAt(m_fd, offset, bytes.data(), size) != size)
        fail(QStringLiteral("cannot read %1 bytes").arg(size), errno ? errno : EIO);
    return bytes;
}
