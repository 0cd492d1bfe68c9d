#include "export/spreadsheet/ole_excel_export.h"

#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>
#include <limits>
#include <cmath>
#include <numeric>

#include "export/spreadsheet/excel_constants.h"
#include "export/spreadsheet/ole_excel_set.h"
#include "report/engine/prepare.h"
#include "report/engine/prepared_pages.h"
#include "report/engine/page_engine.h"
#include "report/eval/date_format.h"
#include "report/eval/errors.h"
#include "report/eval/format_settings.h"
#include "report/eval/globals.h"
#include "report/eval/number_format.h"
#include "report/eval/strings.h"
#include "report/model/memo_view.h"
#include "report/model/registry.h"
#include "report/model/report.h"

namespace {

// There is no OLE here: the filter writes .xlsx workbooks itself.
const QString kDescription = QStringLiteral("Файл Excel (*.xlsx)");
const QString kMask = QStringLiteral("*.xlsx");

constexpr double kMaxRowHeight = 409;
// A drawing larger than this is not made (a corrupt size must not allocate gigabytes).
constexpr qint64 kMaxPictureSide = 20000;
constexpr qint64 kMaxPicturePixels = 40LL * 1000 * 1000;
// How often the progress line changes and pending messages are handled.
constexpr qint64 kProgressIntervalMs = 50;

// Only these characters can make a number in the locale (a quick test before the reading).
bool mayReadAsNumber(QStringView text)
{
    const QChar decimal = frFormatSettings().decimalSeparator;
    for (QChar c : text)
        if (!(c.unicode() <= ' ' || c.isDigit() || c == decimal || c == QLatin1Char('.') || c == QLatin1Char(',') ||
              c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('e') || c == QLatin1Char('E')))
            return false;
    return true;
}

// The empty target file the framework created is ours to remove; nothing else is.
void removeEmptyTarget(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isFile() && info.size() == 0)
        QFile::remove(fileName);
}

// The six formatting runs: which cell attribute, its value, and where it started.
// Edges added before the lists are compacted within one page.
constexpr size_t kCompactEvery = 1 << 16;

enum TRunKind { rkFontStyle, rkFontSize, rkFontName, rkHAlign, rkVAlign, rkFontColor, rkCount };

struct TRun {
    int col = 1, row = 1;
    qint64 value = 0;
};

} // namespace

// The progress window as the export shows it after the page walk: without a modal loop,
// closed by its cancel button.
class TfrOLEExcelExport::Progress {
public:
    Progress() : m_ui(frProgressUi()), m_active(m_ui.installed() && m_ui.setVisible && m_ui.setLine) {}
    ~Progress() { close(); }

    void show(const QString &text)
    {
        if (!m_active)
            return;
        m_ui.setLine(text);
        m_ui.setVisible(true);
        m_shown = true;
        pump();
    }
    bool shown() const { return m_shown; }
    // True when a new line is worth showing (the first at once, then now and then).
    bool due() const { return m_shown && (!m_timer.isValid() || m_timer.elapsed() >= kProgressIntervalMs); }
    void line(const QString &text)
    {
        if (!m_shown)
            return;
        m_ui.setLine(text);
        pump();
    }
    // The operator closed the window with its cancel button.
    bool cancelled() const { return m_shown && m_ui.isVisible && !m_ui.isVisible(); }
    void close()
    {
        if (m_shown)
            m_ui.setVisible(false);
        m_shown = false;
    }

private:
    void pump()
    {
        m_timer.start();
        if (m_ui.processMessages)
            m_ui.processMessages();
    }

    TfrProgressUi &m_ui;
    bool m_active;
    bool m_shown = false;
    QElapsedTimer m_timer;
};

TfrOLEExcelExport::TfrOLEExcelExport(QObject *owner) : TfrExportFilter(owner), m_excel(std::make_unique<TFrExcel>())
{
    setObjectName(QStringLiteral("frOLEExcelExport"));
    frRegisterExportFilter(this, kDescription, kMask);
    ShowDialog = true;
}

TfrOLEExcelExport::~TfrOLEExcelExport()
{
    ClearLastPage();
    frUnRegisterExportFilter(this);
}

// ---- options -----------------------------------------------------------------------------

int TfrOLEExcelExport::ShowModal()
{
    int result = 1;
    QString range = PageRange;
    if (ShowDialog) {
        TfrOLEExcelSet dialog;
        dialog.CB_Merged->setChecked(CellsMerged);
        dialog.CB_WrapWords->setChecked(CellsWrapWords);
        dialog.CB_FillColor->setChecked(CellsFillColor);
        dialog.CB_Borders->setChecked(CellsBorders);
        dialog.CB_Align->setChecked(CellsAlign);
        dialog.CB_PageBreaks->setChecked(PageBreaks);
        dialog.CB_FontName->setChecked(CellsFontName);
        dialog.CB_FontSize->setChecked(CellsFontSize);
        dialog.CB_FontStyle->setChecked(CellsFontStyle);
        dialog.CB_FontColor->setChecked(CellsFontColor);
        dialog.CB_Pictures->setChecked(ExportPictures);
        dialog.CB_OpenExcel->setChecked(OpenExcelAfterExport);
        dialog.E_ScaleX->setText(QString::number(std::lround(ScaleX * 100)));
        dialog.E_ScaleY->setText(QString::number(std::lround(ScaleY * 100)));
        dialog.E_TMargin->setText(frFloatToStr(TopMargin));
        dialog.E_LMargin->setText(frFloatToStr(LeftMargin));
        result = frOLEExcelSetExec() ? frOLEExcelSetExec()(dialog) : dialog.exec();

        // Whatever the result, the dialog's settings stay with the filter.
        range = dialog.E_Range->text();
        CellsMerged = dialog.CB_Merged->isChecked();
        CellsWrapWords = dialog.CB_WrapWords->isChecked();
        CellsFillColor = dialog.CB_FillColor->isChecked();
        CellsBorders = dialog.CB_Borders->isChecked();
        CellsAlign = dialog.CB_Align->isChecked();
        PageBreaks = dialog.CB_PageBreaks->isChecked();
        CellsFontName = dialog.CB_FontName->isChecked();
        CellsFontSize = dialog.CB_FontSize->isChecked();
        CellsFontStyle = dialog.CB_FontStyle->isChecked();
        CellsFontColor = dialog.CB_FontColor->isChecked();
        ExportPictures = dialog.CB_Pictures->isChecked();
        OpenExcelAfterExport = dialog.CB_OpenExcel->isChecked();
        // The dialog refuses OK while a field does not read; a cancelled dialog keeps the
        // numbers that were there.
        QString problem;
        if (result != 1 && dialog.InvalidField(problem))
            return result;
        // A scale of zero or less would give sizes without meaning (and divide by zero).
        auto scale = [](const QString &text) {
            const qint32 percent = frStrToInt(text);
            if (percent < 1)
                throw EConvertError(QStringLiteral("'%1' is not a valid scale").arg(text));
            return percent / 100.0;
        };
        ScaleX = scale(dialog.E_ScaleX->text());
        ScaleY = scale(dialog.E_ScaleY->text());
        TopMargin = frStrToFloat(dialog.E_TMargin->text());
        LeftMargin = frStrToFloat(dialog.E_LMargin->text());
    }

    m_pageEnds.clear();
    m_pageWanted.clear();
    // Read now, so a range that does not read stops the export before anything is written.
    m_range = TfrPageRange::FromText(range);
    m_range.ThrowIfInvalid();
    return result;
}

// ---- collecting --------------------------------------------------------------------------

void TfrOLEExcelExport::OnBeginDoc()
{
    OnAfterExport = [this](const QString &fileName) { AfterExport(fileName); };
    m_excel->OpenExcel();
    m_pageNumber = 0;
    m_firstRowOffset = 0;
    ClearLastPage();
    m_verticalOffset = 0;
    m_lowestBottom = 0;
    m_pictureNumber = 0;
    m_gapRows = 0;
    // A text naming no page exports no page; only an empty one means every page.
    m_pageWanted.clear();
    if (!m_range.IsAll())
        m_pageWanted = m_range.Membership(EMFPages ? EMFPages->GetCount() : frEngine().totalPages);
    m_xSorted = m_ySorted = 0;
}

// Sorts what was added to the list since the last call and drops repeats, so the lists
// hold about one edge per column and row instead of two per object.
void TfrOLEExcelExport::compactEdges(std::vector<TObjCell> &list, size_t &sorted)
{
    const auto mid = list.begin() + qsizetype(sorted);
    std::sort(mid, list.end());
    auto from = mid == list.begin() ? mid : mid - 1;
    if (mid != list.begin() && mid != list.end() && *(mid - 1) > *mid) {
        // A page whose objects reach above the last one's edges (rare): merged in.
        std::inplace_merge(list.begin(), mid, list.end());
        from = list.begin();
    }
    list.erase(std::unique(from, list.end()), list.end());
    sorted = list.size();
}

void TfrOLEExcelExport::OnBeginPage() { ++m_pageNumber; }

bool TfrOLEExcelExport::pagePasses() const
{
    if (m_range.IsAll())
        return true;
    return m_pageNumber >= 1 && size_t(m_pageNumber) < m_pageWanted.size() && m_pageWanted[size_t(m_pageNumber)];
}

void TfrOLEExcelExport::OnEndPage()
{
    compactEdges(m_xEdges, m_xSorted);
    compactEdges(m_yEdges, m_ySorted);
    m_verticalOffset = m_lowestBottom;
    if (pagePasses())
        m_pageEnds.push_back(m_lowestBottom);
}

int TfrOLEExcelExport::fontNameId(const QString &name)
{
    // Neighbouring objects mostly share their font.
    if (m_lastFontName >= 0 && m_fontNames[size_t(m_lastFontName)] == name)
        return m_lastFontName;
    auto it = m_fontNameIds.constFind(name);
    if (it != m_fontNameIds.constEnd())
        return m_lastFontName = *it;
    const int id = int(m_fontNames.size());
    m_fontNames.push_back(name);
    m_fontNameIds.insert(name, id);
    return m_lastFontName = id;
}

void TfrOLEExcelExport::collect(TfrView *View, TfrMemoView *memo, TObjCell top)
{
    TCollected o;
    TCell cell;
    o.Left = View->Left;
    o.Top = top;
    o.Width = View->Width;
    o.Height = View->Height;
    // The whole text is every line followed by a line break (CR LF); its length is the
    // third sort key.
    qint64 length = 0;
    for (const QString &line : View->Memo)
        length += line.size() + 2;
    o.textLength = int(std::min<qint64>(length, INT_MAX));
    if (memo) {
        // CleanReturns of the whole text, made in one pass into the text store.
        if (m_texts.size() + length > qsizetype(std::numeric_limits<quint32>::max()))
            throw EfrError(QStringLiteral("Отчет не помещается на лист Excel: в нем больше %1 знаков текста")
                               .arg(std::numeric_limits<quint32>::max()));
        cell.start = quint32(m_texts.size());
        m_texts.resize(qsizetype(cell.start) + qsizetype(length));
        QChar *out = m_texts.data() + cell.start;
        qsizetype n = 0;
        for (const QString &line : memo->Memo) {
            for (QChar c : line)
                if (c != QLatin1Char('\r') && c.unicode() != 1)
                    out[n++] = c;
            out[n++] = QLatin1Char('\n');
        }
        while (n > 0 && out[n - 1] == QLatin1Char('\n'))
            --n;
        m_texts.truncate(cell.start + n);
        cell.length = int(std::min<qsizetype>(n, INT_MAX));
        TCellStyle style;
        style.FrameTyp = View->FrameTyp;
        style.FillColor = View->FillColor;
        style.fontName = fontNameId(memo->Font.Name);
        style.fontSize = memo->Font.Size;
        style.fontStyle = memo->Font.Style;
        style.fontColor = memo->Font.Color;
        style.Alignment = memo->Alignment;
        cell.content = styleId(style);
    } else {
        // The object draws itself at the origin of a bitmap one pixel larger than itself.
        QImage picture;
        const qint64 w = qint64(View->Width) + 1, h = qint64(View->Height) + 1;
        if (w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide && w * h <= kMaxPicturePixels) {
            picture = QImage(int(w), int(h), QImage::Format_RGB32);
            picture.fill(Qt::white);
            struct Restore {
                TfrView *view;
                int left, top;
                ~Restore()
                {
                    view->Left = left;
                    view->Top = top;
                }
            } restore{View, View->Left, View->Top};
            View->Left = 0;
            View->Top = 0;
            QPainter painter(&picture);
            View->Draw(&painter);
        }
        cell.content = -1 - int(m_pictures.size());
        m_pictures.push_back(std::move(picture));
        m_pictureSizes.push_back(QSize(View->Width, View->Height));
    }
    m_objects.push_back(o);
    m_cells.push_back(cell);
}

size_t TfrOLEExcelExport::TCellStyleHash::operator()(const TCellStyle &s) const noexcept
{
    return qHashMulti(0, s.fontName, s.fontSize, s.fontColor, s.Alignment, s.FillColor, s.fontStyle, s.FrameTyp);
}

int TfrOLEExcelExport::styleId(const TCellStyle &style)
{
    // Neighbouring objects mostly share their look.
    if (!m_styles.empty() && m_styles.back() == style)
        return int(m_styles.size()) - 1;
    if (auto it = m_styleIds.find(style); it != m_styleIds.end())
        return it->second;
    const int id = int(m_styles.size());
    m_styles.push_back(style);
    m_styleIds.emplace(style, id);
    return id;
}

void TfrOLEExcelExport::OnData(int, int, TfrView *View)
{
    if (!View || !pagePasses())
        return;
    const TObjCell top = TObjCell(View->Top) + m_verticalOffset;
    auto *memo = dynamic_cast<TfrMemoView *>(View);
    if (!memo || !memo->Memo.isEmpty() || memo->FrameTyp != 0)
        collect(View, memo, top);
    ObjCellAdd(m_xEdges, View->Left);
    ObjCellAdd(m_xEdges, TObjCell(View->Left) + View->Width);
    ObjCellAdd(m_yEdges, top);
    ObjCellAdd(m_yEdges, top + View->Height);
    // A gap too high for one row is split into rows the application can hold.
    if (top > m_lowestBottom) {
        const double gap = double(top - m_lowestBottom) * ScaleY / 1.3;
        if (gap > kMaxRowHeight) {
            const qint64 n = qint64(gap / kMaxRowHeight);
            const qint64 step = std::max<qint64>(1, qint64(531.7 / ScaleY));
            // Every gap row is a row of its own: past a sheet's rows the refusal follows
            // in AfterExport, and the edges need not be made.
            m_gapRows += n;
            if (m_gapRows <= frXlsMaxRows)
                for (qint64 k = 1; k <= n; ++k)
                    ObjCellAdd(m_yEdges, m_lowestBottom + k * step);
        }
    }
    m_lowestBottom = std::max(m_lowestBottom, top + View->Height);
    // A page of very many objects is compacted as it goes.
    if (m_yEdges.size() - m_ySorted > kCompactEvery) {
        compactEdges(m_xEdges, m_xSorted);
        compactEdges(m_yEdges, m_ySorted);
    }
}

// ---- lists -------------------------------------------------------------------------------

QString TfrOLEExcelExport::CleanReturns(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char('\r') && c.unicode() != 1)
            out += c;
    qsizetype end = out.size();
    while (end > 0 && out[end - 1] == QLatin1Char('\n'))
        --end;
    out.truncate(end);
    return out;
}

void TfrOLEExcelExport::ClearLastPage()
{
    m_xEdges.clear();
    m_xEdges.shrink_to_fit();
    m_yEdges.clear();
    m_yEdges.shrink_to_fit();
    m_xSorted = m_ySorted = 0;
    m_objects.clear();
    m_cells.clear();
    m_styles.clear();
    m_styleIds.clear();
    m_texts = QString();
    m_pictures.clear();
    m_pictureSizes.clear();
    m_placements.clear();
    m_fontNames.clear();
    m_fontNameIds.clear();
    m_lastFontName = -1;
}

void TfrOLEExcelExport::ObjCellAdd(std::vector<TObjCell> &list, TObjCell position) { list.push_back(position); }

void TfrOLEExcelExport::ObjPosAdd(TfrBlockList<TObjPos> &list, int col, int row, int colCount, int rowCount, int obj)
{
    list.push_back({obj, row, rowCount, qint16(col), qint16(colCount)});
}

int TfrOLEExcelExport::ComparePoints(TObjCell a, TObjCell b) { return a < b ? -1 : a > b ? 1 : 0; }

void TfrOLEExcelExport::DeleteMultiplePoint(std::vector<TObjCell> &list)
{
    // Ascending, as ComparePoints orders them.
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
}

int TfrOLEExcelExport::CompareObjects(int a, int b) const
{
    const TCollected &x = m_objects[size_t(a)];
    const TCollected &y = m_objects[size_t(b)];
    if (x.Top != y.Top)
        return x.Top < y.Top ? -1 : 1;
    if (x.Left != y.Left)
        return x.Left < y.Left ? -1 : 1;
    return x.textLength - y.textLength;
}

void TfrOLEExcelExport::OrderObjectByCells()
{
    // The order of CompareObjects; objects equal in all three keys keep the order they came
    // in. Pages mostly hand their objects over in this order already, and then need no
    // list of the order.
    bool sorted = true;
    for (size_t i = 1; i < m_objects.size() && sorted; ++i)
        sorted = CompareObjects(int(i - 1), int(i)) <= 0;
    std::vector<int> order;
    if (!sorted) {
        order.resize(m_objects.size());
        std::iota(order.begin(), order.end(), 0);
        // The numbers are sorted, not copies of the keys: a million objects would need
        // another 24 MB for those. The index decides between equal keys.
        std::sort(order.begin(), order.end(), [this](int a, int b) {
            const TCollected &x = m_objects[size_t(a)];
            const TCollected &y = m_objects[size_t(b)];
            return std::tie(x.Top, x.Left, x.textLength, a) < std::tie(y.Top, y.Left, y.textLength, b);
        });
    }

    // An object reaching up to 10 pixels into the next column or row does not span it.
    auto place = [](const std::vector<TObjCell> &edges, TObjCell start, TObjCell size, int &first, int &count) {
        auto it = std::lower_bound(edges.begin(), edges.end(), start);
        if (it == edges.end() || *it != start) {
            first = 0;
            count = 1;
            return;
        }
        first = int(it - edges.begin());
        auto end = std::lower_bound(edges.begin(), edges.end(), start + size - 10);
        const int last = std::max(first, int(end - edges.begin()));
        count = std::max(1, last - first);
    };
    m_placements.clear();
    m_inOrder = sorted;
    for (size_t k = 0; k < m_objects.size(); ++k) {
        // In order, the geometry of the objects placed goes as the placements grow.
        if (sorted)
            m_objects.releaseBefore(k);
        const int index = sorted ? int(k) : order[k];
        const TCollected &o = m_objects[size_t(index)];
        int col, colCount, row, rowCount;
        place(m_xEdges, o.Left, o.Width, col, colCount);
        place(m_yEdges, o.Top, o.Height, row, rowCount);
        ObjPosAdd(m_placements, col, row, colCount, rowCount, index);
    }
    if (sorted)
        m_objects.clear(); // what is left of it
}

// ---- writing -----------------------------------------------------------------------------

void TfrOLEExcelExport::refuseTooLarge(const QString &FileName)
{
    const qint64 rows = std::max<qint64>(qint64(m_yEdges.size()) - 1, m_gapRows);
    const qint64 cols = qint64(m_xEdges.size()) - 1;
    ClearLastPage();
    m_excel->Quit();
    removeEmptyTarget(FileName);
    throw EfrError(QStringLiteral("Отчет не помещается на лист Excel: нужно строк %1, столбцов %2, "
                                  "а на листе их не больше %3 и %4")
                       .arg(rows)
                       .arg(cols)
                       .arg(frXlsMaxRows)
                       .arg(frXlsMaxCols));
}

void TfrOLEExcelExport::AfterExport(const QString &FileName)
{
    DeleteMultiplePoint(m_xEdges);
    DeleteMultiplePoint(m_yEdges);
    if (m_gapRows > frXlsMaxRows || qint64(m_yEdges.size()) - 1 > frXlsMaxRows ||
        qint64(m_xEdges.size()) - 1 > frXlsMaxCols)
        refuseTooLarge(FileName);
    OrderObjectByCells();
    try {
        {
            Progress progress;
            progress.show(QStringLiteral("Подождите пожалуйста ..."));
            m_progress = &progress;
            struct Forget {
                Progress *&p;
                ~Forget() { p = nullptr; }
            } forget{m_progress};
            ExportPage();
            m_excel->SetRange(1, 1, 1, 1);
            m_excel->SelectRange();
        }
        if (OpenExcelAfterExport)
            m_excel->SetVisible(true);
        // The framework left an empty file under a new name; the workbook takes its place.
        // A file that was there before stays until the workbook is complete.
        removeEmptyTarget(FileName);
        m_excel->SaveAs(FileName);
    } catch (...) {
        // Nothing half made stays behind: neither the workbook nor the empty file.
        m_excel->Quit();
        ClearLastPage();
        removeEmptyTarget(FileName);
        throw;
    }
    if (!OpenExcelAfterExport)
        m_excel->Quit();
    ClearLastPage();
}

void TfrOLEExcelExport::ExportPage()
{
    TFrExcel &x = *m_excel;
    if (EMFPages && m_pageNumber >= 1 && m_pageNumber <= EMFPages->GetCount()) {
        const TfrPageInfo &info = (*EMFPages)[m_pageNumber - 1];
        x.SetPageMargin(info.orientation ? xlLandscape : xlPortrait, info.margins.Left / 4.0,
                        info.margins.Right / 4.0, info.margins.Top / 4.0, info.margins.Bottom / 4.0);
    }
    if (CurReport)
        CurReport->Terminated = false;
    Progress idle;
    Progress &progress = m_progress ? *m_progress : idle;
    // The objects are placed: from here on only their content and places are needed, and
    // the geometry goes before the sheet grows.
    m_objects.clear();

    const std::vector<TObjCell> &X = m_xEdges;
    const std::vector<TObjCell> &Y = m_yEdges;
    const int NX = int(X.size());
    const int NY = int(Y.size());

    // Rows, and a manual break two rows below where each exported page ended.
    x.reserveRows(NY + 2);
    size_t p = 0;
    for (int i = 1; i < NY; ++i) {
        if (i == 1 || progress.due())
            progress.line(QStringLiteral("Подготовка координат Y: ") + QString::number(i));
        x.SetRowSize(i, double(Y[size_t(i)] - Y[size_t(i) - 1]) * ScaleY / 1.3);
        // A page that added nothing ends where the one before it did: its end is passed over,
        // or it would hold back the breaks of every later page.
        while (p < m_pageEnds.size() && m_pageEnds[p] < Y[size_t(i)])
            ++p;
        if (p < m_pageEnds.size() && m_pageEnds[p] == Y[size_t(i)] && PageBreaks) {
            x.SetRowPageBreak(i + 2, xlPageBreakManual);
            ++p;
        }
    }
    for (int j = 1; j < NX; ++j) {
        if (j == 1 || progress.due())
            progress.line(QStringLiteral("Подготовка координат X: ") + QString::number(j));
        x.SetColSize(j, double(X[size_t(j)] - X[size_t(j) - 1]) * ScaleX / 8);
    }
    if (m_placements.empty())
        return;

    TFrExcelArray values(NY, NX);
    values.reserve(m_placements.size(), 0);
    TRun runs[rkCount];
    runs[rkFontStyle].value = 0;
    runs[rkFontSize].value = 10;
    runs[rkFontName].value = fontNameId(QString());
    runs[rkHAlign].value = xlLeft;
    runs[rkVAlign].value = xlTop;
    runs[rkFontColor].value = 0;

    auto applyRun = [&](int kind, qint64 v) {
        switch (kind) {
        case rkFontStyle:
            x.SetCellFontStyle(quint16(v));
            break;
        case rkFontSize:
            x.SetCellFontSize(double(v));
            break;
        case rkFontName:
            x.SetCellFontName(m_fontNames[size_t(v)]);
            break;
        case rkHAlign:
            x.SetCellHAlign(int(v));
            break;
        case rkVAlign:
            x.SetCellVAlign(int(v));
            break;
        case rkFontColor:
            x.SetCellFontColor(qint32(v));
            break;
        default:
            break;
        }
    };
    // The run's value over every cell from its start up to (cc, cr), not including it, in
    // reading order: the rest of its first row, the whole rows between, the start of cr.
    auto flush = [&](int kind, int cc, int cr) {
        const TRun &run = runs[kind];
        auto apply = [&](int r1, int c1, int r2, int c2) {
            r2 = std::min(r2, frXlsMaxRows);
            c2 = std::min(c2, frXlsMaxCols);
            if (c2 < c1 || r2 < r1)
                return;
            x.SetRange(c1, r1, c2 - c1 + 1, r2 - r1 + 1);
            applyRun(kind, run.value);
        };
        if (run.row < cr) {
            apply(run.row, run.col, run.row, NX - 1);
            if (cr - run.row > 1)
                apply(run.row + 1, 1, cr - 1, NX - 1);
            apply(cr, 1, cr, cc - 1);
        } else {
            apply(cr, run.col, cr, cc - 1);
        }
    };
    auto follow = [&](int kind, qint64 v, int col, int row) {
        if (runs[kind].value == v)
            return;
        flush(kind, col, row);
        runs[kind] = {col, row, v};
    };

    const size_t count = m_placements.size();
    const double startTime = double(QDateTime::currentMSecsSinceEpoch());
    double remainingDays = 0;
    size_t done = 0;
    int lastCol = 1, lastRow = 1;
    for (size_t k = 0; k < count; ++k) {
        if (k == 0 || progress.due())
            progress.line(QStringLiteral("Объектов: %1 - Осталось: %2").arg(done).arg(frTimeToStr(remainingDays)));
        // What the walk has passed is not read again (the look for later objects inside a
        // merged area goes forward only).
        m_placements.releaseBefore(k);
        if (m_inOrder)
            m_cells.releaseBefore(k);
        const TObjPos &pos = m_placements[k];
        const TCell &o = m_cells[size_t(pos.obj)];
        const int col = pos.col + 1;
        const int row = pos.row + 1;
        int colCount = pos.colCount;
        int rowCount = pos.rowCount;
        x.SetRange(col, row, colCount, rowCount);
        lastCol = col + colCount;
        lastRow = row + rowCount;

        if (o.isText()) {
            const TCellStyle &st = m_styles[size_t(o.style())];
            const QStringView text = QStringView(m_texts).mid(o.start, o.length);
            // What the application would take for a number stays the text it is.
            const qsizetype point = text.indexOf(QLatin1Char('.'));
            if (point >= 0 && mayReadAsNumber(text)) {
                QString copy = text.toString();
                copy[point] = QLatin1Char(',');
                double ignored;
                if (frTryStrToFloat(copy, ignored))
                    x.SetRangeTextFormat();
            }
            const bool right = st.Alignment & 1, centre = st.Alignment & 2;
            const int hAlign = right && centre ? xlJustify : right ? xlRight : centre ? xlCenter : xlLeft;
            const int vAlign = (st.Alignment & 8) ? xlCenter : (st.Alignment & 16) ? xlBottom : xlTop;
            if (CellsBorders)
                x.SetCellFrame(st.FrameTyp);
            if (CellsFillColor && st.FillColor != clNone)
                x.SetCellFillColor(st.FillColor);
            if (st.Alignment & 4)
                x.SetCellOrientation(90);

            if (CellsMerged && (colCount > 1 || rowCount > 1)) {
                const int wasCols = colCount, wasRows = rowCount;
                // Later objects that start inside the area keep their cells. Placements are
                // in order of rows, so the search ends at the first one below the area.
                for (size_t j = k + 1; j < count; ++j) {
                    const int jcol = m_placements[j].col + 1;
                    const int jrow = m_placements[j].row + 1;
                    if (jrow >= row + rowCount)
                        break;
                    if (jcol >= col && jcol < col + colCount) {
                        if (jrow == row) {
                            colCount = jcol - col;
                            rowCount = 1;
                        } else {
                            rowCount = jrow - row;
                        }
                    }
                }
                if (colCount > 1 || rowCount > 1) {
                    if (colCount != wasCols || rowCount != wasRows)
                        x.SetRange(col, row, colCount, rowCount);
                    x.MergeCells();
                }
            }

            if (CellsFontStyle)
                follow(rkFontStyle, st.fontStyle, col, row);
            if (CellsFontSize)
                follow(rkFontSize, st.fontSize, col, row);
            if (CellsFontName)
                follow(rkFontName, st.fontName, col, row);
            if (CellsAlign) {
                follow(rkHAlign, hAlign, col, row);
                follow(rkVAlign, vAlign, col, row);
            }
            if (CellsFontColor)
                follow(rkFontColor, st.fontColor, col, row);
            values.SetStored(row - 1, col - 1, o.start, o.length);
        } else {
            ++m_pictureNumber;
            const int n = x.PastePicture(m_pictures[size_t(o.picture())]);
            const QSize &size = m_pictureSizes[size_t(o.picture())];
            x.SetPictureSize(n, double(size.width()) / 1.5, double(size.height()) / 1.5);
        }

        ++done;
        if (progress.shown()) {
            const double now = double(QDateTime::currentMSecsSinceEpoch());
            const double end = startTime + (now - startTime) * double(count - 1) / double(done);
            remainingDays = std::max(0.0, end - now) / 86400000.0;
        }
        if (progress.cancelled() && CurReport)
            CurReport->Terminated = true;
        if (progress.cancelled() || (CurReport && CurReport->Terminated))
            break;
    }

    // Whatever the options, every run reaches the last object: with an option off the
    // whole area gets the run's first value.
    for (int kind = 0; kind < rkCount; ++kind)
        flush(kind, lastCol, lastRow);
    m_cells.clear();
    // What was collected is in the sheet and the array now: let it go before the values
    // are typed in, so the largest lists are never all held at once. The texts go on in
    // the array.
    values.adoptTexts(std::move(m_texts));
    ClearLastPage();
    x.SetRange(1, 1, NX - 1, NY - 1);
    x.SendArrayValue(std::move(values));
    m_firstRowOffset = lastRow - 1;
}
