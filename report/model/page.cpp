#include "report/model/page.h"

#include "report/eval/globals.h"
#include "report/model/geometry.h"

int frTenthsMmToPixels(int tenths) { return frRound(tenths * frDesignPixelsPerInch / 254.0); }

TfrPage::TfrPage(TfrReport *report) : Report(report) { SetPaperGeometry(); }

TfrPage::~TfrPage()
{
    if (CurPage == this)
        CurPage = nullptr;
}

void TfrPage::SetPaperGeometry()
{
    int w = pgWidth, h = pgHeight;
    if (pgOr == 1)
        std::swap(w, h);
    PrnInfo.Pgw = PrnInfo.Pw = frTenthsMmToPixels(w);
    PrnInfo.Pgh = PrnInfo.Ph = frTenthsMmToPixels(h);
    PrnInfo.Ofx = PrnInfo.Ofy = 0;
    PrnInfo.PPgw = PrnInfo.PPw = PrnInfo.Pgw;
    PrnInfo.PPgh = PrnInfo.PPh = PrnInfo.Pgh;
    PrnInfo.POfx = PrnInfo.POfy = 0;
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
    return pgMargins.Right == 0 ? PrnInfo.Ofx + PrnInfo.Pw : PrnInfo.Pgw - pgMargins.Right;
}

int TfrPage::BottomMargin() const
{
    int result;
    if (!applyMargins)
        result = PrnInfo.Pgh;
    else
        result = pgMargins.Bottom == 0 ? PrnInfo.Ofy + PrnInfo.Ph : PrnInfo.Pgh - pgMargins.Bottom;
    if (DocMode == dmPrinting) {
        if (const TfrBand *footer = Band(btPageFooter))
            result -= footer->Height;
    }
    return result;
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
    return Objects.back().get();
}

void TfrPage::Delete(int index)
{
    if (index >= 0 && size_t(index) < Objects.size())
        Objects.erase(Objects.begin() + index);
}

void TfrPage::SetPropValue(const QString &AName, const TfrVariant &Value)
{
    const QString n = AName.toUpper();
    if (n == QLatin1String("NAME"))
        Name = Value.toString();
    else if (n == QLatin1String("VISIBLE"))
        Visible = Value.toBoolean();
    else if (n == QLatin1String("TYPE"))
        PageType = quint8(Value.toInteger());
}

TfrVariant TfrPage::GetPropValue(const QString &AName)
{
    const QString n = AName.toUpper();
    if (n == QLatin1String("NAME"))
        return TfrVariant(Name);
    if (n == QLatin1String("VISIBLE"))
        return TfrVariant(Visible);
    if (n == QLatin1String("TYPE"))
        return TfrVariant(int(PageType));
    return TfrVariant::null();
}

void TfrPage::DefineProperties()
{
    ClearPropList();
    AddEnumProperty(QStringLiteral("Type"), QStringLiteral("ptReport;ptDialog"), {0, 1});
    AddProperty(QStringLiteral("Visible"), {});
}
