#include "report/model/page.h"
#include "report/model/template_limits.h"

#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/geometry.h"
#include "report/model/pages.h"
#include "report/model/paper.h"
#include "report/model/report.h"

namespace {

constexpr int kDefaultBin = 0xFFFF;

// Margin arithmetic on stored values of any size stays within the coordinate range.
int edge(qint64 a, qint64 b) { return frClampCoord(a - b); }

// Paper size in tenths of a millimetre <-> script units of 1/3.6 mm.
int tenthsToScriptUnits(int tenths) { return frRound(tenths / 10.0 * 18.0 / 5.0); }
int scriptUnitsToTenths(int units) { return frRound(units * 10.0 * 5.0 / 18.0); }

TPrinterOrientation orientationOf(int o) { return o == poLandscape ? poLandscape : poPortrait; }

// The printer reports its metrics in its own record; the page keeps them under the names
// the views use. The virtual printer leaves the pixel fields as they were.
void fillFromPrinter(TfrPagePrnInfo &page)
{
    TfrPrnInfo info;
    info.paperWidthPx = page.PPgw;
    info.paperHeightPx = page.PPgh;
    info.offsetXPx = page.POfx;
    info.offsetYPx = page.POfy;
    info.printWidthPx = page.PPw;
    info.printHeightPx = page.PPh;
    frPaper().FillPrnInfo(info);
    page.PPgw = info.paperWidthPx;
    page.PPgh = info.paperHeightPx;
    page.POfx = info.offsetXPx;
    page.POfy = info.offsetYPx;
    page.PPw = info.printWidthPx;
    page.PPh = info.printHeightPx;
    page.Pgw = info.paperWidthU;
    page.Pgh = info.paperHeightU;
    page.Ofx = info.offsetXU;
    page.Ofy = info.offsetYU;
    page.Pw = info.printWidthU;
    page.Ph = info.printHeightU;
}

} // namespace

std::function<void(QStringList &script)> frPageScriptEditor;

int frTenthsMmToPixels(int tenths) { return frRound(tenths * frDesignPixelsPerInch / 254.0); }

TfrPage::TfrPage(TfrReport *report) : TfrPage(report, frDefaultPaper, 0, 0, -1, poPortrait) {}

TfrPage::TfrPage(TfrReport *report, int ASize, int AWidth, int AHeight, int ABin, int AOr) : Report(report)
{
    ChangePaper(ASize, AWidth, AHeight, ABin, AOr);
}

TfrPage::~TfrPage()
{
    if (CurPage == this)
        CurPage = nullptr;
}

void TfrPage::ChangePaper(int ASize, int AWidth, int AHeight, int ABin, int AOr)
{
    const TPrinterOrientation orientation = orientationOf(AOr);
    TfrPaperService &paper = frPaper();
    try {
        paper.SetPrinterInfo(ASize, AWidth, AHeight, ABin, orientation, false);
    } catch (const std::exception &) {
        // A paper the printer refuses is asked for as a size of its own.
        paper.SetPrinterInfo(frCustomPaperSize, AWidth, AHeight, -1, orientation, false);
    }
    fillFromPrinter(PrnInfo);
    pgSize = paper.curPaper;
    pgWidth = paper.curWidth;
    pgHeight = paper.curHeight;
    pgOr = quint8(paper.curOrientation);
    pgBin = (ABin & 0xFFFF) == kDefaultBin ? kDefaultBin : paper.curBin;
}

int TfrPage::LeftMargin() const
{
    if (!applyMargins)
        return 0;
    return pgMargins.Left == 0 ? PrnInfo.Ofx : pgMargins.Left;
}

int TfrPage::TopMargin() const
{
    if (!applyMargins)
        return 0;
    return pgMargins.Top == 0 ? PrnInfo.Ofy : pgMargins.Top;
}

int TfrPage::RightMargin() const
{
    if (!applyMargins)
        return PrnInfo.Pgw;
    if (pgMargins.Right == 0)
        return edge(qint64(PrnInfo.Ofx) + PrnInfo.Pw, 0);
    return edge(PrnInfo.Pgw, pgMargins.Right);
}

int TfrPage::BottomMargin() const
{
    int result;
    if (!applyMargins)
        result = PrnInfo.Pgh;
    else if (pgMargins.Bottom == 0)
        result = edge(qint64(PrnInfo.Ofy) + PrnInfo.Ph, 0);
    else
        result = edge(PrnInfo.Pgh, pgMargins.Bottom);
    if (DocMode == dmPrinting) {
        if (const TfrBand *footer = Band(btPageFooter))
            result = edge(result, footer->Height);
    }
    return result;
}

void TfrPage::CreateUniqueName()
{
    constexpr int kLimit = 10000;
    const QString stem = QStringLiteral("Page");
    std::vector<bool> used(kLimit + 1, false);
    if (const TfrReport *report = CurReport ? CurReport : Report)
        for (const TfrPage *p : report->Pages)
            frMarkNameNumber(p->Name, stem, Qt::CaseSensitive, used);
    Name = stem;
    for (int n = 1; n <= kLimit; ++n) {
        if (!used[size_t(n)]) {
            Name = stem + QString::number(n);
            return;
        }
    }
}

TfrView *TfrPage::FindObject(const QString &name) const
{
    for (const auto &v : Objects)
        if (v->Name.compare(name, Qt::CaseInsensitive) == 0)
            return v.get();
    return nullptr;
}

int TfrPage::FindObjectByID(qint32 id) const
{
    for (size_t i = 0; i < Objects.size(); ++i)
        if (Objects[i]->objectNumber == id)
            return int(i);
    return -1;
}

TfrView *TfrPage::Add(std::unique_ptr<TfrView> view)
{
    Objects.push_back(std::move(view));
    TfrView *added = Objects.back().get();
    notifyObjectChange(frcObjectInserted, added, int(Objects.size()) - 1, -1);
    return added;
}

void TfrPage::Delete(int index)
{
    if (index < 0 || size_t(index) >= Objects.size())
        return;
    const qint32 id = Objects[size_t(index)]->objectNumber;
    Objects.erase(Objects.begin() + index);
    TfrChange change;
    change.kind = frcObjectDeleted;
    change.objectNumber = id;
    change.index = index;
    notify(change);
}

void TfrPage::MoveObject(int curIndex, int newIndex)
{
    const int n = int(Objects.size());
    if (curIndex < 0 || curIndex >= n || newIndex < 0 || newIndex >= n || curIndex == newIndex)
        return;
    std::unique_ptr<TfrView> view = std::move(Objects[size_t(curIndex)]);
    Objects.erase(Objects.begin() + curIndex);
    Objects.insert(Objects.begin() + newIndex, std::move(view));
    notifyObjectChange(frcObjectReordered, Objects[size_t(newIndex)].get(), newIndex, curIndex);
}

void TfrPage::notifyObjectChange(TfrChangeKind kind, TfrView *view, int index, int fromIndex)
{
    TfrChange change;
    change.kind = kind;
    change.object = view;
    change.objectNumber = view->objectNumber;
    change.index = index;
    change.fromIndex = fromIndex;
    notify(change);
}

void TfrPage::notify(TfrChange &change)
{
    if (!Report || !Report->ChangeListener() || Report->ChangesQuiet())
        return;
    change.page = this;
    for (int i = 0; i < Report->PageCount(); ++i)
        if (Report->Page(i) == this)
            change.pageIndex = i;
    Report->NotifyChange(change);
}

// ---- the page record -------------------------------------------------------------------
//
// | Field                                  | Bytes  | Present                              |
// |----------------------------------------|--------|--------------------------------------|
// | marker -1                              | 4      | when absent the record starts with   |
// |                                        |        | the paper size                       |
// | paper size code                        | 4      |                                      |
// | paper width, height (0.1 mm)           | 2 × 4  |                                      |
// | margins left, top, right, bottom       | 4 × 4  | design pixels                        |
// | orientation                            | 1      | 0 portrait, 1 landscape              |
// | (six bytes of the old layout)          | 6      | v < 23                               |
// | paper bin                              | 4      | v >= 24                              |
// | PrintToPrevPage, applyMargins          | 2 × 2  | word booleans                        |
// | column count, column gap               | 2 × 4  |                                      |
// | page type                              | 1      | v >= 24                              |
// | name                                   | string | v >= 24 (else generated)             |
// | border style                           | 1      | v >= 24                              |
// | caption                                | string | v >= 24                              |
// | colour                                 | 4      | v >= 24                              |
// | dialog left, top, width, height        | 4 × 4  | v >= 24                              |
// | position                               | 1      | v >= 24                              |
// | script                                 | list   | v >= 24 and the record has the marker|
// Strings always in the current encoding. Reading ends with ChangePaper.

void TfrPage::SaveToStream(TfrStream &Stream) const
{
    frWriteInteger(Stream, -1);
    frWriteInteger(Stream, pgSize);
    frWriteInteger(Stream, pgWidth);
    frWriteInteger(Stream, pgHeight);
    frWriteInteger(Stream, pgMargins.Left);
    frWriteInteger(Stream, pgMargins.Top);
    frWriteInteger(Stream, pgMargins.Right);
    frWriteInteger(Stream, pgMargins.Bottom);
    frWriteByte(Stream, pgOr);
    frWriteInteger(Stream, pgBin);
    frWriteWordBool(Stream, PrintToPrevPage);
    frWriteWordBool(Stream, applyMargins);
    frWriteInteger(Stream, Columns);
    frWriteInteger(Stream, ColGap);
    frWriteByte(Stream, PageType);
    frWriteString(Stream, Name);
    frWriteByte(Stream, BorderStyle);
    frWriteString(Stream, Caption);
    frWriteInteger(Stream, Color);
    frWriteInteger(Stream, Left);
    frWriteInteger(Stream, Top);
    frWriteInteger(Stream, Width);
    frWriteInteger(Stream, Height);
    frWriteByte(Stream, Position);
    frWriteMemo(Stream, scriptLines);
}

void TfrPage::LoadFromStream(TfrStream &Stream)
{
    const int v = frVersion;
    const qint32 first = frReadInteger(Stream);
    const bool marked = first == -1;
    pgSize = marked ? frReadInteger(Stream) : first;
    pgWidth = frReadInteger(Stream);
    pgHeight = frReadInteger(Stream);
    pgMargins.Left = frReadInteger(Stream);
    pgMargins.Top = frReadInteger(Stream);
    pgMargins.Right = frReadInteger(Stream);
    pgMargins.Bottom = frReadInteger(Stream);
    pgOr = frReadByte(Stream);
    if (v < 23)
        Stream.take(6);
    if (v >= 24)
        pgBin = frReadInteger(Stream);
    PrintToPrevPage = frReadWordBool(Stream);
    applyMargins = frReadWordBool(Stream);
    Columns = frReadInteger(Stream);
    ColGap = frReadInteger(Stream);
    if (v >= 24) {
        PageType = frReadByte(Stream);
        Name = frReadString(Stream);
        BorderStyle = frReadByte(Stream);
        Caption = frReadString(Stream);
        Color = frReadInteger(Stream);
        Left = frReadInteger(Stream);
        Top = frReadInteger(Stream);
        Width = frReadInteger(Stream);
        Height = frReadInteger(Stream);
        Position = frReadByte(Stream);
        if (marked)
            frReadMemo(Stream, scriptLines);
    } else {
        CreateUniqueName();
    }
    frCheckTemplateLimits(*this);
    ChangePaper(pgSize, pgWidth, pgHeight, pgBin, pgOr);
}

// ---- properties ------------------------------------------------------------------------

void TfrPage::SetPropValue(const QString &AName, const TfrVariant &Value)
{
    const QString n = AName.toUpper();
    const bool dialog = PageType == ptDialog;
    if (n == QLatin1String("NAME"))
        Name = Value.toString();
    else if (n == QLatin1String("VISIBLE"))
        Visible = Value.toBoolean();
    else if (n == QLatin1String("TYPE"))
        PageType = quint8(Value.toInteger());
    else if (n == QLatin1String("LEFT"))
        Left = Value.toInteger();
    else if (n == QLatin1String("TOP"))
        Top = Value.toInteger();
    else if (n == QLatin1String("WIDTH")) {
        if (dialog)
            Width = Value.toInteger();
        else
            pgWidth = scriptUnitsToTenths(Value.toInteger());
    } else if (n == QLatin1String("HEIGHT")) {
        if (dialog)
            Height = Value.toInteger();
        else
            pgHeight = scriptUnitsToTenths(Value.toInteger());
    } else if (n == QLatin1String("BORDERSTYLE"))
        BorderStyle = quint8(Value.toInteger());
    else if (n == QLatin1String("CAPTION"))
        Caption = Value.toString();
    else if (n == QLatin1String("COLOR"))
        Color = Value.toInteger();
    else if (n == QLatin1String("POSITION"))
        Position = quint8(Value.toInteger());
    else if (n == QLatin1String("SIZE"))
        pgSize = Value.toInteger();
    else if (n == QLatin1String("ORIENTATION"))
        pgOr = quint8(Value.toInteger());
    else if (n == QLatin1String("PRINTTOPREVPAGE"))
        PrintToPrevPage = Value.toBoolean();
    else if (n == QLatin1String("STRETCHTOPRINTABLE"))
        applyMargins = !Value.toBoolean();
    else if (n == QLatin1String("COLUMNS"))
        Columns = Value.toInteger();
    else if (n == QLatin1String("COLUMNGAP"))
        ColGap = Value.toInteger();
    else if (n == QLatin1String("COLUMNWIDTH"))
        ColWidth = Value.toInteger();
    else if (n == QLatin1String("LEFTMARGIN"))
        pgMargins.Left = Value.toInteger();
    else if (n == QLatin1String("TOPMARGIN"))
        pgMargins.Top = Value.toInteger();
    else if (n == QLatin1String("RIGHTMARGIN"))
        pgMargins.Right = Value.toInteger();
    else if (n == QLatin1String("BOTTOMMARGIN"))
        pgMargins.Bottom = Value.toInteger();
}

TfrVariant TfrPage::GetPropValue(const QString &AName)
{
    const QString n = AName.toUpper();
    const bool dialog = PageType == ptDialog;
    const bool printing = DocMode == dmPrinting;
    if (n == QLatin1String("NAME"))
        return TfrVariant(Name);
    if (n == QLatin1String("VISIBLE"))
        return TfrVariant(Visible);
    if (n == QLatin1String("TYPE"))
        return TfrVariant(int(PageType));
    if (n == QLatin1String("LEFT"))
        return TfrVariant(Left);
    if (n == QLatin1String("TOP"))
        return TfrVariant(Top);
    if (n == QLatin1String("WIDTH"))
        return TfrVariant(dialog ? Width : tenthsToScriptUnits(pgWidth));
    if (n == QLatin1String("HEIGHT"))
        return TfrVariant(dialog ? Height : tenthsToScriptUnits(pgHeight));
    if (n == QLatin1String("BORDERSTYLE"))
        return TfrVariant(int(BorderStyle));
    if (n == QLatin1String("CAPTION"))
        return TfrVariant(Caption);
    if (n == QLatin1String("COLOR"))
        return TfrVariant(int(Color));
    if (n == QLatin1String("POSITION"))
        return TfrVariant(int(Position));
    if (n == QLatin1String("SIZE"))
        return TfrVariant(int(pgSize));
    if (n == QLatin1String("ORIENTATION"))
        return TfrVariant(int(pgOr));
    if (n == QLatin1String("PRINTTOPREVPAGE"))
        return TfrVariant(PrintToPrevPage);
    if (n == QLatin1String("STRETCHTOPRINTABLE"))
        return TfrVariant(!applyMargins);
    if (n == QLatin1String("COLUMNS"))
        return TfrVariant(int(Columns));
    if (n == QLatin1String("COLUMNGAP"))
        return TfrVariant(int(ColGap));
    if (n == QLatin1String("LEFTMARGIN"))
        return TfrVariant(printing ? LeftMargin() : pgMargins.Left);
    if (n == QLatin1String("TOPMARGIN"))
        return TfrVariant(printing ? TopMargin() : pgMargins.Top);
    if (n == QLatin1String("RIGHTMARGIN"))
        return TfrVariant(printing ? RightMargin() : pgMargins.Right);
    if (n == QLatin1String("BOTTOMMARGIN"))
        return TfrVariant(printing ? BottomMargin() : pgMargins.Bottom);
    return TfrVariant::null();
}

void TfrPage::DefineProperties()
{
    ClearPropList();
    // The designer edits the page's script through whatever editor it installs.
    auto scriptEditor = [this] {
        if (frPageScriptEditor)
            frPageScriptEditor(scriptLines);
    };
    AddEnumProperty(QStringLiteral("Type"), QStringLiteral("ptReport;ptDialog"), {0, 1});
    AddProperty(QStringLiteral("Visible"), {});
    if (PageType == ptDialog) {
        AddEnumProperty(QStringLiteral("BorderStyle"), QStringLiteral("bsDialog;bsSizeable"), {3, 2});
        AddProperty(QStringLiteral("Caption"), {frdtString});
        AddProperty(QStringLiteral("Color"), {frdtColor});
        AddProperty(QStringLiteral("Left"), {frdtSize});
        AddProperty(QStringLiteral("Top"), {frdtSize});
        AddProperty(QStringLiteral("Width"), {frdtInteger});
        AddProperty(QStringLiteral("Height"), {frdtInteger});
        AddEnumProperty(QStringLiteral("Position"), QStringLiteral("poDesigned;poScreenCenter"), {0, 4});
        AddProperty(QStringLiteral("OnActivate"), {frdtHasEditor, frdtOneObject}, scriptEditor);
        return;
    }
    const TfrPaperService &paper = frPaper();
    if (paper.PaperCount() > 0) {
        std::vector<TfrVariant> codes;
        for (int code : paper.PaperCodes())
            codes.emplace_back(code);
        AddEnumProperty(QStringLiteral("Size"), paper.PaperNames().join(QLatin1Char(';')), std::move(codes));
    } else {
        AddEnumProperty(QStringLiteral("Size"), QStringLiteral("No data"), {TfrVariant::null()});
    }
    AddProperty(QStringLiteral("Width"), {frdtSize});
    AddProperty(QStringLiteral("Height"), {frdtSize});
    AddProperty(QStringLiteral("LeftMargin"), {frdtSize});
    AddProperty(QStringLiteral("TopMargin"), {frdtSize});
    AddProperty(QStringLiteral("RightMargin"), {frdtSize});
    AddProperty(QStringLiteral("BottomMargin"), {frdtSize});
    AddEnumProperty(QStringLiteral("Orientation"), QStringLiteral("poPortrait;poLandscape"), {0, 1});
    AddProperty(QStringLiteral("PrintToPrevPage"), {frdtBoolean});
    AddProperty(QStringLiteral("StretchToPrintable"), {frdtBoolean});
    AddProperty(QStringLiteral("Columns"), {frdtInteger});
    AddProperty(QStringLiteral("ColumnWidth"), {});
    AddProperty(QStringLiteral("ColumnGap"), {frdtSize});
    AddProperty(QStringLiteral("OnBeforePrint"), {frdtHasEditor, frdtOneObject}, scriptEditor);
}
