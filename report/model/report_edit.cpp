// Copies of a template and the notices of its editing operations: what an editor on top of
// the model needs to keep its own pointers valid and to preview a copy.
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/report.h"
#include "report/model/view.h"

namespace {

// Loading a template sets the engine's current objects, the stream version and the error
// state, and asks the printer for every page's paper. A copy puts all of that back.
class TfrProcessStateGuard {
public:
    explicit TfrProcessStateGuard(const TfrReport &target)
        : m_curReport(CurReport), m_masterReport(MasterReport), m_curPage(CurPage), m_curBand(CurBand),
          m_curView(CurView), m_pageNo(PageNo), m_docMode(DocMode), m_version(frVersion), m_errorFlag(ErrorFlag),
          m_errorStr(ErrorStr), m_printerIndex(frPaper().PrinterIndex()), m_paper(frPaper().curPaper),
          m_width(frPaper().curWidth), m_height(frPaper().curHeight), m_bin(frPaper().curBin),
          m_orientation(frPaper().curOrientation)
    {
        // The target's pages and objects are about to go: pointers into them are not kept.
        const bool intoTarget = (m_curPage && m_curPage->Report == &target) ||
                                (m_curView && target.PageOf(*m_curView)) || m_curReport == &target;
        if (intoTarget) {
            m_curPage = nullptr;
            m_curBand = nullptr;
            m_curView = nullptr;
        }
    }
    ~TfrProcessStateGuard()
    {
        CurReport = m_curReport;
        MasterReport = m_masterReport;
        CurPage = m_curPage;
        CurBand = m_curBand;
        CurView = m_curView;
        PageNo = m_pageNo;
        DocMode = m_docMode;
        frVersion = m_version;
        ErrorFlag = m_errorFlag;
        ErrorStr = m_errorStr;
        TfrPaperService &paper = frPaper();
        try {
            if (paper.PrinterIndex() != m_printerIndex)
                paper.SetPrinterIndex(m_printerIndex);
            if (!paper.IsEqual(m_paper, m_width, m_height, m_bin, m_orientation))
                paper.SetPrinterInfo(m_paper, m_width, m_height, m_bin, m_orientation, true);
        } catch (const std::exception &) {
            // The printer refuses its own previous paper: it keeps what it has.
        }
    }
    TfrProcessStateGuard(const TfrProcessStateGuard &) = delete;
    TfrProcessStateGuard &operator=(const TfrProcessStateGuard &) = delete;

private:
    TfrReport *m_curReport;
    TfrReport *m_masterReport;
    TfrPage *m_curPage;
    TfrBand *m_curBand;
    TfrView *m_curView;
    int m_pageNo;
    TfrDocMode m_docMode;
    quint8 m_version;
    bool m_errorFlag;
    QString m_errorStr;
    int m_printerIndex;
    int m_paper, m_width, m_height, m_bin;
    TPrinterOrientation m_orientation;
};

} // namespace

void TfrReport::Assign(const TfrReport &Source)
{
    if (&Source == this)
        return;
    {
        TfrProcessStateGuard guard(*this);
        TfrStream stream;
        Source.writeStream(stream, Source.DocInfo.lastChange);
        stream.seek(0);
        TfrQuietChanges quiet(*this);
        bool touched = true;
        loadStream(stream, touched);
    }
    // What the stream does not carry, or carries as the process sees it (the printer).
    Owner = Source.Owner;
    Dataset = Source.Dataset;
    PrintToDefault = Source.PrintToDefault;
    PrinterName = Source.PrinterName;
    templateFileName = Source.templateFileName;
    docGeneratorVersion = Source.docGeneratorVersion;
    StampLastChange = Source.StampLastChange;
    StoreInDFM = Source.StoreInDFM;
    OnBeforePrint = Source.OnBeforePrint;
    OnGetValue = Source.OnGetValue;
    NotifyChange(TfrChange{});
}

std::unique_ptr<TfrReport> TfrReport::Clone() const
{
    auto copy = std::make_unique<TfrReport>(Owner);
    copy->Assign(*this);
    return copy;
}

void TfrReport::NotifyChange(const TfrChange &change)
{
    if (m_listener && m_quietDepth == 0)
        m_listener->ReportChanged(change);
}

TfrPage *TfrReport::PageOf(const TfrView &View) const
{
    for (TfrPage *page : Pages)
        for (const auto &v : page->Objects)
            if (v.get() == &View)
                return page;
    return nullptr;
}

namespace {

// Where a change happened: the object's page, its index there and the page's index.
TfrChange changeAt(const TfrReport &report, TfrChangeKind kind, TfrObject &object)
{
    TfrChange change;
    change.kind = kind;
    change.object = &object;
    if (auto *view = dynamic_cast<TfrView *>(&object)) {
        change.objectNumber = view->objectNumber;
        change.page = report.PageOf(*view);
        if (change.page)
            change.index = change.page->FindObjectByID(view->objectNumber);
    } else {
        change.page = dynamic_cast<TfrPage *>(&object);
    }
    for (int i = 0; i < report.PageCount(); ++i)
        if (change.page && report.Page(i) == change.page)
            change.pageIndex = i;
    return change;
}

} // namespace

void TfrReport::SetProperty(TfrObject &Object, const QString &Name, const TfrVariant &Value)
{
    Object.SetPropValue(Name, Value);
    TfrChange change = changeAt(*this, frcProperty, Object);
    change.property = Name;
    NotifyChange(change);
}

void TfrReport::SetObjectBounds(TfrView &View, int Left, int Top, int Width, int Height)
{
    View.SetBounds(Left, Top, Width, Height);
    NotifyChange(changeAt(*this, frcObjectMoved, View));
}
