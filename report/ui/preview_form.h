// The preview window: prepared pages laid out in rows at a chosen zoom, with paging,
// scrolling, panning, zoom, text search, hyperlink objects, opening and saving prepared
// reports, export through every registered filter, printing, page setup and (with a
// designer) editing pages. The window takes the report's prepared pages over while it is
// open (Connect) and hands them back for the operations that need the report to own them
// (ConnectBack); closing it discards them.
//
// The pages are painted by the page view (preview_page_view.h), which unpacks only the pages
// on screen; the window lays them out, scrolls them and answers the view's mouse and wheel.
#pragma once

#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <memory>

#include "report/engine/prepare.h"
#include "report/model/geometry.h"
#include "report/ui/preview_layout.h"
#include "report/ui/preview_page_view.h"
#include "report/ui/window_placement.h"

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QScrollBar;
class QToolButton;
class TfrEMFPages;
class TfrPreviewForm;

// How the zoom follows the window.

// The zoom and mode of the last preview, for the next one in this process.
struct TfrPreviewZoomMemory {
    double zoom = 1.0;
    TfrScaleMode mode = mdNone;
};
TfrPreviewZoomMemory &frPreviewZoomMemory();

// Every modal question the preview asks, so tests can answer them. An empty member
// falls back to the real dialog.
struct TfrPreviewDialogs {
    // A message box over parent with the mb_ flags; the mr constant of the button.
    std::function<int(QWidget *parent, const QString &text, const QString &caption, int flags)> messageBox;
    // filter: "description|mask|description|mask…". Empty when cancelled.
    std::function<QString(QWidget *parent, const QString &filter)> openFileName;
    // filterIndex is 1-based: the entry to preselect, and the entry chosen.
    std::function<QString(QWidget *parent, const QString &filter, int &filterIndex)> saveFileName;
    // Runs a modal dialog (the search dialog); 1 OK, 2 cancel.
    std::function<int(QDialog &dialog)> exec;
    // Shows a popup menu at a global position.
    std::function<void(QMenu &menu, const QPoint &globalPos)> popup;
    // The page setup of the current printer: margins in hundredths of a millimetre in and
    // out, true on OK (the printer's paper is then the one chosen).
    std::function<bool(QWidget *parent, TfrRect &margins)> pageSetup;
};
TfrPreviewDialogs &frPreviewDialogs();

// Edits one prepared page in the designer (page index 0-based); set by a designer when
// one is installed. Without it the preview hides its edit items.
using TfrEditPreparedPageHook = std::function<void(TfrReportBuilder &report, int pageIndex)>;
TfrEditPreparedPageHook &frEditPreparedPageHook();

// Context help by topic number; the help button shows only when one is installed.
using TfrHelpContextHook = std::function<void(int context)>;
TfrHelpContextHook &frHelpContextHook();

class TfrPreviewForm : public QDialog {
public:
    explicit TfrPreviewForm(QWidget *parent = nullptr);
    ~TfrPreviewForm() override;

    // ---- components ----
    QWidget *ToolbarPanel = nullptr;
    QWidget *Panel1 = nullptr; // the button strip
    QToolButton *ZoomBtn = nullptr, *LoadBtn = nullptr, *SaveBtn = nullptr, *PrintBtn = nullptr,
                *FindBtn = nullptr, *HelpBtn = nullptr, *ExitBtn = nullptr, *PageSetupBtn = nullptr;
    QFrame *Separator1 = nullptr, *Separator2 = nullptr, *Separator3 = nullptr;
    QWidget *PreviewPanel = nullptr;
    QWidget *ScrollBox1 = nullptr;
    TfrPreviewPageView *PBox = nullptr; // the page view
    QWidget *RPanel = nullptr;
    QToolButton *PgUp = nullptr, *PgDown = nullptr;
    QScrollBar *VScrollBar = nullptr;
    QWidget *BPanel = nullptr;
    QLabel *Label1 = nullptr; // page number
    QLabel *Label2 = nullptr; // hover text
    QScrollBar *HScrollBar = nullptr;
    QMenu *ProcMenu = nullptr;
    QAction *EditPageItem = nullptr, *NewPageItem = nullptr, *DelPageItem = nullptr, *EditSeparator = nullptr;

    // ---- operations ----
    // Connects the report, shows the window (modal when the report's ModalPreview is set)
    // and answers the modal result (0 when shown modelessly).
    int Show_Modal(TfrReportBuilder &report);
    // Frees the pages held, takes the report's pages over and leaves it an empty list.
    void Connect(TfrReportBuilder *report);
    // Gives the pages back to the report (whose own list is dropped) and forgets them.
    void ConnectBack();
    void InitButtons();
    void RedrawAll(bool resetPosition);
    void FormResize();
    void SetToCurPage();
    void ShowPageNum();
    // Loads a prepared report in place of the pages shown; a file that cannot be read is
    // reported and the pages shown stay.
    void LoadFromFile(const QString &fileName);
    // Saves the prepared report (extension ".frp").
    void SaveToFile(const QString &fileName);
    // Searches from the search page on; true when a hit was shown.
    bool FindText();
    void SetGrayedButtons(bool grayed);
    void Localize();

    // ---- handlers ----
    void ZoomBtnClick();
    void LoadBtnClick();
    void SaveBtnClick();
    void PrintBtnClick();
    void FindBtnClick();
    void HelpBtnClick();
    void ExitBtnClick();
    void PageSetupBtnClick();
    void PgUpClick();
    void PgDownClick();
    void EditBtnClick();
    void NewPageBtnClick();
    void DelPageBtnClick();
    // A zoom item by its Tag: 1 page width, 2 whole page, 3 two pages, else percent.
    void N3Click(int tag);
    // Answers whether the key was handled.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

    // ---- state ----
    TfrReportBuilder *Report() const { return m_report; }
    TfrEMFPages *Pages() const { return m_pages.get(); }
    int PageCount() const;
    int CurPage() const { return m_curPage; }
    void SetCurPage(int page); // 1..PageCount; scrolls to it
    double Zoom() const { return m_zoom; }
    TfrScaleMode Mode() const { return m_mode; }
    // Fixed zoom (percent / 100), remembered for the next preview.
    void SetZoomPercent(int percent);
    void SetMode(TfrScaleMode mode);
    QPoint ScrollOffset() const { return PBox->Offset(); }
    int PagesPerRow() const { return m_pagesPerRow; }
    // The page and rectangle (page units from the page's corner) of the last search hit;
    // -1 when nothing is highlighted.
    int FoundPage() const { return m_foundPage; }
    QRectF FoundRect() const { return m_foundRect; }
    // Where a page is drawn on the page view now (layout moved by the scroll offsets).
    QRect PageRectOnBox(int index) const { return PBox->PageRect(index); }

    // The search state the dialog sets (for F3 and the embedded control).
    void SetSearch(const QString &text, bool caseSensitive, bool fromStart);

    // ---- embedding ----
    // The toolbar sits on another widget: help and exit stay hidden.
    void SetEmbedded(bool embedded) { m_embedded = embedded; }
    bool Embedded() const { return m_embedded; }
    int WheelFactor = 1;
    std::function<void(int page)> OnPageChanged;
    QPointer<QMenu> HostPopupMenu; // the embedding control's own popup menu
    // The report component is going away: its pages go with it and the window closes.
    void ReportDestroyed();
    // Puts the panels back on the window (after an embedding control borrowed them).
    void AdoptPanels();

    // Scrolls the pages by whole wheel notches (up positive).
    void BoxWheel(int steps);

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildToolbar();
    void buildPanels();
    void buildMenu();
    QToolButton *makeButton(const char *name, int tag);
    void installKeyPreview(QWidget *root);
    // What the page view reports.
    void pagePressed(QMouseEvent &event, const TfrPageHit &hit);
    void pagePointerMoved(QMouseEvent &event, const TfrPageHit &hit);
    void pageDoubleClicked(QMouseEvent &event, const TfrPageHit &hit);
    void boxResized();
    void onVScroll(int value);
    void onHScroll(int value);
    void currentPageFromScroll();
    void checkZoomItem();
    void applyZoom(TfrScaleMode mode, double zoom);
    void rememberZoom();
    void scrollToFound();
    void dropFound();
    int message(const QString &text, const QString &caption, int flags);
    // Runs a handler; an error it raises is shown over this window.
    template <class F> void guarded(F &&handler);
    bool hasPages() const;
    // Takes the pages shown (nullptr: none) and hands them to the page view.
    void setPages(std::unique_ptr<TfrEMFPages> pages);
    void RestoreFormPosition();
    void SaveFormPosition();

    TfrReportBuilder *m_report = nullptr; // not owned
    std::unique_ptr<TfrEMFPages> m_pages;
    int m_curPage = 1;
    double m_zoom = 1.0;
    TfrScaleMode m_mode = mdNone;
    int m_pagesPerRow = 1;

    QString m_findStr;
    bool m_caseSensitive = false;
    int m_searchPage = 0;   // 0-based page the next search starts on
    int m_resumeRecord = 0; // the first text record of that page still to look at
    int m_lastHitPage = -1;
    int m_foundPage = -1;
    QRectF m_foundRect;

    bool m_settingPage = false; // scrolling to a page chosen, not following the scroll
    bool m_embedded = false;
    bool m_panning = false;
    QPoint m_panLast;
    bool m_helpMode = false;

    QActionGroup *m_zoomGroup = nullptr;
    QWidget *m_hSpacer = nullptr;

    friend class TfrPreview;
};

// Installs the preview window as the report components' preview (ShowPreparedReport),
// the desktop's "open" for hyperlink objects, and closes a report's windows with it.
void frInstallPreviewForm();
