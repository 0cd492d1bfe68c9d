// Prepared pages: the result of a preparation. Each page keeps its paper, margins and
// printer metrics and the objects printed on it, serialised; it is unpacked into live
// objects only while it is drawn, clicked, edited or read, so a report of thousands of
// pages costs little more than its object bytes.
//
// Those bytes are held in memory up to a budget (frMemoryLimits().pageMemory, per list);
// beyond it the pages used least recently wait in a swap file of the list (see
// report/eval/swap_file.h) and are read back when they are drawn, exported, searched or
// saved. The last two pages of the list, which the engine is still writing (footers, a
// report appended to the previous page), and the page last handed out by Stream() always
// stay in memory. Nothing outside this class knows where a page's bytes are.
//
// Object stream of one page (appended by TfrView::StreamOut while the page is formed):
//
// | Field        | Bytes  | Notes                                                    |
// |--------------|--------|----------------------------------------------------------|
// | version      | 1      | 25; the objects are read with frVersion set to it        |
// | then, until the end of the stream, per object:                                    |
// | type code    | 1      | otMemo 0 ... otLine 4, otAddIn 10                        |
// | class name   | string | only for otAddIn                                         |
// | record       |        | the view's SaveToStream with inPreparedPage set          |
//
// The prepared-report file that carries these pages is read and written in
// prepared_file.cpp.
#pragma once

#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report/model/paper.h"
#include "report/eval/stream.h"
#include "report/eval/swap_file.h"
#include "report/model/geometry.h"

class QPainter;
class TfrPage;
class TfrReport;
class TfrView;
class TfrEMFPages;

// One prepared page.
struct TfrPageInfo {
    TfrRect displayRect;       // where the preview lays the page out
    quint16 paperSize = 0;     // paper code
    qint32 paperWidth = 0;     // tenths of a millimetre
    qint32 paperHeight = 0;
    quint8 orientation = 0;    // 0 portrait, 1 landscape
    qint32 paperBin = 0;       // -1: the printer's default
    bool applyMargins = false; // laid out inside the margins; else stretched into the printable area
    TfrRect margins;           // left, top, right, bottom, page units
    TfrPrnInfo prnInfo;        // metrics of this paper on the current printer
    bool keepUnpacked = false; // a Draw while clear releases the unpacked page
    std::unique_ptr<TfrPage> page; // the live objects while unpacked

    TfrPageInfo();
    ~TfrPageInfo();
    TfrPageInfo(const TfrPageInfo &) = delete;
    TfrPageInfo &operator=(const TfrPageInfo &) = delete;

    TPrinterOrientation Orientation() const { return orientation ? poLandscape : poPortrait; }

    // The serialised objects, in memory (read back from the swap file when the page was
    // moved there). Writers append through it; the reference stays valid until the list
    // is next asked for another page's stream or a page is added.
    TfrStream &Stream();
    // The bytes without bringing the page back into memory (shared, not copied, when it is
    // there).
    QByteArray StreamData() const;
    qsizetype StreamSize() const { return m_inMemory ? m_stream.size() : m_swapSize; }
    bool InMemory() const { return m_inMemory; }

private:
    friend class TfrEMFPages;

    TfrStream m_stream;                 // the bytes while in memory
    TfrEMFPages *m_owner = nullptr;     // the list whose budget the page counts against; not owned
    bool m_inMemory = true;
    bool m_swapCurrent = false;         // the swap copy holds the same bytes as memory
    qsizetype m_charged = 0;            // bytes counted against the owner's budget
    qsizetype m_position = 0;           // the stream's position while swapped out
    std::shared_ptr<TfrSwapFile> m_swap; // the file holding the swap copy (a list handed
                                         // over by AddFrom keeps its file alive)
    qint64 m_swapOffset = -1;
    qint64 m_swapCapacity = 0;
    qsizetype m_swapSize = 0;
    TfrPageInfo *m_newer = nullptr;     // recency list of the pages in memory
    TfrPageInfo *m_older = nullptr;
};

// What the prepared pages need from the reports and the desktop. The report component and
// the user interface fill these in; an empty one does nothing (and a click handler that
// is missing means the report has no such event).
struct TfrPreparedPagesEvents {
    // OnBeginPage(pageNo) of a report.
    std::function<void(TfrReport &report, int pageNo)> beginPage;
    // OnObjectClick(view); true when the report has the event (it ran).
    std::function<bool(TfrReport &report, TfrView &view)> objectClick;
    // OnMouseOverObject(view, var cursor); true when the report has the event.
    std::function<bool(TfrReport &report, TfrView &view, Qt::CursorShape &cursor)> mouseOverObject;
    // SetPrinterTo(name) of the report whose prepared report is being read. Without it
    // the printer of that name is selected when it is installed.
    std::function<void(TfrReport *report, const QString &printerName)> setPrinterTo;
    // The shell's "open" for a web or mail address (QDesktopServices::openUrl in the UI).
    std::function<void(const QString &address)> shellOpen;
};
TfrPreparedPagesEvents &frPreparedPagesEvents();

// A hyperlink tag the shell may open: an http, https or ftp address, a mail address
// ("mailto:" or user@host) or one starting with "www.". Anything else (a program, a local
// file) is never handed to the shell from a report. Gives the address to open, or empty.
QString frShellAddress(const QString &tag);
// A page jump "...@n" returned by DoClick: the text after the last "@" is a number n.
bool frPageJumpTarget(const QString &text, int &pageNo);

class TfrEMFPages {
public:
    explicit TfrEMFPages(TfrReport *report = nullptr);
    ~TfrEMFPages();
    TfrEMFPages(const TfrEMFPages &) = delete;
    TfrEMFPages &operator=(const TfrEMFPages &) = delete;

    TfrReport *Report() const { return m_report; } // not owned
    void SetReport(TfrReport *report) { m_report = report; }

    int GetCount() const { return int(m_pages.size()); }
    int Count() const { return GetCount(); }
    // EfrError "List index out of bounds (n)" outside 0..Count()-1.
    TfrPageInfo &GetPages(int index) const;
    TfrPageInfo &operator[](int index) const { return GetPages(index); }

    void Clear();
    // Insert at the end, then OnBeginPage(PageNo) of CurReport, and of MasterReport when it
    // is another report.
    void Add(TfrPage &templatePage);
    // A new empty page with the paper, margins and metrics of templatePage, before index
    // (at the end when index >= Count()).
    void Insert(int index, TfrPage &templatePage);
    // Moves every page of other to the end of this list; other is left empty.
    void AddFrom(TfrEMFPages &other);
    // Exchanges the pages (and the format mark) with other; each list keeps its report. A
    // preview takes a report's pages over this way and gives them back.
    void Swap(TfrEMFPages &other) noexcept;
    void Delete(int index);

    // Unpack (nothing when already unpacked). On a corrupt stream the page stays packed
    // and the error is raised.
    void ObjectsToPage(int index);
    // Writes the unpacked page's objects back into the stream; the page stays unpacked.
    // If an object cannot be written the stream keeps its previous content.
    void PageToObjects(int index);
    // The unpacked page, or nullptr.
    TfrPage *Unpacked(int index) const;
    // Frees the unpacked objects (what clearing keepUnpacked and drawing into an empty
    // rectangle does).
    void Release(int index);
    // Lends the unpacked page out (to the designer, which holds it in the template's page
    // list while it edits) and takes it back; nullptr when the page is packed.
    std::unique_ptr<TfrPage> TakeUnpacked(int index);
    void PutUnpacked(int index, std::unique_ptr<TfrPage> page);

    // Draws the whole paper (0..paperWidthU, 0..paperHeightU) mapped onto rect. While
    // keepUnpacked is clear it only releases the unpacked page.
    void Draw(int index, QPainter *canvas, const QRect &rect);
    // Hit test: point in page units relative to the page's displayRect; click or move.
    bool DoClick(int index, QPoint point, QString &text, Qt::CursorShape &cursor, bool click);
    // Hands every object of the page to the current export filter (View.ExportData), each
    // a fresh object read from the stream; the page is not unpacked.
    void ExportData(int index);
    // Reads the page's objects from its stream one by one, as ExportData does, and hands
    // each to visit; the object is freed when visit returns.
    void ForEachObject(int index, const std::function<void(TfrView &view)> &visit) const;

    // The prepared-report file (prepared_file.cpp). Files are read and written a page at a
    // time; SaveToFile replaces the file only when the whole report was written.
    void LoadFromStream(TfrStream &stream);
    void SaveToStream(TfrStream &stream) const;
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;
    // The report's format-mark byte, read after the pages and written after them.
    quint8 formatMark = 88;

    // Trims the stream's spare capacity; done for the previous page when a page is added.
    void Squeeze(int index);
    // Bytes held by the packed streams, in memory or not (for measuring).
    qsizetype PackedBytes() const;
    // Bytes of page streams now in memory.
    qsizetype MemoryBytes() const { return m_memoryBytes; }
    // A budget of this list's own instead of the process's page memory (-1: the process's
    // again); pages beyond it go to the swap file at once. An export that reads every page
    // once and builds its own copy of the report needs the pages' memory more than they do.
    void SetMemoryBudget(qint64 bytes);
    // The swap file the list writes to, or nullptr before a page went there (for tests).
    const TfrSwapFile *SwapFile() const { return m_swap.get(); }

private:
    friend struct TfrPageInfo;

    TfrPageInfo &appendRecord();
    // The page is about to be read or written in memory: back from the swap file when it
    // is there, first in the recency list, its size counted again.
    void use(TfrPageInfo &info, bool forWriting);
    // Moves pages used least recently to the swap file until the budget holds.
    void keepBudget();
    qint64 budget() const;
    void swapOut(TfrPageInfo &info);
    void link(TfrPageInfo &info);   // as the page used most recently
    void unlink(TfrPageInfo &info);
    void forget(TfrPageInfo &info); // a page leaving the list
    bool pinned(const TfrPageInfo &info) const;

    TfrReport *m_report = nullptr;
    std::vector<std::unique_ptr<TfrPageInfo>> m_pages;
    qsizetype m_memoryBytes = 0;
    TfrPageInfo *m_newest = nullptr;
    TfrPageInfo *m_oldest = nullptr;
    std::shared_ptr<TfrSwapFile> m_swap;
    bool m_swapFailed = false; // the disk refused a write: pages stay in memory
    qint64 m_budget = -1;      // -1: the process's page memory
};
