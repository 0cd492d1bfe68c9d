#include "report/eval/output_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "report/eval/errors.h"

namespace {

// Big enough that a PDF's small writes do not each reach the disk.
constexpr qsizetype kBufferSize = 256 * 1024;

// Qt reports a write that stopped part way with no reason; the same write once more meets
// the cause and says it.
bool unhelpful(const QString &reason)
{
    return reason.isEmpty() || reason == QLatin1String("Unknown error");
}

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

QString frWriteErrorText(const QString &fileName, const QString &reason)
{
    return QStringLiteral("Ошибка записи файла \"%1\": %2").arg(QDir::toNativeSeparators(fileName), reason);
}

// ---- TfrOutputFile ----------------------------------------------------------------------

QString frWriteTarget(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty())
            return target;
    }
    return fileName;
}

namespace {

// A device or pipe under the name: it cannot be replaced by a file.
bool replaceable(const QString &target)
{
    const QFileInfo info(target);
    return !info.exists() || info.isFile();
}

} // namespace

TfrOutputFile::TfrOutputFile(const QString &fileName) : m_name(fileName)
{
    const QString target = frWriteTarget(fileName);
    if (replaceable(target))
        m_file = std::make_unique<QSaveFile>(target);
    else
        m_file = std::make_unique<QFile>(target);
}

TfrOutputFile::~TfrOutputFile() { close(); }

bool TfrOutputFile::open()
{
    // Unbuffered underneath: the buffer here is the only one, so every failure is seen.
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setErrorString(m_file->errorString());
        return false;
    }
    m_buffer.reserve(kBufferSize);
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TfrOutputFile::writeData(const char *data, qint64 len)
{
    if (!m_reason.isEmpty())
        return -1;
    m_buffer.append(data, len);
    if (m_buffer.size() >= kBufferSize && !drain())
        return -1;
    return len;
}

bool TfrOutputFile::drain()
{
    const char *p = m_buffer.constData();
    qint64 left = m_buffer.size();
    int attempts = 0;
    while (left > 0 && m_reason.isEmpty()) {
        const qint64 n = m_file->write(p, left);
        if (n > 0) {
            p += n;
            left -= n;
            m_written += n;
            attempts = 0;
            continue;
        }
        // A short write first, then the write that fails tells why.
        const QString reason = m_file->errorString();
        if (!unhelpful(reason) || ++attempts > 1)
            m_reason = unhelpful(reason) ? systemReason(ENOSPC) : reason;
    }
    m_buffer.clear();
    if (!m_reason.isEmpty())
        setErrorString(m_reason);
    return m_reason.isEmpty();
}

void TfrOutputFile::discard()
{
    m_buffer.clear();
    if (auto *save = dynamic_cast<QSaveFile *>(m_file.get())) {
        save->cancelWriting();
        save->commit();
    } else {
        m_file->close();
    }
}

void TfrOutputFile::commit()
{
    if (!isOpen())
        throw EfrError(frWriteErrorText(m_name, QStringLiteral("файл не открыт")));
    // Writers that end their document when the device closes (PDF) write their last bytes
    // here, into the buffer.
    QIODevice::close();
    if (!drain()) {
        discard();
        throw EfrError(frWriteErrorText(m_name, m_reason));
    }
    bool ok = true;
    if (auto *save = dynamic_cast<QSaveFile *>(m_file.get())) {
        ok = save->commit();
    } else {
        ok = m_file->flush();
        m_file->close();
        ok = ok && m_file->error() == QFileDevice::NoError;
    }
    if (!ok) {
        const QString reason = m_file->errorString();
        throw EfrError(frWriteErrorText(m_name, unhelpful(reason) ? systemReason(ENOSPC) : reason));
    }
}

void TfrOutputFile::close()
{
    if (!isOpen())
        return;
    QIODevice::close();
    discard();
}

// ---- TfrReplacingPath -------------------------------------------------------------------

TfrReplacingPath::TfrReplacingPath(const QString &fileName) : m_name(frWriteTarget(fileName))
{
    if (!replaceable(m_name)) {
        m_temp = m_name;
        m_direct = true;
        return;
    }
    const QFileInfo info(m_name);
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(false);
    if (!temp.open())
        throw EfrError(temp.errorString());
    m_temp = temp.fileName();
}

TfrReplacingPath::~TfrReplacingPath()
{
    if (!m_done && !m_direct)
        QFile::remove(m_temp);
}

void TfrReplacingPath::commit()
{
    if (m_direct)
        return;
    // A new file gets the permissions a file created here would get, not the temporary's
    // private ones; a replaced file keeps its own.
    const QFileInfo old(m_name);
    QFileDevice::Permissions perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                     QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (old.exists())
        perms = old.permissions();
    QFile::setPermissions(m_temp, perms);
    // rename() replaces the target in one step: a reader sees the old file or the new one.
    if (std::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_name).constData()) != 0) {
        const int error = errno;
        throw EfrError(systemReason(error));
    }
    m_done = true;
}
