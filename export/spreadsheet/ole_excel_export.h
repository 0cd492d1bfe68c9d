// TfrOLEExcelExport: the export filter that lays the prepared pages out on one worksheet.
//
// It draws no text. Every object of every exported page is collected, the pages stacked one
// under the other; the distinct left/right and top/bottom edges of all objects become the
// sheet's column and row boundaries; each text object goes into the cell at its top-left
// edge (merged over the cells it spans), its font, alignment, frame and fill following in
// runs of equal values; all texts reach the sheet in one transfer; every other object is
// drawn into a picture placed on its cell. The workbook (TFrExcel) is saved under the
// target file name when the pages are through.
#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <memory>
#include <unordered_map>
#include <vector>

#include "export/spreadsheet/block_list.h"
#include "export/spreadsheet/excel.h"
#include "report/engine/export_filter.h"
#include "report/print/page_range.h"

class TfrMemoView;
class TfrOLEExcelSet;

// A grid position (an object edge) in design pixels; stacked pages make tall sheets.
using TObjCell = qint64;

// Where a collected object sits: its index among the objects, its first column and row
// (from 0) and how many of each it spans. 16 bytes, one per object: a sheet's columns fit
// in 16 bits.
struct TObjPos {
    int obj = 0;
    int row = 0, rowCount = 1;
    qint16 col = 0, colCount = 1;
};

class TfrOLEExcelExport : public TfrExportFilter {
    Q_OBJECT // the registry tells filters apart by class name
public:
    explicit TfrOLEExcelExport(QObject *owner = nullptr);
    ~TfrOLEExcelExport() override;

    // ---- options ----
    bool CellsMerged = true;
    bool CellsWrapWords = true; // offered and kept; every cell wraps anyway
    bool CellsFillColor = true;
    bool CellsBorders = true;
    bool CellsAlign = true;
    bool PageBreaks = true;
    bool CellsFontName = true;
    bool CellsFontSize = true;
    bool CellsFontStyle = true;
    bool CellsFontColor = true;
    bool ExportPictures = true; // offered and kept; every other object becomes a picture
    bool OpenExcelAfterExport = false;
    double ScaleX = 1.0; // factor on column widths (the dialog shows percent)
    double ScaleY = 1.0; // factor on row heights and on the gap rows
    double TopMargin = 0;  // offered and kept
    double LeftMargin = 0; // offered and kept
    // The page range of an export without the dialog (ShowDialog off), in the dialog's
    // form ("1,3,5-12"); empty exports every page.
    QString PageRange;

    // The dialog (when ShowDialog), then the page range is read. Its result; EConvertError
    // for a page range or a number field that does not read.
    int ShowModal() override;
    void OnBeginDoc() override;
    void OnEndDoc() override {}
    void OnBeginPage() override;
    void OnEndPage() override;
    void OnData(int x, int y, TfrView *View) override;

    // Lays the collected objects out, writes the sheet and saves the workbook as FileName.
    // EfrError, with the empty target file removed, when the report does not fit on a sheet
    // or the workbook cannot be saved.
    void AfterExport(const QString &FileName);

    // Carriage returns and paragraph marks removed, line feeds at the end dropped.
    static QString CleanReturns(const QString &text);
    void ClearLastPage();
    static void ObjCellAdd(std::vector<TObjCell> &list, TObjCell position);
    static void ObjPosAdd(TfrBlockList<TObjPos> &list, int col, int row, int colCount, int rowCount, int obj);
    // Sorted edges without repeats.
    static void DeleteMultiplePoint(std::vector<TObjCell> &list);
    void OrderObjectByCells();
    void ExportPage();
    static int ComparePoints(TObjCell a, TObjCell b);
    // By top, then left, then the length of the whole text.
    int CompareObjects(int a, int b) const;

    // ---- for inspection ----
    TFrExcel &Excel() { return *m_excel; }
    const std::vector<TObjCell> &XEdges() const { return m_xEdges; }
    const std::vector<TObjCell> &YEdges() const { return m_yEdges; }
    const TfrBlockList<TObjPos> &Placements() const { return m_placements; }

private:
    class Progress;
    // How a text object looks: shared by most objects of a report, so kept once.
    struct TCellStyle {
        int fontName = 0; // into m_fontNames
        int fontSize = 10;
        qint32 fontColor = 0;
        qint32 Alignment = 0;
        qint32 FillColor = 0;
        quint16 fontStyle = 0;
        quint16 FrameTyp = 0;
        friend bool operator==(const TCellStyle &, const TCellStyle &) = default;
    };
    struct TCellStyleHash {
        size_t operator()(const TCellStyle &s) const noexcept;
    };
    // Where a collected object lies: what places it on the sheet, let go once it is placed.
    struct TCollected {
        TObjCell Top = 0; // stacked
        int Left = 0, Width = 0, Height = 0;
        int textLength = 0; // of the whole text: the third sort key
    };
    // What the sheet needs of a collected object's content, kept beside it in the same order
    // until the cells are written; a picture keeps its drawing. A report of a million
    // objects holds a million of each, so both are small.
    struct TCell {
        quint32 start = 0; // of the text in m_texts
        int length = 0;    // of the text: CleanReturns of the whole text
        int content = 0;   // a text's style (into m_styles), or -1 - a picture's index
        bool isText() const { return content >= 0; }
        int style() const { return content; }
        int picture() const { return -1 - content; }
    };
    int styleId(const TCellStyle &style);

    bool pagePasses() const;
    int fontNameId(const QString &name);
    void collect(TfrView *View, TfrMemoView *memo, TObjCell top);
    void refuseTooLarge(const QString &FileName);

    int m_pageNumber = 0;
    int m_firstRowOffset = 0;
    std::vector<TObjCell> m_xEdges, m_yEdges;
    size_t m_xSorted = 0, m_ySorted = 0; // the compacted part of each list
    static void compactEdges(std::vector<TObjCell> &list, size_t &sorted);
    TfrBlockList<TObjPos> m_placements;
    TfrBlockList<TCollected> m_objects;
    TfrBlockList<TCell> m_cells; // by object, as m_objects
    bool m_inOrder = true;       // the objects came in placement order
    std::vector<TCellStyle> m_styles;
    std::unordered_map<TCellStyle, int, TCellStyleHash> m_styleIds;
    std::vector<QImage> m_pictures; // the drawings of the objects that are not text
    std::vector<QSize> m_pictureSizes; // and their sizes
    QString m_texts;                // the texts of the objects, one after the other
    std::unique_ptr<TFrExcel> m_excel;
    TObjCell m_verticalOffset = 0;
    TObjCell m_lowestBottom = 0;
    // The pages to export (m_pageWanted empty when the range is every page) and the lowest
    // bottom at the end of every exported page.
    TfrPageRange m_range;
    std::vector<bool> m_pageWanted;
    std::vector<TObjCell> m_pageEnds;
    int m_pictureNumber = 0;
    qint64 m_gapRows = 0; // edges added for gaps: beyond a sheet's rows the report cannot fit
    std::vector<QString> m_fontNames;
    QHash<QString, int> m_fontNameIds;
    int m_lastFontName = -1;
    Progress *m_progress = nullptr; // the progress window while AfterExport shows it
};
