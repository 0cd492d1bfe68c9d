// Files that replace their target only when complete: a failed or killed write leaves the
// file that was at the target's name as it was. Both report the system's reason for a
// failed write ("No space left on device"), also for a write that stopped half way.
// A target that is a link is followed; one that is no regular file (a device, a pipe) is
// written directly: it cannot be replaced, and must never be.
//
//   TfrOutputFile     a device to write into (the prepared-report file's way: QSaveFile)
//   TfrReplacingPath  a name in the target's folder for a library that writes by name
//                     (libxlsxwriter), moved over the target when the library is done
#pragma once

#include <QFileDevice>
#include <QIODevice>
#include <QString>
#include <memory>

class TfrOutputFile : public QIODevice {
public:
    explicit TfrOutputFile(const QString &fileName);
    ~TfrOutputFile() override;

    // Opens the hidden new file next to the target; false with errorString() when it cannot.
    bool open();
    // Completes the file and puts it in the target's place: EfrError with the file's name
    // and the system's reason when anything could not be written.
    void commit();
    // Drops what was written; the target stays as it was.
    void close() override;
    // Bytes written so far, buffered ones included.
    qint64 writtenSize() const { return m_written + m_buffer.size(); }
    QString fileName() const { return m_name; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override;

private:
    bool drain();

    void discard();

    QString m_name;
    std::unique_ptr<QFileDevice> m_file; // a QSaveFile, or a QFile for a device
    QByteArray m_buffer;
    qint64 m_written = 0;
    QString m_reason; // the first write failure
};

class TfrReplacingPath {
public:
    // EfrError with the system's reason (only) when no file can be made in the target's folder.
    explicit TfrReplacingPath(const QString &fileName);
    ~TfrReplacingPath();
    TfrReplacingPath(const TfrReplacingPath &) = delete;
    TfrReplacingPath &operator=(const TfrReplacingPath &) = delete;

    // Where the library writes.
    QString path() const { return m_temp; }
    // Moves the written file over the target (keeping an existing target's permissions);
    // EfrError with the system's reason when it cannot.
    void commit();

private:
    QString m_name;
    QString m_temp;
    bool m_done = false;
    bool m_direct = false; // the target is no regular file: written in place
};

// Where a write to fileName really goes: a link's target, else the name itself.
QString frWriteTarget(const QString &fileName);

// The message of a file that could not be written completely.
QString frWriteErrorText(const QString &fileName, const QString &reason);
