// The rows of a table cursor's snapshot. A row is kept encoded, its values one after the
// other in blocks of memory; the blocks beyond the store's budget
// (frMemoryLimits().rowMemory) wait in a swap file and come back when one of their rows is
// read, so a data set of millions of rows costs a few bytes of memory per row.
//
// Encoding of a row: the number of values (4 bytes), then per value a kind byte
// (TfrVariant::Kind) and
//
// | Kind                          | Bytes                                 |
// |-------------------------------|---------------------------------------|
// | empty, null                   | none                                  |
// | boolean                       | 1                                     |
// | short, small, integer         | 4                                     |
// | 64-bit integer, currency      | 8                                     |
// | double, date                  | 8                                     |
// | string                        | 4 (UTF-16 units n), 2 × n             |
//
// Blocks are only ever appended to: changing a row writes it anew at the end and the old
// bytes are left behind, so a block that went to the swap file never has to be written
// again.
#pragma once

#include <QByteArray>
#include <QList>
#include <memory>
#include <vector>

#include "report/eval/swap_file.h"
#include "report/eval/variant.h"

class TfrRowStore {
public:
    TfrRowStore() = default;
    TfrRowStore(const TfrRowStore &) = delete;
    TfrRowStore &operator=(const TfrRowStore &) = delete;

    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }

    // The row's key (database key or ordinal; -1 for a row not yet posted).
    qint64 key(int row) const { return m_rows[size_t(row)].key; }
    void setKey(int row, qint64 key) { m_rows[size_t(row)].key = key; }

    // The row's values. The list stays valid until the store is next read or changed.
    const QList<TfrVariant> &values(int row) const;
    void setValues(int row, const QList<TfrVariant> &values);
    void insert(int row, qint64 key, const QList<TfrVariant> &values);
    void append(qint64 key, const QList<TfrVariant> &values);
    void removeAt(int row);
    void clear();

    // Bytes of blocks in memory, and whether some went to the swap file (for tests).
    qint64 memoryBytes() const { return m_memoryBytes; }
    bool swapped() const { return m_swap && m_swap->Size() > 0; }

private:
    struct Row {
        qint64 key = -1;
        quint32 block = 0;
        quint32 offset = 0;
    };
    struct Block {
        QByteArray bytes;       // empty while only in the swap file
        qint64 used = 0;        // bytes written
        qint64 fileOffset = -1; // where the block is in the swap file
        quint64 lastUse = 0;
        bool inMemory = true;
    };

    // Encodes the values at the end of the last block; gives where they went.
    Row write(qint64 key, const QList<TfrVariant> &values);
    const char *rowBytes(const Row &row) const;
    void keepBudget(quint32 keep) const;
    void dropCache() const;

    std::vector<Row> m_rows;
    mutable std::vector<Block> m_blocks;
    mutable qint64 m_memoryBytes = 0;
    mutable quint64 m_clock = 0;
    mutable std::unique_ptr<TfrSwapFile> m_swap;
    mutable bool m_swapFailed = false;
    // The rows decoded last (a grid asks for its rows over and over).
    struct Decoded {
        int row = -1;
        QList<TfrVariant> values;
    };
    mutable Decoded m_decoded[8];
};
