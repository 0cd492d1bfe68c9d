#include "report/eval/row_store.h"

#include <QtDebug>
#include <algorithm>
#include <cstring>
#include <iterator>

#include "report/eval/errors.h"

namespace {

constexpr qint64 kBlockBytes = 256 * 1024;

template <class T> void put(char *&p, T v)
{
    std::memcpy(p, &v, sizeof v);
    p += sizeof v;
}

template <class T> T get(const char *&p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    return v;
}

qint64 encodedSize(const QList<TfrVariant> &values)
{
    qint64 n = 4; // the value count
    for (const TfrVariant &v : values) {
        n += 1;
        switch (v.kind()) {
        case TfrVariant::vkEmpty:
        case TfrVariant::vkNull: break;
        case TfrVariant::vkBoolean: n += 1; break;
        case TfrVariant::vkShortInt:
        case TfrVariant::vkSmallInt:
        case TfrVariant::vkInteger: n += 4; break;
        case TfrVariant::vkString: n += 4 + 2 * qint64(v.rawString().size()); break;
        default: n += 8; break;
        }
    }
    return n;
}

void encode(char *p, const QList<TfrVariant> &values)
{
    put<quint32>(p, quint32(values.size()));
    for (const TfrVariant &v : values) {
        put<quint8>(p, v.kind());
        switch (v.kind()) {
        case TfrVariant::vkEmpty:
        case TfrVariant::vkNull: break;
        case TfrVariant::vkBoolean: put<quint8>(p, v.rawBool() ? 1 : 0); break;
        case TfrVariant::vkShortInt:
        case TfrVariant::vkSmallInt:
        case TfrVariant::vkInteger: put<qint32>(p, v.rawInt()); break;
        case TfrVariant::vkInt64:
        case TfrVariant::vkCurrency: put<qint64>(p, v.rawInt64()); break;
        case TfrVariant::vkDouble:
        case TfrVariant::vkDate: put<double>(p, v.rawDouble()); break;
        case TfrVariant::vkString: {
            const QString &s = v.rawString();
            put<quint32>(p, quint32(s.size()));
            std::memcpy(p, s.utf16(), size_t(s.size()) * 2);
            p += s.size() * 2;
            break;
        }
        }
    }
}

TfrVariant decodeOne(const char *&p)
{
    const auto kind = TfrVariant::Kind(get<quint8>(p));
    switch (kind) {
    case TfrVariant::vkEmpty: return TfrVariant();
    case TfrVariant::vkNull: return TfrVariant::null();
    case TfrVariant::vkBoolean: return TfrVariant(get<quint8>(p) != 0);
    case TfrVariant::vkShortInt: return TfrVariant::fromShortInt(qint8(get<qint32>(p)));
    case TfrVariant::vkSmallInt: return TfrVariant::fromSmallInt(qint16(get<qint32>(p)));
    case TfrVariant::vkInteger: return TfrVariant(get<qint32>(p));
    case TfrVariant::vkInt64: return TfrVariant(get<qint64>(p));
    case TfrVariant::vkCurrency: return TfrVariant(TfrCurrency::fromScaled(get<qint64>(p)));
    case TfrVariant::vkDouble: return TfrVariant(get<double>(p));
    case TfrVariant::vkDate: return TfrVariant::fromDateTime(get<double>(p));
    case TfrVariant::vkString: {
        const quint32 n = get<quint32>(p);
        QString s(qsizetype(n), Qt::Uninitialized);
        std::memcpy(s.data(), p, size_t(n) * 2);
        p += qint64(n) * 2;
        return TfrVariant(std::move(s));
    }
    }
    return TfrVariant();
}

} // namespace

void TfrRowStore::dropCache() const
{
    for (Decoded &d : m_decoded)
        d.row = -1;
}

TfrRowStore::Row TfrRowStore::write(qint64 key, const QList<TfrVariant> &values)
{
    const qint64 n = encodedSize(values);
    if (m_blocks.empty() || m_blocks.back().used + n > qint64(m_blocks.back().bytes.size())) {
        // A row never spans blocks; a very wide row gets a block of its own.
        Block b;
        b.bytes = QByteArray(qsizetype(std::max(n, kBlockBytes)), Qt::Uninitialized);
        m_memoryBytes += b.bytes.size();
        m_blocks.push_back(std::move(b));
        keepBudget(quint32(m_blocks.size() - 1));
    }
    Block &b = m_blocks.back();
    Row row;
    row.key = key;
    row.block = quint32(m_blocks.size() - 1);
    row.offset = quint32(b.used);
    encode(b.bytes.data() + b.used, values);
    b.used += n;
    b.lastUse = ++m_clock;
    return row;
}

// Moves the blocks used least recently to the swap file until the budget holds; keep and
// the block being written to stay.
void TfrRowStore::keepBudget(quint32 keep) const
{
    const qint64 budget = frMemoryLimits().rowMemory;
    const size_t last = m_blocks.size() - 1;
    while (m_memoryBytes > budget && !m_swapFailed) {
        size_t oldest = m_blocks.size();
        for (size_t i = 0; i < last; ++i)
            if (m_blocks[i].inMemory && i != keep && (oldest == m_blocks.size() || m_blocks[i].lastUse < m_blocks[oldest].lastUse))
                oldest = i;
        if (oldest == m_blocks.size())
            return;
        Block &b = m_blocks[oldest];
        if (b.fileOffset < 0) {
            try {
                if (!m_swap)
                    m_swap = std::make_unique<TfrSwapFile>();
                b.fileOffset = m_swap->Append(b.bytes.constData(), b.used);
            } catch (const EfrError &e) {
                // No room on disk: the rows stay in memory rather than being lost.
                qWarning("%s", e.what());
                m_swapFailed = true;
                return;
            }
        }
        m_memoryBytes -= b.bytes.size();
        b.bytes = QByteArray();
        b.inMemory = false;
    }
}

const char *TfrRowStore::rowBytes(const Row &row) const
{
    Block &b = m_blocks[row.block];
    b.lastUse = ++m_clock;
    if (!b.inMemory) {
        b.bytes = m_swap->Read(b.fileOffset, b.used);
        b.inMemory = true;
        m_memoryBytes += b.bytes.size();
        keepBudget(row.block);
    }
    return b.bytes.constData() + row.offset;
}

const QList<TfrVariant> &TfrRowStore::values(int row) const
{
    Decoded &d = m_decoded[size_t(row) % std::size(m_decoded)];
    if (d.row == row)
        return d.values;
    const char *p = rowBytes(m_rows[size_t(row)]);
    const quint32 n = get<quint32>(p);
    d.values.clear();
    d.values.reserve(n);
    for (quint32 i = 0; i < n; ++i)
        d.values.append(decodeOne(p));
    d.row = row;
    return d.values;
}

void TfrRowStore::setValues(int row, const QList<TfrVariant> &values)
{
    const qint64 key = m_rows[size_t(row)].key;
    m_rows[size_t(row)] = write(key, values);
    Decoded &d = m_decoded[size_t(row) % std::size(m_decoded)];
    if (d.row == row)
        d.row = -1;
}

void TfrRowStore::insert(int row, qint64 key, const QList<TfrVariant> &values)
{
    const Row r = write(key, values);
    m_rows.insert(m_rows.begin() + row, r);
    dropCache();
}

void TfrRowStore::append(qint64 key, const QList<TfrVariant> &values) { m_rows.push_back(write(key, values)); }

void TfrRowStore::removeAt(int row)
{
    m_rows.erase(m_rows.begin() + row);
    dropCache();
}

void TfrRowStore::clear()
{
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_blocks.clear();
    m_memoryBytes = 0;
    m_swap.reset();
    m_swapFailed = false;
    dropCache();
}
