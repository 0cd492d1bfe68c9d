#include "report/engine/prepared_page_model.h"
#include "report/engine/prepared_pages.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <QtDebug>
#include <cmath>

#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/registry.h"
#include "report/model/view.h"

namespace {

constexpr quint8 kPageStreamVersion = 25;
// Objects are tested against the clip region with this much room around them, so that
// frames and italics at their edges are not cut off.
constexpr int kVisibilityMargin = 10;

// Puts a global back when the scope ends, whatever happens in between.
template <class T> class ScopedValue {
public:
    ScopedValue(T &var, T value) : m_var(var), m_saved(var) { m_var = value; }
    ~ScopedValue() { m_var = m_saved; }
    ScopedValue(const ScopedValue &) = delete;
    ScopedValue &operator=(const ScopedValue &) = delete;

private:
    T &m_var;
    T m_saved;
};

// Reads one page's object stream from its start, handing every object to take. The
// objects read the page's own format version. keepPrepared leaves inPreparedPage set on
// the objects handed out (export filters see them so).
template <class Take> void readObjects(const QByteArray &bytes, bool keepPrepared, Take take)
{
    TfrStream s(bytes); // shares the bytes; reading never moves the page's own position
    frVersion = frReadByte(s);
    while (!s.atEnd()) {
        const int typ = frReadByte(s);
        QString className;
        if (typ == otAddIn)
            className = frReadString(s);
        std::unique_ptr<TfrView> view = frCreateObject(typ, className);
        if (!view) // a type code no class has: the rest of the page cannot be framed
            TfrStream::throwReadError();
        view->inPreparedPage = true;
        view->LoadFromStream(s);
        view->inPreparedPage = keepPrepared;
        take(std::move(view));
    }
}

// Whether a rectangle in the painter's logical coordinates can show anything: inside the
// clip region when there is one, else inside the device.
class VisibilityTest {
public:
    explicit VisibilityTest(QPainter &p)
    {
        if (p.hasClipping()) {
            m_clipped = true;
            m_clip = p.clipRegion();
            return;
        }
        const QPaintDevice *dev = p.device();
        if (dev && dev->width() > 0 && dev->height() > 0) {
            m_device = QRect(0, 0, dev->width(), dev->height());
            m_toDevice = p.combinedTransform();
        }
    }
    bool visible(const QRect &r) const
    {
        if (m_clipped)
            return m_clip.intersects(r);
        if (m_device.isEmpty())
            return true;
        return m_toDevice.mapRect(QRectF(r)).intersects(QRectF(m_device));
    }

private:
    bool m_clipped = false;
    QRegion m_clip;
    QRect m_device;
    QTransform m_toDevice;
};

// Frees a page's live objects; the engine's current page never points at freed objects.
void releasePage(TfrPageInfo &info)
{
    if (CurPage && CurPage == info.page.get())
        CurPage = nullptr;
    info.page.reset();
}

// Delphi's PtInRect: the right and bottom edges are outside.
bool pointIn(int left, int top, int right, int bottom, QPoint p)
{
    return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom;
}

} // namespace

// ---- events and addresses ------------------------------------------------------------

TfrPreparedPagesEvents &frPreparedPagesEvents()
{
    static TfrPreparedPagesEvents events;
    return events;
}

QString frShellAddress(const QString &tag)
{
    const QString t = tag.trimmed();
    if (t.isEmpty() || t.contains(QLatin1Char(' ')))
        return {};
    static const char *const schemes[] = {"http://", "https://", "ftp://", "mailto:"};
    for (const char *scheme : schemes)
        if (t.startsWith(QLatin1String(scheme), Qt::CaseInsensitive) && t.size() > qsizetype(strlen(scheme)))
            return t;
    if (t.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + t;
    // user@host.domain
    const qsizetype at = t.indexOf(QLatin1Char('@'));
    if (at > 0 && at == t.lastIndexOf(QLatin1Char('@')) && t.indexOf(QLatin1Char('.'), at) > at + 1 &&
        !t.endsWith(QLatin1Char('.')) && !t.contains(QLatin1Char('/')) && !t.contains(QLatin1Char('\\')))
        return QStringLiteral("mailto:") + t;
    return {};
}

bool frPageJumpTarget(const QString &text, int &pageNo)
{
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    if (at < 0)
        return false;
    bool ok = false;
    const int n = text.mid(at + 1).toInt(&ok);
    if (!ok)
        return false;
    pageNo = n;
    return true;
}

// ---- TfrPageInfo ---------------------------------------------------------------------

TfrPageInfo::TfrPageInfo() = default;
TfrPageInfo::~TfrPageInfo() = default;

TfrStream &TfrPageInfo::Stream()
{
    if (m_owner)
        m_owner->use(*this, true);
    return m_stream;
}

QByteArray TfrPageInfo::StreamData() const
{
    if (m_inMemory)
        return m_stream.data();
    return m_swap->Read(m_swapOffset, m_swapSize);
}

// ---- TfrEMFPages ---------------------------------------------------------------------

TfrEMFPages::TfrEMFPages(TfrReport *report) : m_report(report) {}

TfrEMFPages::~TfrEMFPages() { Clear(); }

TfrPageInfo &TfrEMFPages::GetPages(int index) const
{
    if (index < 0 || index >= GetCount())
        throw EfrError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return *m_pages[size_t(index)];
}

void TfrEMFPages::Clear()
{
    for (auto &info : m_pages)
        releasePage(*info);
    m_pages.clear();
    m_memoryBytes = 0;
    m_newest = m_oldest = nullptr;
    m_swap.reset();
    m_swapFailed = false;
}

// ---- where the bytes are ---------------------------------------------------------------

void TfrEMFPages::link(TfrPageInfo &info)
{
    info.m_older = m_newest;
    info.m_newer = nullptr;
    if (m_newest)
        m_newest->m_newer = &info;
    m_newest = &info;
    if (!m_oldest)
        m_oldest = &info;
}

void TfrEMFPages::unlink(TfrPageInfo &info)
{
    (info.m_newer ? info.m_newer->m_older : m_newest) = info.m_older;
    (info.m_older ? info.m_older->m_newer : m_oldest) = info.m_newer;
    info.m_newer = info.m_older = nullptr;
}

void TfrEMFPages::forget(TfrPageInfo &info)
{
    if (info.m_inMemory)
        unlink(info);
    m_memoryBytes -= info.m_charged;
    info.m_charged = 0;
    info.m_owner = nullptr;
}

bool TfrEMFPages::pinned(const TfrPageInfo &info) const
{
    const size_t n = m_pages.size();
    return &info == m_newest || (n >= 1 && m_pages[n - 1].get() == &info) || (n >= 2 && m_pages[n - 2].get() == &info);
}

void TfrEMFPages::use(TfrPageInfo &info, bool forWriting)
{
    if (!info.m_inMemory) {
        TfrStream s(info.m_swap->Read(info.m_swapOffset, info.m_swapSize));
        s.seek(info.m_position);
        info.m_stream = std::move(s);
        info.m_inMemory = true;
        info.m_swapCurrent = !forWriting;
        link(info);
        info.m_charged = info.m_stream.size();
        m_memoryBytes += info.m_charged;
        keepBudget();
        return;
    }
    if (m_newest != &info) {
        unlink(info);
        link(info);
    }
    if (forWriting)
        info.m_swapCurrent = false;
    const qsizetype size = info.m_stream.size();
    m_memoryBytes += size - info.m_charged;
    info.m_charged = size;
    if (m_memoryBytes > budget())
        keepBudget();
}

qint64 TfrEMFPages::budget() const
{
    return m_budget >= 0 ? m_budget : frMemoryLimits().pageMemory;
}

void TfrEMFPages::SetMemoryBudget(qint64 bytes)
{
    m_budget = bytes < 0 ? -1 : bytes;
    keepBudget();
}

void TfrEMFPages::keepBudget()
{
    const qint64 budget = this->budget();
    for (TfrPageInfo *p = m_oldest; p && m_memoryBytes > budget && !m_swapFailed;) {
        TfrPageInfo *newer = p->m_newer;
        if (!pinned(*p)) {
            try {
                swapOut(*p);
            } catch (const EfrError &e) {
                // No room on disk: the pages stay in memory rather than being lost.
                qWarning("%s", e.what());
                m_swapFailed = true;
            }
        }
        p = newer;
    }
}

void TfrEMFPages::swapOut(TfrPageInfo &info)
{
    if (!info.m_swapCurrent) {
        const qsizetype size = info.m_stream.size();
        const char *bytes = info.m_stream.constData();
        if (!m_swap)
            m_swap = std::make_shared<TfrSwapFile>();
        if (info.m_swap == m_swap && info.m_swapOffset >= 0 && size <= info.m_swapCapacity) {
            m_swap->Write(info.m_swapOffset, bytes, size);
        } else {
            info.m_swapOffset = m_swap->Append(bytes, size);
            info.m_swapCapacity = size;
            info.m_swap = m_swap;
        }
        info.m_swapSize = size;
        info.m_swapCurrent = true;
    }
    info.m_position = info.m_stream.position();
    info.m_stream = TfrStream();
    info.m_inMemory = false;
    m_memoryBytes -= info.m_charged;
    info.m_charged = 0;
    unlink(info);
}

void TfrEMFPages::Add(TfrPage &templatePage)
{
    // The page before is complete (bar a cross-tab continuing on it): drop its spare room.
    if (!m_pages.empty())
        Squeeze(GetCount() - 1);
    Insert(GetCount(), templatePage);
    const TfrPreparedPagesEvents &events = frPreparedPagesEvents();
    if (!events.beginPage)
        return;
    if (CurReport)
        events.beginPage(*CurReport, PageNo);
    if (MasterReport && MasterReport != CurReport)
        events.beginPage(*MasterReport, PageNo);
}

void TfrEMFPages::Insert(int index, TfrPage &templatePage)
{
    auto info = std::make_unique<TfrPageInfo>();
    info->m_owner = this;
    frWriteByte(info->m_stream, kPageStreamVersion);
    info->paperSize = quint16(templatePage.pgSize);
    info->paperWidth = templatePage.pgWidth;
    info->paperHeight = templatePage.pgHeight;
    info->orientation = templatePage.pgOr;
    info->paperBin = templatePage.pgBin;
    info->applyMargins = templatePage.applyMargins;
    info->margins = templatePage.pgMargins;
    info->prnInfo = frPrnInfoOf(templatePage);
    const size_t at = index < 0 ? 0 : std::min(size_t(index), m_pages.size());
    TfrPageInfo &added = *info;
    m_pages.insert(m_pages.begin() + qsizetype(at), std::move(info));
    link(added);
    use(added, true);
    keepBudget();
}

TfrPageInfo &TfrEMFPages::appendRecord()
{
    m_pages.push_back(std::make_unique<TfrPageInfo>());
    TfrPageInfo &info = *m_pages.back();
    info.m_owner = this;
    link(info);
    return info;
}

void TfrEMFPages::AddFrom(TfrEMFPages &other)
{
    if (&other == this)
        return;
    // The pages in memory join this list's recency order as they were; the others keep
    // their bytes in the other list's swap file, which lives on while they need it.
    for (TfrPageInfo *p = other.m_oldest; p;) {
        TfrPageInfo *newer = p->m_newer;
        link(*p);
        p = newer;
    }
    m_pages.reserve(m_pages.size() + other.m_pages.size());
    for (auto &info : other.m_pages) {
        info->m_owner = this;
        m_pages.push_back(std::move(info));
    }
    m_memoryBytes += other.m_memoryBytes;
    if (!m_swap)
        m_swap = std::move(other.m_swap);
    other.m_pages.clear();
    other.m_memoryBytes = 0;
    other.m_newest = other.m_oldest = nullptr;
    other.m_swap.reset();
    keepBudget();
}

void TfrEMFPages::Swap(TfrEMFPages &other) noexcept
{
    m_pages.swap(other.m_pages);
    std::swap(formatMark, other.formatMark);
    // The memory account and the recency order travel with the pages.
    std::swap(m_memoryBytes, other.m_memoryBytes);
    std::swap(m_newest, other.m_newest);
    std::swap(m_oldest, other.m_oldest);
    std::swap(m_swap, other.m_swap);
    std::swap(m_swapFailed, other.m_swapFailed);
    for (auto &info : m_pages)
        info->m_owner = this;
    for (auto &info : other.m_pages)
        info->m_owner = &other;
}

void TfrEMFPages::Delete(int index)
{
    TfrPageInfo &info = GetPages(index);
    releasePage(info);
    forget(info);
    m_pages.erase(m_pages.begin() + index);
}

TfrPage *TfrEMFPages::Unpacked(int index) const { return GetPages(index).page.get(); }

void TfrEMFPages::Release(int index) { releasePage(GetPages(index)); }

std::unique_ptr<TfrPage> TfrEMFPages::TakeUnpacked(int index) { return std::move(GetPages(index).page); }

void TfrEMFPages::PutUnpacked(int index, std::unique_ptr<TfrPage> page) { GetPages(index).page = std::move(page); }

void TfrEMFPages::ObjectsToPage(int index)
{
    TfrPageInfo &info = GetPages(index);
    if (info.page)
        return;
    // The page asks the printer for its paper, as a template page does.
    auto page = std::make_unique<TfrPage>(m_report, info.paperSize, info.paperWidth, info.paperHeight,
                                          info.paperBin, info.orientation);
    // The record keeps what the file said; the live page gets margins the layout
    // arithmetic can add and subtract.
    const TfrRect &m = info.margins;
    page->pgMargins = {frClampCoord(qint64(m.Left)), frClampCoord(qint64(m.Top)), frClampCoord(qint64(m.Right)),
                       frClampCoord(qint64(m.Bottom))};
    page->applyMargins = info.applyMargins;
    CurPage = page.get();
    try {
        readObjects(info.StreamData(), false, [&](std::unique_ptr<TfrView> view) {
            // An automatic width depends on the fonts of this machine: measure it again.
            if (view->Typ == otMemo && (view->Flags & flAutoSize)) {
                ScopedValue<TfrDocMode> printing(DocMode, dmPrinting);
                view->Draw(frScratchCanvas());
            }
            page->Add(std::move(view));
        });
    } catch (...) {
        if (CurPage == page.get())
            CurPage = nullptr;
        throw;
    }
    info.page = std::move(page);
}

void TfrEMFPages::PageToObjects(int index)
{
    TfrPageInfo &info = GetPages(index);
    if (!info.page)
        return;
    TfrStream s;
    frWriteByte(s, kPageStreamVersion);
    for (const auto &view : info.page->Objects) {
        struct FlagReset {
            TfrView &v;
            ~FlagReset() { v.inPreparedPage = false; }
        } reset{*view};
        view->inPreparedPage = true;
        // The record's text slot carries the live text (edited in the designer, or as
        // unpacked), not the wrapped lines a Draw left behind.
        view->expandedMemo = view->Memo;
        view->WriteTypeAndRecord(s);
    }
    TfrStream &stream = info.Stream();
    stream = TfrStream(s.data());
    stream.seek(stream.size());
    use(info, true);
}

void TfrEMFPages::Squeeze(int index)
{
    TfrPageInfo &info = GetPages(index);
    if (!info.m_inMemory)
        return;
    const qsizetype pos = info.m_stream.position();
    info.m_stream = TfrStream(info.m_stream.data());
    info.m_stream.seek(pos);
}

qsizetype TfrEMFPages::PackedBytes() const
{
    qsizetype n = 0;
    for (const auto &info : m_pages)
        n += info->StreamSize();
    return n;
}

void TfrEMFPages::Draw(int index, QPainter *canvas, const QRect &rect)
{
    TfrPageInfo &info = GetPages(index);
    DocMode = dmPrinting;
    if (!info.keepUnpacked) {
        releasePage(info);
        return;
    }
    ObjectsToPage(index);
    CurPage = info.page.get();
    if (!canvas || !canvas->isActive() || info.prnInfo.paperWidthU <= 0 || info.prnInfo.paperHeightU <= 0)
        return;
    const double kx = double(rect.width()) / info.prnInfo.paperWidthU;
    const double ky = double(rect.height()) / info.prnInfo.paperHeightU;
    const int devType = canvas->device() ? canvas->device()->devType() : QInternal::UnknownDevice;
    const bool printing = devType == QInternal::Printer;
    const bool metafile = devType == QInternal::Picture;
    const VisibilityTest visibility(*canvas);

    for (const auto &view : info.page->Objects) {
        if (!printing && !metafile) {
            const int l = frRound(view->Left * kx + rect.left() - kVisibilityMargin);
            const int t = frRound(view->Top * ky + rect.top() - kVisibilityMargin);
            const int r = frRound((double(view->Left) + view->Width) * kx + rect.left() + kVisibilityMargin);
            const int b = frRound((double(view->Top) + view->Height) * ky + rect.top() + kVisibilityMargin);
            if (!visibility.visible(QRect(QPoint(l, t), QPoint(r - 1, b - 1))))
                continue;
        }
        view->drawScaleX = kx;
        view->drawScaleY = ky;
        view->drawOffsetX = rect.left();
        view->drawOffsetY = rect.top();
        view->toPrinter = printing;
        view->Draw(canvas);
    }
}

bool TfrEMFPages::DoClick(int index, QPoint point, QString &text, Qt::CursorShape &cursor, bool click)
{
    ObjectsToPage(index);
    TfrPageInfo &info = GetPages(index);
    double kx = 1, ky = 1;
    int ox = 0, oy = 0;
    if (!info.applyMargins) {
        const TfrPrnInfo &m = info.prnInfo;
        if (m.paperWidthU <= 0 || m.paperHeightU <= 0)
            return false;
        kx = (double(m.printWidthU) - info.margins.Left - info.margins.Right) / m.paperWidthU;
        ky = (double(m.printHeightU) - info.margins.Top - info.margins.Bottom) / m.paperHeightU;
        ox = frClampCoord(qint64(info.margins.Left) + m.offsetXU);
        oy = frClampCoord(qint64(info.margins.Top) + m.offsetYU);
    }
    const auto &objects = info.page->Objects;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        TfrView &view = **it;
        const int l = frRound(view.Left * kx + ox);
        const int t = frRound(view.Top * ky + oy);
        const int r = frRound((double(view.Left) + view.Width) * kx + ox);
        const int b = frRound((double(view.Top) + view.Height) * ky + oy);
        if (!pointIn(l, t, r, b, point))
            continue;

        text.clear();
        bool result = false;
        const TfrPreparedPagesEvents &events = frPreparedPagesEvents();
        const bool isLink = view.Name.startsWith(QLatin1String("URL"));
        if (click) {
            if (m_report && events.objectClick)
                result = events.objectClick(*m_report, view);
            if (!isLink)
                return result;
            int jump = 0;
            if (frPageJumpTarget(view.Tag, jump)) {
                text = view.Tag;
                return true;
            }
            // Only addresses: a report is never allowed to start a program or open a file.
            const QString address = frShellAddress(view.Tag);
            if (!address.isEmpty()) {
                if (events.shellOpen)
                    events.shellOpen(address);
            } else if (view.Tag.contains(QLatin1Char('@'))) {
                text = view.Tag;
            }
            return true;
        }
        if (m_report && events.mouseOverObject)
            result = events.mouseOverObject(*m_report, view, cursor);
        if (!isLink)
            return result;
        cursor = Qt::PointingHandCursor;
        text = view.Tag;
        return true;
    }
    return false;
}

void TfrEMFPages::ForEachObject(int index, const std::function<void(TfrView &view)> &visit) const
{
    const TfrPageInfo &info = GetPages(index);
    readObjects(info.StreamData(), true, [&](std::unique_ptr<TfrView> view) { visit(*view); });
}

void TfrEMFPages::ExportData(int index)
{
    ForEachObject(index, [](TfrView &view) { view.ExportData(); });
}
