#include "export/spreadsheet/workbook_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

template <class T> void hashCombine(size_t &seed, const T &v)
{
    seed ^= std::hash<T>{}(v) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

auto valueAfter(std::vector<TfrXlsValue> &values, int col)
{
    return std::lower_bound(values.begin(), values.end(), col,
                            [](const TfrXlsValue &v, int c) { return v.col < c; });
}

} // namespace

size_t TfrXlsFormatHash::operator()(const TfrXlsFormat &f) const noexcept
{
    size_t h = 0;
    hashCombine(h, f.fontName);
    hashCombine(h, f.fontSize);
    hashCombine(h, (f.bold ? 1 : 0) | (f.italic ? 2 : 0) | (f.underline ? 4 : 0) | (f.textFormat ? 8 : 0) |
                       (f.wrap ? 16 : 0) | (int(f.borders) << 5));
    hashCombine(h, (int(f.hAlign) << 16) ^ int(f.vAlign) ^ (int(f.orientation) << 8));
    hashCombine(h, f.fontColor);
    hashCombine(h, f.fillColor);
    return h;
}

TfrWorksheetModel::TfrWorksheetModel() { m_defaultFormat = intern(TfrXlsFormat()); }

TfrXlsFormatId TfrWorksheetModel::intern(const TfrXlsFormat &format)
{
    auto it = m_formatIds.find(format);
    if (it != m_formatIds.end())
        return it->second;
    const auto id = TfrXlsFormatId(m_formats.size());
    m_formats.push_back(format);
    m_formatIds.emplace(format, id);
    return id;
}

TfrXlsFormatId TfrWorksheetModel::formatAt(int row, int col) const
{
    const Row *r = rowAt(row);
    if (!r || r->spans.empty())
        return m_defaultFormat;
    auto it = std::upper_bound(r->spans.begin(), r->spans.end(), col,
                               [](int c, const Span &s) { return c < s.start; });
    return it == r->spans.begin() ? m_defaultFormat : std::prev(it)->format;
}

qint32 TfrWorksheetModel::fontNameId(const QString &name)
{
    for (size_t i = 0; i < m_fontNames.size(); ++i)
        if (m_fontNames[i] == name)
            return qint32(i);
    m_fontNames.push_back(name);
    return qint32(m_fontNames.size() - 1);
}

TfrWorksheetModel::Row &TfrWorksheetModel::row(int r)
{
    if (size_t(r) > m_rows.size())
        m_rows.resize(size_t(r));
    return m_rows[size_t(r) - 1];
}

// The spans start at column 1 and are sorted; the index of the span that starts at col,
// made by splitting the span that holds it.
size_t TfrWorksheetModel::splitAt(std::vector<Span> &spans, int col)
{
    auto it = std::upper_bound(spans.begin(), spans.end(), col, [](int c, const Span &s) { return c < s.start; });
    const size_t holder = size_t(it - spans.begin()) - 1;
    if (spans[holder].start == col)
        return holder;
    spans.insert(spans.begin() + ptrdiff_t(holder) + 1, Span{col, spans[holder].format});
    return holder + 1;
}

// Joins neighbours of equal format among spans[from..to].
void TfrWorksheetModel::coalesce(std::vector<Span> &spans, size_t from, size_t to)
{
    size_t w = from;
    for (size_t i = from + 1; i <= to; ++i)
        if (spans[i].format != spans[w].format)
            spans[++w] = spans[i];
    if (w < to)
        spans.erase(spans.begin() + ptrdiff_t(w) + 1, spans.begin() + ptrdiff_t(to) + 1);
}

bool TfrWorksheetModel::typedNumber(QStringView text, double &value)
{
    // Digits, an optional comma with digits after it, an optional leading minus. More than
    // 15 digits would lose digits as a number: such a text (an account or file number)
    // stays text.
    const qsizetype n = text.size();
    qsizetype i = 0;
    if (i < n && text[i] == QLatin1Char('-'))
        ++i;
    int digits = 0, before = 0, after = 0;
    bool comma = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ++digits;
            (comma ? after : before) += 1;
        } else if (c == QLatin1Char(',') && !comma) {
            comma = true;
        } else {
            return false;
        }
    }
    if (before == 0 || (comma && after == 0) || digits > 15)
        return false;
    // At most 15 digits: exact as an integer, then scaled by the decimals.
    qint64 mantissa = 0;
    for (QChar c : text)
        if (c.isDigit())
            mantissa = mantissa * 10 + (c.unicode() - '0');
    if (after == 0) {
        value = double(mantissa);
    } else {
        char buffer[24];
        const int n = std::snprintf(buffer, sizeof buffer, "%lldE-%d", static_cast<long long>(mantissa), after);
        std::from_chars(buffer, buffer + n, value);
    }
    if (text[0] == QLatin1Char('-'))
        value = -value;
    return true;
}

void TfrWorksheetModel::setValue(int row, int col, QStringView text) { typeValue(row, col, text, -1); }

void TfrWorksheetModel::setStoredValue(int row, int col, qsizetype start, qsizetype length)
{
    typeValue(row, col, QStringView(m_texts).mid(start, length), start);
}

void TfrWorksheetModel::typeValue(int row, int col, QStringView text, qsizetype storedAt)
{
    if (text.isEmpty()) {
        clearValues(row, col, row, col);
        return;
    }
    TfrXlsValue v;
    v.col = col;
    double number = 0;
    if (!format(formatAt(row, col)).textFormat && typedNumber(text, number)) {
        v.isNumber = true;
        v.number = number;
    } else {
        const QStringView kept = text.left(frXlsMaxTextLength);
        v.textLength = unsigned(kept.size());
        if (storedAt >= 0) {
            v.textStart = storedAt;
        } else {
            v.textStart = m_texts.size();
            m_texts.append(kept);
        }
    }
    std::vector<TfrXlsValue> &values = this->row(row).values;
    if (values.empty() || values.back().col < col) {
        values.push_back(std::move(v));
        return;
    }
    auto it = valueAfter(values, col);
    if (it != values.end() && it->col == col)
        *it = std::move(v);
    else
        values.insert(it, std::move(v));
}

void TfrWorksheetModel::clearValues(int firstRow, int firstCol, int lastRow, int lastCol)
{
    for (int r = firstRow; r <= std::min(lastRow, rowCount()); ++r) {
        std::vector<TfrXlsValue> &values = m_rows[size_t(r) - 1].values;
        values.erase(valueAfter(values, firstCol), valueAfter(values, lastCol + 1));
    }
}

const TfrXlsValue *TfrWorksheetModel::valueAt(int row, int col) const
{
    const Row *r = rowAt(row);
    if (!r)
        return nullptr;
    auto &values = const_cast<std::vector<TfrXlsValue> &>(r->values);
    auto it = valueAfter(values, col);
    return it != values.end() && it->col == col ? &*it : nullptr;
}

void TfrWorksheetModel::setRowHeight(int row, double points) { this->row(row).height = points; }

double TfrWorksheetModel::rowHeight(int row) const
{
    const Row *r = rowAt(row);
    return r ? r->height : -1;
}

void TfrWorksheetModel::setColumnWidth(int col, double width)
{
    if (size_t(col) > m_columnWidths.size())
        m_columnWidths.resize(size_t(col), -1);
    m_columnWidths[size_t(col) - 1] = width;
}

double TfrWorksheetModel::columnWidth(int col) const
{
    return col >= 1 && size_t(col) <= m_columnWidths.size() ? m_columnWidths[size_t(col) - 1] : -1;
}

void TfrWorksheetModel::setPageBreak(int row) { this->row(row).pageBreak = true; }

bool TfrWorksheetModel::pageBreak(int row) const
{
    const Row *r = rowAt(row);
    return r && r->pageBreak;
}

void TfrWorksheetModel::dropMerge(int index)
{
    TfrXlsMerge &m = m_merges[size_t(index)];
    for (int r = m.firstRow; r <= m.lastRow; ++r)
        std::erase(m_rows[size_t(r) - 1].merges, index);
    m = TfrXlsMerge();
}

void TfrWorksheetModel::merge(int firstRow, int firstCol, int lastRow, int lastCol)
{
    TfrXlsMerge area{firstRow, firstCol, lastRow, lastCol};
    for (bool grown = true; grown;) {
        grown = false;
        for (int r = area.firstRow; r <= std::min(area.lastRow, rowCount()) && !grown; ++r) {
            for (int index : m_rows[size_t(r) - 1].merges) {
                const TfrXlsMerge m = m_merges[size_t(index)];
                if (m.lastCol < area.firstCol || m.firstCol > area.lastCol)
                    continue;
                area.firstRow = std::min(area.firstRow, m.firstRow);
                area.firstCol = std::min(area.firstCol, m.firstCol);
                area.lastRow = std::max(area.lastRow, m.lastRow);
                area.lastCol = std::max(area.lastCol, m.lastCol);
                dropMerge(index);
                grown = true;
                break;
            }
        }
    }
    if (area.firstRow == area.lastRow && area.firstCol == area.lastCol)
        return;
    const int index = int(m_merges.size());
    m_merges.push_back(area);
    for (int r = area.firstRow; r <= area.lastRow; ++r)
        row(r).merges.push_back(index);
}

std::vector<TfrXlsMerge> TfrWorksheetModel::merges() const
{
    std::vector<TfrXlsMerge> out;
    for (const TfrXlsMerge &m : m_merges)
        if (m.alive())
            out.push_back(m);
    return out;
}

const TfrXlsMerge *TfrWorksheetModel::mergeAt(int row, int col) const
{
    const Row *r = rowAt(row);
    if (!r)
        return nullptr;
    for (int index : r->merges) {
        const TfrXlsMerge &m = m_merges[size_t(index)];
        if (col >= m.firstCol && col <= m.lastCol)
            return &m;
    }
    return nullptr;
}
