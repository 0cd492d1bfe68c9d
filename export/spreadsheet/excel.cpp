#include "export/spreadsheet/excel.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <limits>
#include <numeric>
#include <climits>
#include <cmath>

#include "export/spreadsheet/excel_constants.h"
#include "export/spreadsheet/xlsx_file.h"
#include "report/eval/errors.h"

namespace {

// A new workbook's first sheet, as a Russian installation names it.
const QString kSheetName = QStringLiteral("Лист1");

} // namespace

void TFrExcelArray::Set(int row, int col, QStringView text)
{
    if (row < 0 || col < 0 || row >= m_rowCount || col >= m_colCount)
        return;
    // The store stays within what an entry's offsets can reach.
    if (m_texts.size() + text.size() > qsizetype(std::numeric_limits<quint32>::max()))
        throw EfrError(QStringLiteral("Слишком много текста для листа Excel"));
    m_entries.push_back({row, col, quint32(m_texts.size()), quint32(text.size())});
    m_texts.append(text);
}

void TFrExcelArray::SetStored(int row, int col, qsizetype start, qsizetype length)
{
    if (row < 0 || col < 0 || row >= m_rowCount || col >= m_colCount)
        return;
    m_entries.push_back({row, col, quint32(start), quint32(length)});
}

TfrOpenWorkbook &frOpenWorkbook()
{
    static TfrOpenWorkbook open = [](const QString &fileName) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
    };
    return open;
}

TFrExcel::TFrExcel() = default;

TFrExcel::~TFrExcel()
{
    if (m_open)
        Quit();
}

void TFrExcel::OpenExcel()
{
    m_sheet = std::make_unique<TfrWorksheetModel>();
    m_sheet->applyToAllCells([](TfrXlsFormat &f) { f.wrap = true; });
    m_range = Range();
    // A new instance starts hidden.
    Visible = false;
    m_open = true;
}

void TFrExcel::SetVisible(bool b)
{
    if (!m_open)
        return;
    Visible = b;
}

QString TFrExcel::Pos2Str(int n)
{
    QString letters;
    for (; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

QString TFrExcel::IntToCoord(int column, int row) { return Pos2Str(column) + QString::number(row); }

TfrWorksheetModel &TFrExcel::sheet() const
{
    if (!m_open || !m_sheet)
        throw EfrError(QStringLiteral("Книга Excel не открыта"));
    return *m_sheet;
}

const TFrExcel::Range &TFrExcel::range() const
{
    sheet();
    if (!m_range.set())
        throw EfrError(QStringLiteral("Не выбран диапазон ячеек"));
    return m_range;
}

void TFrExcel::checkCell(int column, int row)
{
    if (column < 1 || column > frXlsMaxCols || row < 1 || row > frXlsMaxRows)
        throw EfrError(QStringLiteral("Ячейка за пределами листа Excel: столбец %1, строка %2").arg(column).arg(row));
}

QString TFrExcel::GetCell(int column, int row) const
{
    checkCell(column, row);
    const TfrXlsValue *v = sheet().valueAt(row, column);
    if (!v)
        return QString();
    if (!v->isNumber)
        return sheet().text(*v).toString();
    return QString::number(v->number, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
}

void TFrExcel::SetCell(int column, int row, QStringView text)
{
    checkCell(column, row);
    sheet().setValue(row, column, text);
}

void TFrExcel::SetColSize(int column, double width)
{
    checkCell(column, 1);
    sheet().setColumnWidth(column, std::clamp(width, 0.0, frXlsMaxColumnWidth));
}

void TFrExcel::SetRowSize(int row, double height)
{
    checkCell(1, row);
    sheet().setRowHeight(row, std::clamp(height, 0.0, frXlsMaxRowHeight));
}

void TFrExcel::reserveRows(int rows) { sheet().reserveRows(std::clamp(rows, 0, frXlsMaxRows)); }

void TFrExcel::SetRange(int column, int row, int columnCount, int rowCount)
{
    sheet();
    if (columnCount < 1 || rowCount < 1)
        return;
    checkCell(column, row);
    checkCell(int(std::min<qint64>(qint64(column) + columnCount - 1, INT_MAX)),
              int(std::min<qint64>(qint64(row) + rowCount - 1, INT_MAX)));
    m_range = {column, row, column + columnCount - 1, row + rowCount - 1};
}

void TFrExcel::MergeCells()
{
    const Range &r = range();
    sheet().merge(r.row, r.col, r.lastRow, r.lastCol);
}

void TFrExcel::SetPageMargin(int orientation, double left, double right, double top, double bottom)
{
    if (!m_open)
        return;
    auto points = [](double v) { return std::isfinite(v) ? std::max(v, 0.0) : 0.0; };
    m_sheet->leftMargin = points(left);
    m_sheet->rightMargin = points(right);
    m_sheet->topMargin = points(top);
    m_sheet->bottomMargin = points(bottom);
    m_sheet->marginsSet = true;
    if (orientation == xlPortrait || orientation == xlLandscape)
        m_sheet->orientation = orientation;
}

void TFrExcel::SetCellFontName(const QString &name)
{
    if (name.isEmpty())
        return;
    const qint32 id = sheet().fontNameId(name);
    formatRange([id](TfrXlsFormat &f) { f.fontName = id; });
}

void TFrExcel::SetCellFontSize(double size)
{
    const float points = float(std::isfinite(size) ? std::clamp(size, 1.0, 409.0) : 10.0);
    formatRange([points](TfrXlsFormat &f) { f.fontSize = points; });
}

void TFrExcel::SetCellFontColor(qint32 colour)
{
    formatRange([colour](TfrXlsFormat &f) { f.fontColor = colour; });
}

void TFrExcel::SetCellFontStyle(quint16 style)
{
    formatRange([style](TfrXlsFormat &f) {
        f.bold = style & 2;
        f.italic = style & 1;
        f.underline = style & 4;
    });
}

void TFrExcel::SetCellVAlign(int code)
{
    SelectRange();
    formatRange([code](TfrXlsFormat &f) { f.vAlign = qint16(code); });
}

void TFrExcel::SetCellHAlign(int code)
{
    SelectRange();
    formatRange([code](TfrXlsFormat &f) { f.hAlign = qint16(code); });
}

void TFrExcel::SetCellOrientation(int degrees)
{
    const qint16 d = qint16(std::clamp(degrees, -90, 90));
    formatRange([d](TfrXlsFormat &f) { f.orientation = d; });
}

void TFrExcel::border(int item)
{
    const Range &r = range();
    TfrWorksheetModel &s = sheet();
    auto add = [&s](int r1, int c1, int r2, int c2, quint8 side) {
        if (r1 <= r2 && c1 <= c2)
            s.applyFormat(r1, c1, r2, c2, [side](TfrXlsFormat &f) { f.borders |= side; });
    };
    switch (item) {
    case xlEdgeLeft:
        add(r.row, r.col, r.lastRow, r.col, frXlsBorderLeft);
        break;
    case xlEdgeRight:
        add(r.row, r.lastCol, r.lastRow, r.lastCol, frXlsBorderRight);
        break;
    case xlEdgeTop:
        add(r.row, r.col, r.row, r.lastCol, frXlsBorderTop);
        break;
    case xlEdgeBottom:
        add(r.lastRow, r.col, r.lastRow, r.lastCol, frXlsBorderBottom);
        break;
    case xlInsideVertical:
        add(r.row, r.col, r.lastRow, r.lastCol - 1, frXlsBorderRight);
        add(r.row, r.col + 1, r.lastRow, r.lastCol, frXlsBorderLeft);
        break;
    case xlInsideHorizontal:
        add(r.row, r.col, r.lastRow - 1, r.lastCol, frXlsBorderBottom);
        add(r.row + 1, r.col, r.lastRow, r.lastCol, frXlsBorderTop);
        break;
    default:
        break;
    }
}

void TFrExcel::SetCellFrame(int sides)
{
    const Range &r = range();
    TfrWorksheetModel &s = sheet();
    const quint8 left = (sides & 4) ? frXlsBorderLeft : 0, right = (sides & 1) ? frXlsBorderRight : 0;
    const quint8 top = (sides & 8) ? frXlsBorderTop : 0, bottom = (sides & 2) ? frXlsBorderBottom : 0;
    // What the four edge items give each cell (left, right, top, bottom in turn), in one
    // pass: the first and last column take the side edges, the first and last row the top
    // and bottom.
    auto add = [&s](int row, int c1, int c2, quint8 side) {
        if (side && c1 <= c2)
            s.applyFormat(row, c1, row, c2, [side](TfrXlsFormat &f) { f.borders |= side; });
    };
    for (int row = r.row; row <= r.lastRow; ++row) {
        const quint8 across = quint8((row == r.row ? top : 0) | (row == r.lastRow ? bottom : 0));
        if (r.col == r.lastCol) {
            add(row, r.col, r.col, quint8(across | left | right));
            continue;
        }
        add(row, r.col, r.col, quint8(across | left));
        add(row, r.col + 1, r.lastCol - 1, across);
        add(row, r.lastCol, r.lastCol, quint8(across | right));
    }
}

void TFrExcel::SetCellFrameInsideH() { border(xlInsideVertical); }

void TFrExcel::SetCellFrameInsideV() { border(xlInsideHorizontal); }

void TFrExcel::SetCellFillColor(qint32 colour)
{
    formatRange([colour](TfrXlsFormat &f) { f.fillColor = colour; });
}

void TFrExcel::SendArrayValue(const TFrExcelArray &values) { sendArray(const_cast<TFrExcelArray &>(values), false); }

void TFrExcel::SendArrayValue(TFrExcelArray &&values) { sendArray(values, true); }

void TFrExcel::sendArray(TFrExcelArray &values, bool mayTakeTexts)
{
    const Range &r = range();
    TfrWorksheetModel &s = sheet();
    s.clearValues(r.row, r.col, r.lastRow, r.lastCol);
    const TfrBlockList<TFrExcelArray::Entry> &entries = values.entries();
    auto inRange = [&](const TFrExcelArray::Entry &e) { return e.row <= r.lastRow - r.row && e.col <= r.lastCol - r.col; };
    // Row by row; of two entries for one cell the later one counts. Entries mostly come
    // in that order already, and are then walked as they are.
    auto before = [](const TFrExcelArray::Entry &a, const TFrExcelArray::Entry &b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    };
    std::vector<quint32> order;
    bool inOrder = true;
    for (size_t i = 1; i < entries.size() && inOrder; ++i)
        inOrder = !before(entries[i], entries[i - 1]);
    if (!inOrder) {
        order.resize(entries.size());
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(),
                         [&](quint32 a, quint32 b) { return before(entries[a], entries[b]); });
    }
    auto at = [&](size_t i) -> const TFrExcelArray::Entry & { return entries[order.empty() ? i : order[i]]; };
    // A sheet without texts takes the array's texts as they are instead of copying them.
    const bool taken = mayTakeTexts && s.takeTexts(values.takeTexts());
    if (!taken)
        s.reserveText(values.textLength());
    for (size_t i = 0; i < entries.size(); ++i) {
        // An array handed over lets the entries typed in go as the sheet's values grow
        // (the entry before is still looked at).
        if (mayTakeTexts && order.empty() && i > 0)
            values.releaseBefore(i - 1);
        const TFrExcelArray::Entry &e = at(i);
        if (!inRange(e))
            continue;
        if (i == 0 || at(i - 1).row != e.row) {
            size_t n = 1;
            while (i + n < entries.size() && at(i + n).row == e.row)
                ++n;
            s.reserveValues(r.row + e.row, n);
        }
        if (i + 1 < entries.size() && at(i + 1).row == e.row && at(i + 1).col == e.col)
            continue;
        if (taken)
            s.setStoredValue(r.row + e.row, r.col + e.col, e.start, e.length);
        else
            s.setValue(r.row + e.row, r.col + e.col, values.text(e));
    }
}

void TFrExcel::SetRowPageBreak(int row, int code)
{
    TfrWorksheetModel &s = sheet();
    if (code != xlPageBreakManual || row < 1 || row > frXlsMaxRows)
        return;
    s.setPageBreak(row);
}

void TFrExcel::SetRangeTextFormat()
{
    formatRange([](TfrXlsFormat &f) { f.textFormat = true; });
}

int TFrExcel::PastePicture(const QImage &image)
{
    const Range &r = range();
    TfrXlsPicture p;
    p.row = r.row;
    p.col = r.col;
    if (!image.isNull()) {
        QImage img = image;
        // 96 pixels to the inch, as the sheet measures.
        img.setDotsPerMeterX(3780);
        img.setDotsPerMeterY(3780);
        QBuffer buffer(&p.png);
        buffer.open(QIODevice::WriteOnly);
        img.save(&buffer, "PNG");
        p.pixelWidth = img.width();
        p.pixelHeight = img.height();
    }
    p.width = p.pixelWidth * 72.0 / 96;
    p.height = p.pixelHeight * 72.0 / 96;
    sheet().pictures.push_back(std::move(p));
    return int(sheet().pictures.size());
}

void TFrExcel::SetPictureSize(int n, double width, double height)
{
    TfrWorksheetModel &s = sheet();
    if (n < 1 || size_t(n) > s.pictures.size())
        throw EfrError(QStringLiteral("Нет рисунка с номером %1").arg(n));
    s.pictures[size_t(n) - 1].width = std::max(width, 0.0);
    s.pictures[size_t(n) - 1].height = std::max(height, 0.0);
}

void TFrExcel::SelectRange() { range(); }

void TFrExcel::SaveAs(const QString &fileName)
{
    const TfrWorksheetModel &s = sheet();
    try {
        frWriteXlsx(s, fileName, kSheetName);
    } catch (const EfrError &e) {
        // Nothing half written reached the name: a file that was there is still whole.
        throw EfrError(QStringLiteral("Не удалось сохранить книгу Excel \"%1\": %2").arg(fileName, e.message()));
    }
    if (Visible && frOpenWorkbook())
        frOpenWorkbook()(fileName);
}

void TFrExcel::Quit()
{
    m_sheet.reset();
    m_range = Range();
    m_open = false;
    Visible = false;
}
