// One worksheet held in memory the way a spreadsheet application holds it: cell formats,
// cell values, row heights, column widths, merged areas, manual page breaks, the page
// setup and pictures. Every change is an operation on a rectangle of cells, applied cell
// by cell as the application applies it, so a later operation overrides an earlier one
// only where they overlap.
//
// Storage is sized by what the sheet holds, not by its extent: each row keeps its formats
// as runs of equal cells ("spans") and only the values it has, so a sheet of many sparse
// columns costs little. Formats are interned: a cell holds the number of its format.
//
// Rows and columns are counted from 1, as the application counts them.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

inline constexpr int frXlsMaxRows = 1048576;
inline constexpr int frXlsMaxCols = 16384;
// The application's limits on a cell's text and on row heights and column widths.
inline constexpr int frXlsMaxTextLength = 32767;
inline constexpr double frXlsMaxRowHeight = 409;
inline constexpr double frXlsMaxColumnWidth = 255;

// Border sides of a cell (continuous thin lines).
inline constexpr quint8 frXlsBorderLeft = 1;
inline constexpr quint8 frXlsBorderRight = 2;
inline constexpr quint8 frXlsBorderTop = 4;
inline constexpr quint8 frXlsBorderBottom = 8;

// Everything a cell's format holds. Colours are 0x00BBGGRR with -1 for "automatic" (font)
// or "no fill"; alignments are the application's codes with 0 for its default.
struct TfrXlsFormat {
    qint32 fontName = -1; // index into the sheet's font names; -1 the workbook's font
    float fontSize = 0;   // points; 0 the workbook's size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool textFormat = false; // number format "@": what is typed stays text
    bool wrap = false;
    quint8 borders = 0;
    qint16 hAlign = 0;
    qint16 vAlign = 0;
    qint16 orientation = 0;
    qint32 fontColor = -1;
    qint32 fillColor = -1;

    friend bool operator==(const TfrXlsFormat &, const TfrXlsFormat &) = default;
};

struct TfrXlsFormatHash {
    size_t operator()(const TfrXlsFormat &f) const noexcept;
};

using TfrXlsFormatId = quint32;
// The format of a new sheet's cells: nothing set.
inline constexpr TfrXlsFormatId frXlsPlainFormat = 0;

// A cell's value: a number, or a text kept in the sheet's text store. 16 bytes: a sheet
// of a million cells keeps a million of these.
struct TfrXlsValue {
    int col = 0;
    unsigned isNumber : 1 = 0;
    unsigned textLength : 31 = 0; // at most frXlsMaxTextLength
    union {
        double number = 0;
        qsizetype textStart;
    };
};
static_assert(sizeof(TfrXlsValue) == 16);

struct TfrXlsMerge {
    int firstRow = 0, firstCol = 0, lastRow = 0, lastCol = 0;
    bool alive() const { return firstRow > 0; }
};

struct TfrXlsPicture {
    int row = 0, col = 0;   // top-left cell
    QByteArray png;
    int pixelWidth = 0, pixelHeight = 0;
    double width = 0, height = 0; // points
};

class TfrWorksheetModel {
public:
    // A run of cells from start to the next span's start (the last one to the sheet's end).
    struct Span {
        int start;
        TfrXlsFormatId format;
    };
    struct Row {
        std::vector<Span> spans;         // empty: every cell has the sheet's default format
        std::vector<TfrXlsValue> values; // by column
        std::vector<int> merges;         // merged areas that cover the row
        double height = -1;              // points; -1 the default height
        bool pageBreak = false;          // a manual page break above the row
    };

    TfrWorksheetModel();

    // ---- formats ----
    TfrXlsFormatId intern(const TfrXlsFormat &format);
    const TfrXlsFormat &format(TfrXlsFormatId id) const { return m_formats[id]; }
    int formatCount() const { return int(m_formats.size()); }
    TfrXlsFormatId defaultFormat() const { return m_defaultFormat; }
    TfrXlsFormatId formatAt(int row, int col) const;
    // The index of a font name in fontNames(), added when new.
    qint32 fontNameId(const QString &name);
    const std::vector<QString> &fontNames() const { return m_fontNames; }

    // Changes the format of every cell of the rectangle (inclusive) by change(format&).
    template <class Change> void applyFormat(int firstRow, int firstCol, int lastRow, int lastCol, Change change)
    {
        Transform t(*this, change);
        for (int r = firstRow; r <= lastRow; ++r)
            applyRow(row(r), firstCol, lastCol, t);
    }
    // Every cell of the sheet, also those never touched.
    template <class Change> void applyToAllCells(Change change)
    {
        Transform t(*this, change);
        m_defaultFormat = t(m_defaultFormat);
        for (Row &r : m_rows)
            for (Span &s : r.spans)
                s.format = t(s.format);
    }

    // ---- values ----
    // What typing text into the cell does: a number when the text reads as one in a Russian
    // locale (an integer, or a decimal with a comma) and the cell is not formatted as text;
    // otherwise the text, cut to the application's limit. An empty text empties the cell.
    void setValue(int row, int col, QStringView text);
    // A sheet that holds no text yet takes the store as its own (true); then
    // setStoredValue types the text found at start in it, without copying.
    bool takeTexts(QString store)
    {
        if (!m_texts.isEmpty())
            return false;
        m_texts = std::move(store);
        return true;
    }
    void setStoredValue(int row, int col, qsizetype start, qsizetype length);
    void clearValues(int firstRow, int firstCol, int lastRow, int lastCol);
    const TfrXlsValue *valueAt(int row, int col) const;
    // Room for that many more characters of cell text.
    void reserveText(qsizetype more) { m_texts.reserve(m_texts.size() + more); }
    // Room for that many more values in a row: filled value by value, a row's list would
    // otherwise grow by doubling and leave much of itself unused.
    void reserveValues(int row, size_t more)
    {
        std::vector<TfrXlsValue> &values = this->row(row).values;
        values.reserve(values.size() + more);
    }
    // The text of a value (empty for a number).
    QStringView text(const TfrXlsValue &v) const
    {
        return v.isNumber ? QStringView() : QStringView(m_texts).mid(v.textStart, v.textLength);
    }
    // The number a typed text stands for, under the rule of setValue.
    static bool typedNumber(QStringView text, double &value);

    // ---- rows, columns, areas ----
    void setRowHeight(int row, double points);
    double rowHeight(int row) const;
    void setColumnWidth(int col, double width);
    double columnWidth(int col) const; // -1 the default width
    int columnCount() const { return int(m_columnWidths.size()); }
    void setPageBreak(int row);
    bool pageBreak(int row) const;
    // Merges the rectangle. An area that overlaps merged areas takes them in: the result is
    // the smallest rectangle holding all of them, as the application merges.
    void merge(int firstRow, int firstCol, int lastRow, int lastCol);
    std::vector<TfrXlsMerge> merges() const; // the living areas, in order of creation
    // The merged area holding the cell, or nullptr.
    const TfrXlsMerge *mergeAt(int row, int col) const;

    // ---- page setup and pictures ----
    int orientation = 0; // 1 portrait, 2 landscape, 0 not set
    bool marginsSet = false;
    double leftMargin = 0, rightMargin = 0, topMargin = 0, bottomMargin = 0; // points
    std::vector<TfrXlsPicture> pictures;

    // ---- rows for the writers ----
    int rowCount() const { return int(m_rows.size()); }
    void reserveRows(int rows) { m_rows.reserve(size_t(rows)); }
    const Row *rowAt(int row) const { return row >= 1 && row <= rowCount() ? &m_rows[size_t(row) - 1] : nullptr; }

private:
    // Maps old format numbers to changed ones, remembering the answers of one operation.
    template <class Change> class Transform {
    public:
        Transform(TfrWorksheetModel &model, Change &change) : m_model(model), m_change(change) {}
        TfrXlsFormatId operator()(TfrXlsFormatId id)
        {
            // An operation mostly meets a few distinct formats: a short list first.
            for (int i = 0; i < m_recent; ++i)
                if (m_seen[size_t(i)].first == id)
                    return m_seen[size_t(i)].second;
            if (auto it = m_more.find(id); it != m_more.end())
                return it->second;
            TfrXlsFormat f = m_model.m_formats[id];
            m_change(f);
            const TfrXlsFormatId result = m_model.intern(f);
            if (m_recent < int(m_seen.size()))
                m_seen[size_t(m_recent++)] = {id, result};
            else
                m_more.emplace(id, result);
            return result;
        }

    private:
        TfrWorksheetModel &m_model;
        Change &m_change;
        std::array<std::pair<TfrXlsFormatId, TfrXlsFormatId>, 8> m_seen;
        int m_recent = 0;
        std::unordered_map<TfrXlsFormatId, TfrXlsFormatId> m_more;
    };

    Row &row(int r);
    void typeValue(int row, int col, QStringView text, qsizetype storedAt);
    template <class T> void applyRow(Row &row, int firstCol, int lastCol, T &transform)
    {
        std::vector<Span> &s = row.spans;
        if (s.empty())
            s.push_back({1, m_defaultFormat});
        const size_t first = splitAt(s, firstCol);
        const size_t end = lastCol < frXlsMaxCols ? splitAt(s, lastCol + 1) : s.size();
        for (size_t i = first; i < end; ++i)
            s[i].format = transform(s[i].format);
        coalesce(s, first == 0 ? 0 : first - 1, end < s.size() ? end : s.size() - 1);
    }
    static size_t splitAt(std::vector<Span> &spans, int col);
    static void coalesce(std::vector<Span> &spans, size_t from, size_t to);
    void dropMerge(int index);

    std::vector<TfrXlsFormat> m_formats;
    std::unordered_map<TfrXlsFormat, TfrXlsFormatId, TfrXlsFormatHash> m_formatIds;
    TfrXlsFormatId m_defaultFormat = 0;
    std::vector<QString> m_fontNames;
    std::vector<Row> m_rows;
    std::vector<double> m_columnWidths;
    std::vector<TfrXlsMerge> m_merges;
    // Every text the cells hold, one after the other: no allocation per cell.
    QString m_texts;
};
