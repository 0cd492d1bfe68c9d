// Scratch space on disk for data that outgrows the memory it may use: prepared pages beyond
// their budget and the rows of large data sets. A swap file has no name in the file system:
// it is unlinked the moment it is created (or created without a name at all), so the system
// reclaims it when it is closed, and also when the process dies without closing it.
//
// The budgets and the folder come from the environment on first use and may be changed by
// the program (tools, tests) at any time; they apply to what is stored afterwards:
//
// | Variable        | Meaning                                                 | Default          |
// |-----------------|---------------------------------------------------------|------------------|
// | FR_PAGE_MEMORY  | bytes of page streams one prepared report keeps in RAM  | 32M              |
// | FR_ROW_MEMORY   | bytes of rows one table cursor keeps in RAM             | 32M              |
// | FR_SWAP_DIR     | folder of the swap files                                | temporary folder |
//
// Sizes are bytes, or a number with the suffix K, M or G. A swap file that cannot be made or
// written (no such folder, a full disk) is reported as a warning and what was to go there
// stays in memory: nothing is lost, only the bound.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

struct TfrMemoryLimits {
    qint64 pageMemory = 32LL << 20;
    qint64 rowMemory = 32LL << 20;
    QString swapFolder; // empty: the system's temporary folder
};

// The process's limits (read from the environment the first time).
TfrMemoryLimits &frMemoryLimits();
// "64M", "512K", "1G", "1000": the bytes, or -1 when the text is no size.
qint64 frParseByteSize(const QString &text);

class TfrSwapFile {
public:
    // Nothing is created until the first write.
    TfrSwapFile() = default;
    ~TfrSwapFile();
    TfrSwapFile(const TfrSwapFile &) = delete;
    TfrSwapFile &operator=(const TfrSwapFile &) = delete;

    // Appends the bytes and gives their offset. EfrError when the file cannot be created or
    // written (the file is then as it was).
    qint64 Append(const char *data, qint64 size);
    // Overwrites bytes written before.
    void Write(qint64 offset, const char *data, qint64 size);
    // Exactly size bytes from offset; EfrError when they cannot be read.
    QByteArray Read(qint64 offset, qint64 size) const;
    qint64 Size() const { return m_size; }
    // Whether a file exists (for tests: the descriptor stays open until destruction).
    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }

private:
    void open();

    int m_fd = -1;
    qint64 m_size = 0;
};
