// TFrExcel: the spreadsheet application as the export filter drives it. No spreadsheet
// program is started: OpenExcel makes a new workbook of one worksheet in memory, every
// operation below changes that sheet as the application would change it (through a
// current range, cell by cell, later operations overriding earlier ones), and SaveAs
// writes the workbook as an .xlsx file. "Visible" means the operator gets to see the
// workbook: a visible workbook is opened with the desktop's default application once it
// has been saved.
//
// Columns, rows and counts are counted from 1. Operations raise EfrError when no workbook
// is open, when no range has been chosen, or for cells outside the sheet; OpenExcel,
// SetPageMargin and the destructor raise nothing.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <utility>
#include <memory>
#include <vector>

#include "export/spreadsheet/block_list.h"
#include "export/spreadsheet/workbook_model.h"

// Values for one transfer into a range: rows and columns from 0, every entry empty until
// set. Only the entries set are stored (their texts one after the other), so a large
// sparse area costs what it holds.
class TFrExcelArray {
public:
    TFrExcelArray(int rowCount, int colCount) : m_rowCount(rowCount), m_colCount(colCount) {}
    int rowCount() const { return m_rowCount; }
    int colCount() const { return m_colCount; }
    // Entries outside the array are ignored.
    void Set(int row, int col, QStringView text);
    // An entry whose text lies in a store handed over later with adoptTexts (the export's
    // collected texts, which stay below 4 G characters), so the texts are never held twice.
    void SetStored(int row, int col, qsizetype start, qsizetype length);
    void adoptTexts(QString texts) { m_texts = std::move(texts); }
    // Hands the store of texts over (the array's entries then point into the taker's).
    QString takeTexts() { return std::exchange(m_texts, QString()); }
    // Room for that much text (the entries grow in blocks and need none).
    void reserve(size_t, qsizetype textLength) { m_texts.reserve(textLength); }
    qsizetype textLength() const { return m_texts.size(); }

    // 16 bytes: a report's million cells keep a million of these.
    struct Entry {
        int row, col;
        quint32 start;
        quint32 length;
    };
    // In the order set; a cell set twice holds the later text.
    const TfrBlockList<Entry> &entries() const { return m_entries; }
    // The entries before i are not read again (a transfer taking them over in order).
    void releaseBefore(size_t i) { m_entries.releaseBefore(i); }
    QStringView text(const Entry &e) const { return QStringView(m_texts).mid(e.start, e.length); }

private:
    int m_rowCount, m_colCount;
    TfrBlockList<Entry> m_entries;
    QString m_texts;
};

// How a saved workbook is shown to the operator (the desktop's default application
// unless replaced, e.g. by tests).
using TfrOpenWorkbook = std::function<void(const QString &fileName)>;
TfrOpenWorkbook &frOpenWorkbook();

class TFrExcel {
public:
    TFrExcel();
    ~TFrExcel();
    TFrExcel(const TFrExcel &) = delete;
    TFrExcel &operator=(const TFrExcel &) = delete;

    bool Visible = false; // written through SetVisible

    // A new workbook replaces the one held; all its cells wrap their text. Raises nothing.
    void OpenExcel();
    bool IsOpen() const { return m_open; }
    // Only while open; a workbook made visible is shown once it has been saved.
    void SetVisible(bool b);

    // Column letters: 1 "A" ... 26 "Z", 27 "AA" ... 702 "ZZ", 703 "AAA" ... 16384 "XFD".
    static QString Pos2Str(int n);
    // Pos2Str(column) followed by the row, e.g. C7.
    static QString IntToCoord(int column, int row);

    // The cell's value as text (a number in Russian notation).
    QString GetCell(int column, int row) const;
    // Types text into the cell.
    void SetCell(int column, int row, QStringView text);
    // In characters of the standard font; beyond 255 the widest column.
    void SetColSize(int column, double width);
    // In points; beyond 409 the highest row.
    void SetRowSize(int row, double height);
    // Room for that many rows, so a sheet set up row by row does not move them as it grows.
    void reserveRows(int rows);
    // The current range: columnCount columns and rowCount rows from (column, row). Nothing
    // changes when a count is below 1.
    void SetRange(int column, int row, int columnCount, int rowCount);
    void MergeCells();
    // Raises nothing: page setup is not worth failing an export for.
    void SetPageMargin(int orientation, double left, double right, double top, double bottom);
    // Nothing for an empty name.
    void SetCellFontName(const QString &name);
    // Points, held to the application's 1 to 409.
    void SetCellFontSize(double size);
    void SetCellFontColor(qint32 colour);
    // The font style word (1 italic, 2 bold, 4 underline); strike-out is not transferred.
    void SetCellFontStyle(quint16 style);
    void SetCellVAlign(int code);
    void SetCellHAlign(int code);
    // Degrees, held to -90..90.
    void SetCellOrientation(int degrees);
    // Frame sides (1 right, 2 bottom, 4 left, 8 top) as borders on the range's outer edges.
    void SetCellFrame(int sides);
    // Border item 11 (lines between the range's columns), as the wrapper always set it.
    void SetCellFrameInsideH();
    // Border item 12 (lines between the range's rows).
    void SetCellFrameInsideV();
    void SetCellFillColor(qint32 colour);
    // The range's values from the array, in one transfer.
    void SendArrayValue(const TFrExcelArray &values);
    // The same; a sheet that holds no text yet takes the array's texts instead of a copy.
    void SendArrayValue(TFrExcelArray &&values);

    // What the filter reaches through the application's objects directly:
    // Rows(row).PageBreak := code (xlPageBreakManual); a row past the sheet is ignored.
    void SetRowPageBreak(int row, int code);
    // range.Cells.NumberFormat := "@".
    void SetRangeTextFormat();
    // range.PasteSpecial of a picture: it lands on the range's first cell. Gives its number.
    int PastePicture(const QImage &image);
    // Pictures(n).Width and Height, in points.
    void SetPictureSize(int n, double width, double height);
    // range.Select.
    void SelectRange();
    // workbook.SaveAs(fileName, xlWorkbookNormal, ..., xlNoChange, ...). EfrError with the
    // reason when the file cannot be written; a partly written file is removed.
    void SaveAs(const QString &fileName);
    // application.Quit: the workbook is let go.
    void Quit();

    // The sheet, for reading (nullptr when no workbook is open).
    const TfrWorksheetModel *Worksheet() const { return m_sheet.get(); }

private:
    void sendArray(TFrExcelArray &values, bool mayTakeTexts);
    struct Range {
        int col = 0, row = 0, lastCol = 0, lastRow = 0;
        bool set() const { return col > 0; }
    };
    TfrWorksheetModel &sheet() const;
    const Range &range() const;
    template <class Change> void formatRange(Change change)
    {
        const Range &r = range();
        sheet().applyFormat(r.row, r.col, r.lastRow, r.lastCol, change);
    }
    void border(int item);
    static void checkCell(int column, int row);

    bool m_open = false;
    std::unique_ptr<TfrWorksheetModel> m_sheet;
    Range m_range;
};
