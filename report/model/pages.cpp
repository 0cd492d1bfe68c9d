#include "report/model/pages.h"
#include "report/model/template_limits.h"

#include "report/eval/data_dictionary.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/strings.h"
#include "report/model/fr_globals.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/registry.h"
#include "report/model/report.h"
#include "report/model/view.h"

namespace {

constexpr int kVirtualPrinterNameId = 55007;
// The printer name a template stores for the virtual printer.
const QString kVirtualPrinterMark = QString(QChar(1));

enum : quint8 {
    kMarkPage = 255,
    kMarkDictionary = 254,
    kMarkDataManager = 253,
    kMarkEnd = 252,
};

void checkEndPosition(const TfrStream &s, qint64 end)
{
    // Forward only: an end position at or before the frame would read the same bytes
    // again for ever; one past the stream is a truncated template.
    if (end < s.position() || end > s.size())
        TfrStream::throwReadError();
}

} // namespace

TfrPages::TfrPages(TfrReport *parent) : Parent(parent) {}

TfrPages::~TfrPages() = default;

TfrPage *TfrPages::GetPages(int index) const
{
    if (index < 0 || size_t(index) >= m_pages.size())
        return nullptr;
    return m_pages[size_t(index)].get();
}

TfrPage *TfrPages::Add()
{
    m_pages.push_back(std::make_unique<TfrPage>(Parent, frDefaultPaper, 0, 0, -1, poPortrait));
    TfrPage *added = m_pages.back().get();
    notify(frcPageAdded, added, GetCount() - 1, -1);
    return added;
}

void TfrPages::Delete(int index)
{
    if (index < 0 || size_t(index) >= m_pages.size())
        return;
    m_pages.erase(m_pages.begin() + index);
    notify(frcPageRemoved, nullptr, index, -1);
}

void TfrPages::Move(int curIndex, int newIndex)
{
    const int n = GetCount();
    if (curIndex < 0 || curIndex >= n || newIndex < 0 || newIndex >= n || curIndex == newIndex)
        return;
    std::unique_ptr<TfrPage> page = std::move(m_pages[size_t(curIndex)]);
    m_pages.erase(m_pages.begin() + curIndex);
    m_pages.insert(m_pages.begin() + newIndex, std::move(page));
    notify(frcPageMoved, m_pages[size_t(newIndex)].get(), newIndex, curIndex);
}

void TfrPages::notify(TfrChangeKind kind, TfrPage *page, int pageIndex, int fromIndex)
{
    if (!Parent)
        return;
    TfrChange change;
    change.kind = kind;
    change.page = page;
    change.object = page;
    change.pageIndex = pageIndex;
    change.fromIndex = fromIndex;
    Parent->NotifyChange(change);
}

void TfrPages::Clear() { m_pages.clear(); }

void TfrPages::RefreshObjects()
{
    TfrPage *const savedPage = CurPage;
    for (const auto &page : m_pages) {
        CurPage = page.get();
        for (const auto &v : page->Objects)
            if (v->BandAlign != baNone)
                v->Draw(frScratchCanvas());
    }
    CurPage = savedPage;
}

// ---- the pages block -------------------------------------------------------------------
//
// | Field                          | Bytes   | Notes                                         |
// |--------------------------------|---------|-----------------------------------------------|
// | PrintToDefault                 | 2       | word boolean                                  |
// | DoublePassReport               | 2       | word boolean                                  |
// | printer name                   | string  | chr(1) for the virtual printer; pre-23 string |
// |                                |         | when v < 23                                   |
// | per page: 255, page record     |         | TfrPage::SaveToStream                         |
// | per object of every page:      |         | pages in order, objects in list order         |
// |   type code                    | 1       | 0..4, or 10 for an add-in                     |
// |   class name                   | string  | type 10 only                                  |
// |   page index                   | 1       | low 8 bits                                    |
// |   end position                 | 4       | v > 23: absolute position after the record    |
// |   object record                |         | TfrView::SaveToStream and the class part      |
// | 254, dictionary block          |         | TfrDataDictionary::SaveToStream               |
// | 253, data manager data         |         | only with a data manager (none here)          |
// Reading stops at 252 (end marker), 253 or the end of the stream. A byte 11..251 where a
// frame is expected is a corrupt stream. From version 24 on an object whose record fails
// is skipped through its end position; before, reading goes on where it failed.

void TfrPages::SaveToStream(TfrStream &Stream) const
{
    frWriteWordBool(Stream, Parent->PrintToDefault);
    frWriteWordBool(Stream, Parent->DoublePassReport);
    const TfrPaperService &paper = frPaper();
    frWriteString(Stream, paper.IsVirtual() ? kVirtualPrinterMark : paper.Printers().value(paper.PrinterIndex()));
    for (const auto &page : m_pages) {
        frWriteByte(Stream, kMarkPage);
        page->SaveToStream(Stream);
    }
    for (size_t p = 0; p < m_pages.size(); ++p) {
        for (const auto &v : m_pages[p]->Objects) {
            frWriteByte(Stream, v->Typ);
            if (v->Typ == otAddIn)
                frWriteString(Stream, v->ClassName());
            frWriteByte(Stream, quint8(p & 0xFF));
            const qsizetype placeholder = Stream.position();
            frWriteInteger(Stream, 0);
            v->SaveToStream(Stream);
            const qsizetype end = Stream.position();
            Stream.seek(placeholder);
            frWriteInteger(Stream, qint32(end));
            Stream.seek(end);
        }
    }
    frWriteByte(Stream, kMarkDictionary);
    Parent->Dictionary().SaveToStream(Stream);
}

void TfrPages::LoadFromStream(TfrStream &Stream)
{
    LoadFromStreamCollecting(Stream);
    if (ErrorFlag)
        throw EClassNotFound(ErrorStr);
}

void TfrPages::LoadFromStreamCollecting(TfrStream &Stream)
{
    TfrQuietChanges quiet(*Parent);
    const int v = frVersion;
    m_endedAtDataManager = false;
    Parent->Clear();

    Parent->PrintToDefault = frReadWordBool(Stream);
    Parent->DoublePassReport = frReadWordBool(Stream);
    QString printer = v < 23 ? frReadString22(Stream) : frReadString(Stream);
    if (printer == kVirtualPrinterMark)
        printer = frLoadStr(kVirtualPrinterNameId);
    try {
        Parent->SetPrinterTo(printer);
    } catch (const std::exception &) {
        // A printer that fails to come up leaves the virtual one; the template still loads.
    }

    bool dictionaryRead = false;
    bool endMarker = false;
    while (!Stream.atEnd()) {
        const quint8 c = frReadByte(Stream);
        if (c == kMarkPage) {
            Add()->LoadFromStream(Stream);
        } else if (c == kMarkDictionary) {
            Parent->Dictionary().LoadFromStream(Stream);
            dictionaryRead = true;
        } else if (c == kMarkDataManager) {
            m_endedAtDataManager = true;
            endMarker = true;
            break;
        } else if (c == kMarkEnd) {
            endMarker = true;
            break;
        } else if (c > otAddIn) {
            throw EReadError(QStringLiteral("Unexpected byte %1 at position %2").arg(c).arg(Stream.position() - 1));
        } else {
            readObjectFrame(Stream, c);
        }
    }
    // Every block written since end positions exist carries a dictionary; a stream that
    // stops without one has lost its tail.
    if (!endMarker && !dictionaryRead && v >= 24)
        TfrStream::throwReadError();

    for (const auto &page : m_pages)
        for (const auto &view : page->Objects)
            view->Loaded();
}

void TfrPages::readObjectFrame(TfrStream &Stream, int typeCode)
{
    const int v = frVersion;
    int typ = typeCode;
    bool framedMemo = false;
    QString className;
    TfrPage *page = nullptr;
    bool headerRead = true;
    try {
        if (typ == otAddIn) {
            className = v < 23 ? frReadString22(Stream) : frReadString(Stream);
            const QString upper = className.toUpper();
            if (upper == QLatin1String("TFRBDELOOKUPCONTROL") || upper == QLatin1String("TFRIBXLOOKUPCONTROL")) {
                className = QStringLiteral("TfrDBLookupControl");
            } else if (upper == QLatin1String("TFRFRAMEDMEMOVIEW")) {
                typ = otMemo;
                framedMemo = true;
            }
        }
        page = GetPages(frReadByte(Stream));
    } catch (const std::exception &) {
        if (v < 24)
            return;
        headerRead = false;
    }

    // A bad end position is fatal: it is the only way past the object.
    qint32 end = 0;
    if (v > 23) {
        end = frReadInteger(Stream);
        checkEndPosition(Stream, end);
    }
    if (!headerRead) {
        Stream.seek(end);
        return;
    }

    try {
        if (!page)
            throw EReadError(QStringLiteral("Object of a page that does not exist"));
        CurPage = page;
        std::unique_ptr<TfrView> created = frCreateObject(typ, className);
        if (!created)
            throw EReadError(QStringLiteral("Unknown object type %1").arg(typ));
        TfrView *view = page->Add(std::move(created));
        try {
            view->LoadFromStream(Stream);
            frCheckTemplateLimits(*view);
            view->SetPropValue(QStringLiteral("Name"), TfrVariant(view->Name));
            if (framedMemo)
                Stream.take(8);
        } catch (...) {
            // A half-read object is not kept.
            page->Delete(int(page->Objects.size()) - 1);
            throw;
        }
    } catch (const ETemplateLimit &) {
        throw; // the whole template is refused, not just the object
    } catch (const std::exception &) {
        // Before end positions existed, reading simply goes on from where it failed.
        if (v < 24)
            return;
    }
    if (v > 23)
        Stream.seek(end);
}
