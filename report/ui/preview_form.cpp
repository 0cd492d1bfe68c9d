#include "report/ui/preview_form.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "report/engine/export_filter.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/errors.h"
#include "report/eval/ini_file.h"
#include "report/eval/strings.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"
#include "report/model/view.h"
#include "report/print/platform_printers.h"
#include "report/print/printer.h"
#include "report/ui/input_dialogs.h"
#include "report/ui/preview_icons.h"
#include "report/ui/preview_layout.h"
#include "report/ui/preview_search.h"

namespace {

constexpr int kMbOk = 0, kMbYesNo = 4, kMbIconError = 16, kMbIconQuestion = 32, kMbIconInformation = 64;
constexpr int kMrYes = 6;
// How far the scroll bars move for an arrow key or a wheel notch.
constexpr int kSmallStep = 20;
const char *const kHelpContext = "helpContext";
const char *const kNormalIcon = "frNormalIcon";
const QString kPositionSection = QStringLiteral("frPreviewForm");

// The report whose object events a hit test fires (set around DoClick).
TfrReportBuilder *g_clickReport = nullptr;
QList<TfrPreviewForm *> g_forms;

struct ClickScope {
    explicit ClickScope(TfrReportBuilder *report) { g_clickReport = report; }
    ~ClickScope() { g_clickReport = nullptr; }
};

void installObjectEvents()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    TfrPreparedPagesEvents &events = frPreparedPagesEvents();
    events.objectClick = [](TfrReport &, TfrView &view) {
        if (!g_clickReport || !g_clickReport->events.OnObjectClick)
            return false;
        g_clickReport->events.OnObjectClick(view);
        return true;
    };
    events.mouseOverObject = [](TfrReport &, TfrView &view, Qt::CursorShape &cursor) {
        if (!g_clickReport || !g_clickReport->events.OnMouseOverObject)
            return false;
        g_clickReport->events.OnMouseOverObject(view, cursor);
        return true;
    };
}

// "desc|mask|desc|mask" as Qt's name filters ("desc (mask)").
QStringList qtFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        const QString mask = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        result << (desc.endsWith(QLatin1Char(')')) ? desc : desc + QStringLiteral(" (") + mask + QLatin1Char(')'));
    }
    return result;
}

// The extension a filter mask stands for: its first pattern from the second character
// on ("*.pdf" gives ".pdf"); empty when the pattern names no plain extension.
QString maskExtension(const QString &mask)
{
    const QString first = mask.section(QLatin1Char(';'), 0, 0).trimmed();
    const QString ext = first.mid(1);
    if (!ext.startsWith(QLatin1Char('.')) || ext.size() < 2 || ext.contains(QLatin1Char('*')) ||
        ext.contains(QLatin1Char('?')))
        return {};
    return ext;
}

// The file name with its extension replaced (or added).
QString changeFileExt(const QString &fileName, const QString &ext)
{
    if (ext.isEmpty())
        return fileName;
    const qsizetype slash = std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot > slash + 1)
        return fileName.left(dot) + ext;
    return fileName + ext;
}

bool pageJump(const QString &text, int &pageNo)
{
    return text.contains(QLatin1Char('@')) && frPageJumpTarget(text, pageNo);
}

} // namespace

TfrPreviewZoomMemory &frPreviewZoomMemory()
{
    static TfrPreviewZoomMemory memory;
    return memory;
}

TfrPreviewDialogs &frPreviewDialogs()
{
    static TfrPreviewDialogs dialogs;
    return dialogs;
}

TfrEditPreparedPageHook &frEditPreparedPageHook()
{
    static TfrEditPreparedPageHook hook;
    return hook;
}

TfrHelpContextHook &frHelpContextHook()
{
    static TfrHelpContextHook hook;
    return hook;
}

// ---- construction ------------------------------------------------------------------------

TfrPreviewForm::TfrPreviewForm(QWidget *parent) : QDialog(parent)
{
    installObjectEvents();
    g_forms.append(this);
    setObjectName(QStringLiteral("frPreviewForm"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolbar();
    buildPanels();
    buildMenu();
    layout->addWidget(ToolbarPanel);
    layout->addWidget(PreviewPanel, 1);
    installKeyPreview(ToolbarPanel);
    installKeyPreview(PreviewPanel);
    installEventFilter(this);
    resize(459, 293);
    Localize();
}

TfrPreviewForm::~TfrPreviewForm()
{
    g_forms.removeAll(this);
    if (m_helpMode) {
        QApplication::restoreOverrideCursor();
        releaseMouse();
    }
    // Closing a preview discards the prepared report it holds.
    setPages(nullptr);
}

QToolButton *TfrPreviewForm::makeButton(const char *name, int tag)
{
    auto *b = new QToolButton(Panel1);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(24, 24);
    b->setIconSize(QSize(18, 18));
    b->setProperty(kHelpContext, tag);
    return b;
}

void TfrPreviewForm::buildToolbar()
{
    ToolbarPanel = new QWidget(this);
    ToolbarPanel->setObjectName(QStringLiteral("ToolbarPanel"));
    ToolbarPanel->setFixedHeight(33);
    auto *outer = new QHBoxLayout(ToolbarPanel);
    outer->setContentsMargins(2, 2, 2, 2);
    Panel1 = new QWidget(ToolbarPanel);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *strip = new QHBoxLayout(Panel1);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(1);
    outer->addWidget(Panel1);
    outer->addStretch(1);

    auto separator = [&](const char *name) {
        auto *s = new QFrame(Panel1);
        s->setObjectName(QString::fromLatin1(name));
        s->setFrameShape(QFrame::VLine);
        s->setFrameShadow(QFrame::Sunken);
        s->setFixedSize(8, 24);
        return s;
    };
    ZoomBtn = makeButton("ZoomBtn", 200);
    ZoomBtn->setFixedSize(53, 24);
    ZoomBtn->setText(QStringLiteral("100%"));
    LoadBtn = makeButton("LoadBtn", 201);
    LoadBtn->setIcon(frPreviewIcon(QStringLiteral("document-open"), TfrPreviewGlyph::Open));
    SaveBtn = makeButton("SaveBtn", 202);
    SaveBtn->setIcon(frPreviewIcon(QStringLiteral("document-save"), TfrPreviewGlyph::Save));
    PrintBtn = makeButton("PrintBtn", 203);
    PrintBtn->setIcon(frPreviewIcon(QStringLiteral("document-print"), TfrPreviewGlyph::Print));
    FindBtn = makeButton("FindBtn", 204);
    FindBtn->setIcon(frPreviewIcon(QStringLiteral("edit-find"), TfrPreviewGlyph::Find));
    HelpBtn = makeButton("HelpBtn", 0);
    HelpBtn->setIcon(frPreviewIcon(QStringLiteral("help-contents"), TfrPreviewGlyph::Help));
    ExitBtn = makeButton("ExitBtn", 205);
    ExitBtn->setIcon(frPreviewIcon(QStringLiteral("application-exit"), TfrPreviewGlyph::Exit));
    PageSetupBtn = makeButton("PageSetupBtn", 203);
    PageSetupBtn->setIcon(frPreviewIcon(QStringLiteral("document-page-setup"), TfrPreviewGlyph::PageSetup));
    Separator1 = separator("Separator1");
    Separator2 = separator("Separator2");
    Separator3 = separator("Separator3");
    for (QWidget *w : std::initializer_list<QWidget *>{ZoomBtn, Separator1, LoadBtn, SaveBtn, PrintBtn, Separator2,
                                                       FindBtn, HelpBtn, Separator3, ExitBtn, PageSetupBtn})
        strip->addWidget(w);

    connect(ZoomBtn, &QToolButton::clicked, this, [this] { guarded([&] { ZoomBtnClick(); }); });
    connect(LoadBtn, &QToolButton::clicked, this, [this] { guarded([&] { LoadBtnClick(); }); });
    connect(SaveBtn, &QToolButton::clicked, this, [this] { guarded([&] { SaveBtnClick(); }); });
    connect(PrintBtn, &QToolButton::clicked, this, [this] { guarded([&] { PrintBtnClick(); }); });
    connect(FindBtn, &QToolButton::clicked, this, [this] { guarded([&] { FindBtnClick(); }); });
    connect(HelpBtn, &QToolButton::clicked, this, [this] { guarded([&] { HelpBtnClick(); }); });
    connect(ExitBtn, &QToolButton::clicked, this, [this] { guarded([&] { ExitBtnClick(); }); });
    connect(PageSetupBtn, &QToolButton::clicked, this, [this] { guarded([&] { PageSetupBtnClick(); }); });
}

void TfrPreviewForm::buildPanels()
{
    PreviewPanel = new QWidget(this);
    PreviewPanel->setObjectName(QStringLiteral("PreviewPanel"));
    auto *panel = new QVBoxLayout(PreviewPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(0);

    ScrollBox1 = new QWidget(PreviewPanel);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    auto *box = new QHBoxLayout(ScrollBox1);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    PBox = new TfrPreviewPageView(ScrollBox1);
    PBox->OnPress = [this](QMouseEvent &event, const TfrPageHit &hit) { pagePressed(event, hit); };
    PBox->OnPointerMove = [this](QMouseEvent &event, const TfrPageHit &hit) { pagePointerMoved(event, hit); };
    PBox->OnRelease = [this](QMouseEvent &) { m_panning = false; };
    PBox->OnDoubleClick = [this](QMouseEvent &event, const TfrPageHit &hit) { pageDoubleClicked(event, hit); };
    PBox->OnWheel = [this](int steps) { BoxWheel(steps); };
    PBox->OnResized = [this] { boxResized(); };
    box->addWidget(PBox, 1);

    RPanel = new QWidget(ScrollBox1);
    RPanel->setObjectName(QStringLiteral("RPanel"));
    RPanel->setFixedWidth(16);
    auto *right = new QVBoxLayout(RPanel);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    VScrollBar = new QScrollBar(Qt::Vertical, RPanel);
    VScrollBar->setObjectName(QStringLiteral("VScrollBar"));
    VScrollBar->setFocusPolicy(Qt::NoFocus);
    PgUp = new QToolButton(RPanel);
    PgUp->setObjectName(QStringLiteral("PgUp"));
    PgDown = new QToolButton(RPanel);
    PgDown->setObjectName(QStringLiteral("PgDown"));
    for (QToolButton *b : {PgUp, PgDown}) {
        b->setFixedSize(16, 16);
        b->setIconSize(QSize(12, 12));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    PgUp->setIcon(frPreviewFallbackIcon(TfrPreviewGlyph::PageUp));
    PgDown->setIcon(frPreviewFallbackIcon(TfrPreviewGlyph::PageDown));
    // The bar fills the panel above the two page buttons at its foot.
    right->addWidget(VScrollBar, 1);
    right->addWidget(PgUp);
    right->addWidget(PgDown);
    box->addWidget(RPanel);
    panel->addWidget(ScrollBox1, 1);

    BPanel = new QWidget(PreviewPanel);
    BPanel->setObjectName(QStringLiteral("BPanel"));
    BPanel->setFixedHeight(18);
    auto *bottom = new QHBoxLayout(BPanel);
    bottom->setContentsMargins(2, 0, 0, 0);
    bottom->setSpacing(4);
    Label1 = new QLabel(BPanel);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFixedWidth(96);
    Label1->setFrameShape(QFrame::StyledPanel);
    Label1->setFrameShadow(QFrame::Sunken);
    Label1->setProperty(kHelpContext, 206);
    Label2 = new QLabel(BPanel);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFixedWidth(220);
    Label2->setFrameShape(QFrame::StyledPanel);
    Label2->setFrameShadow(QFrame::Sunken);
    Label2->setProperty(kHelpContext, 206);
    HScrollBar = new QScrollBar(Qt::Horizontal, BPanel);
    HScrollBar->setObjectName(QStringLiteral("HScrollBar"));
    HScrollBar->setFocusPolicy(Qt::NoFocus);
    m_hSpacer = new QWidget(BPanel);
    m_hSpacer->setFixedWidth(16);
    bottom->addWidget(Label1);
    bottom->addWidget(Label2);
    bottom->addWidget(HScrollBar, 1);
    bottom->addWidget(m_hSpacer);
    panel->addWidget(BPanel);

    connect(VScrollBar, &QScrollBar::valueChanged, this, &TfrPreviewForm::onVScroll);
    connect(HScrollBar, &QScrollBar::valueChanged, this, &TfrPreviewForm::onHScroll);
    connect(PgUp, &QToolButton::clicked, this, [this] { PgUpClick(); });
    connect(PgDown, &QToolButton::clicked, this, [this] { PgDownClick(); });
}

void TfrPreviewForm::buildMenu()
{
    ProcMenu = new QMenu(this);
    ProcMenu->setObjectName(QStringLiteral("ProcMenu"));
    m_zoomGroup = new QActionGroup(ProcMenu);
    m_zoomGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    auto addZoom = [&](const QString &text, int tag) {
        QAction *a = ProcMenu->addAction(text);
        a->setCheckable(true);
        a->setData(tag);
        m_zoomGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, tag] { guarded([&] { N3Click(tag); }); });
        return a;
    };
    for (int percent : {200, 150, 100, 75, 50, 25, 10})
        addZoom(QString::number(percent) + QLatin1Char('%'), percent)->setChecked(percent == 100);
    addZoom(QString(), 1);
    addZoom(QString(), 2);
    addZoom(QString(), 3);
    EditSeparator = ProcMenu->addSeparator();
    EditPageItem = ProcMenu->addAction(QString());
    NewPageItem = ProcMenu->addAction(QString());
    DelPageItem = ProcMenu->addAction(QString());
    connect(EditPageItem, &QAction::triggered, this, [this] { guarded([&] { EditBtnClick(); }); });
    connect(NewPageItem, &QAction::triggered, this, [this] { guarded([&] { NewPageBtnClick(); }); });
    connect(DelPageItem, &QAction::triggered, this, [this] { guarded([&] { DelPageBtnClick(); }); });
}

void TfrPreviewForm::Localize()
{
    for (QAction *a : m_zoomGroup->actions()) {
        const int tag = a->data().toInt();
        if (tag == 1)
            a->setText(frLoadStr(53020));
        else if (tag == 2)
            a->setText(frLoadStr(53021));
        else if (tag == 3)
            a->setText(frLoadStr(53022));
    }
    EditPageItem->setText(frLoadStr(53029));
    NewPageItem->setText(frLoadStr(53030));
    DelPageItem->setText(frLoadStr(53031));
    ZoomBtn->setToolTip(frLoadStr(53024));
    LoadBtn->setToolTip(frLoadStr(53025));
    SaveBtn->setToolTip(frLoadStr(53026));
    PrintBtn->setToolTip(frLoadStr(53027));
    FindBtn->setToolTip(frLoadStr(53028));
    HelpBtn->setToolTip(frLoadStr(53032));
    ExitBtn->setToolTip(frLoadStr(53023));
}

void TfrPreviewForm::installKeyPreview(QWidget *root)
{
    root->installEventFilter(this);
    for (QWidget *w : root->findChildren<QWidget *>())
        if (!qobject_cast<QMenu *>(w))
            w->installEventFilter(this);
}

bool TfrPreviewForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        // The window sees the keys before its controls do.
        auto *key = static_cast<QKeyEvent *>(event);
        bool handled = false;
        guarded([&] { handled = FormKeyDown(key->key(), key->modifiers()); });
        return handled;
    }
    case QEvent::Enter:
    case QEvent::Leave:
        // Greyed buttons show their colours while the pointer is over them.
        if (auto *b = qobject_cast<QToolButton *>(watched)) {
            const QVariant normal = b->property(kNormalIcon);
            if (normal.isValid()) {
                const QIcon icon = normal.value<QIcon>();
                b->setIcon(event->type() == QEvent::Enter ? icon
                                                          : QIcon(icon.pixmap(b->iconSize(), QIcon::Disabled)));
            }
        }
        break;
    case QEvent::MouseButtonPress:
        if (m_helpMode && watched == this) {
            // The click that ends context help: the topic of the control it hit.
            auto *me = static_cast<QMouseEvent *>(event);
            m_helpMode = false;
            releaseMouse();
            QApplication::restoreOverrideCursor();
            QWidget *hit = childAt(me->position().toPoint());
            while (hit && !hit->property(kHelpContext).isValid())
                hit = hit->parentWidget();
            if (hit && hit != HelpBtn && frHelpContextHook())
                frHelpContextHook()(hit->property(kHelpContext).toInt());
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

template <class F> void TfrPreviewForm::guarded(F &&handler)
{
    try {
        std::forward<F>(handler)();
    } catch (const EfrError &e) {
        message(e.message(), frLoadStr(55206), kMbOk | kMbIconError);
    } catch (const std::exception &e) {
        message(QString::fromUtf8(e.what()), frLoadStr(55206), kMbOk | kMbIconError);
    }
}

int TfrPreviewForm::message(const QString &text, const QString &caption, int flags)
{
    // Message boxes open over this window.
    QWidget *parent = isVisible() ? static_cast<QWidget *>(this) : PreviewPanel->window();
    if (frPreviewDialogs().messageBox)
        return frPreviewDialogs().messageBox(parent, text, caption, flags);
    QMessageBox box(frMessageBoxIcon(flags), caption, text, frMessageBoxButtons(flags), parent);
    return frModalResultOf(QMessageBox::StandardButton(box.exec()));
}

bool TfrPreviewForm::hasPages() const { return m_pages && m_pages->Count() > 0; }

void TfrPreviewForm::setPages(std::unique_ptr<TfrEMFPages> pages)
{
    m_pages = std::move(pages);
    PBox->SetPages(m_pages.get());
}

int TfrPreviewForm::PageCount() const { return m_pages ? m_pages->Count() : 0; }

// ---- pages and the report ----------------------------------------------------------------

void TfrPreviewForm::Connect(TfrReportBuilder *report)
{
    setPages(nullptr);
    m_report = report;
    if (!report)
        return;
    setPages(std::make_unique<TfrEMFPages>(&report->Report));
    m_pages->Swap(report->EMFPages);
    dropFound();
}

void TfrPreviewForm::ConnectBack()
{
    if (!m_report)
        return;
    m_report->EMFPages.Clear();
    if (m_pages)
        m_report->EMFPages.Swap(*m_pages);
    setPages(nullptr);
}

int TfrPreviewForm::Show_Modal(TfrReportBuilder &report)
{
    Connect(&report);
    InitButtons();
    RedrawAll(true);
    HScrollBar->setValue(0);
    VScrollBar->setValue(0);
    // What the window does as it is shown.
    Localize();
    if (!report.MDIPreview)
        RestoreFormPosition();
    if (report.ModalPreview)
        return exec();
    setAttribute(Qt::WA_DeleteOnClose);
    show();
    return 0;
}

void TfrPreviewForm::InitButtons()
{
    if (!m_report)
        return;
    const unsigned b = m_report->PreviewButtons;
    ZoomBtn->setVisible(b & pbZoom);
    Separator1->setVisible(b & pbZoom);
    LoadBtn->setVisible(b & pbLoad);
    SaveBtn->setVisible(b & pbSave);
    PrintBtn->setVisible(b & pbPrint);
    FindBtn->setVisible(b & pbFind);
    PageSetupBtn->setVisible(b & pbPageSetup);
    // No help system: the button shows only when one is installed.
    HelpBtn->setVisible((b & pbHelp) && !m_embedded && bool(frHelpContextHook()));
    ExitBtn->setVisible((b & pbExit) && !m_embedded);
    Separator3->setVisible(FindBtn->isVisibleTo(Panel1) || HelpBtn->isVisibleTo(Panel1));
    const bool printers = Prn.HasPlatformPrinters();
    PrintBtn->setEnabled(printers);
    PageSetupBtn->setEnabled(printers);
    const bool editable = bool(frEditPreparedPageHook()) && m_report->ModifyPrepared;
    for (QAction *a : {EditSeparator, EditPageItem, NewPageItem, DelPageItem})
        a->setVisible(editable);
    TfrPreviewZoomMemory &memory = frPreviewZoomMemory();
    switch (m_report->InitialZoom) {
    case pzPageWidth: memory.mode = mdPageWidth; break;
    case pzOnePage: memory.mode = mdOnePage; break;
    case pzTwoPages: memory.mode = mdTwoPages; break;
    case pzDefault: break;
    }
    SetGrayedButtons(m_report->GrayedButtons);
}

void TfrPreviewForm::SetGrayedButtons(bool grayed)
{
    for (QToolButton *b : {LoadBtn, SaveBtn, PrintBtn, FindBtn, HelpBtn, ExitBtn, PageSetupBtn}) {
        QVariant normal = b->property(kNormalIcon);
        if (grayed && !normal.isValid()) {
            const QIcon icon = b->icon();
            b->setProperty(kNormalIcon, QVariant::fromValue(icon));
            b->setIcon(QIcon(icon.pixmap(b->iconSize(), QIcon::Disabled)));
        } else if (!grayed && normal.isValid()) {
            b->setIcon(normal.value<QIcon>());
            b->setProperty(kNormalIcon, QVariant());
        }
    }
}

void TfrPreviewForm::checkZoomItem()
{
    int tag = 0;
    switch (m_mode) {
    case mdPageWidth: tag = 1; break;
    case mdOnePage: tag = 2; break;
    case mdTwoPages: tag = 3; break;
    case mdNone: tag = int(std::lround(m_zoom * 100)); break;
    }
    for (QAction *a : m_zoomGroup->actions())
        a->setChecked(a->data().toInt() == tag && (m_mode != mdNone || tag > 3));
}

void TfrPreviewForm::rememberZoom()
{
    frPreviewZoomMemory().zoom = m_zoom;
    frPreviewZoomMemory().mode = m_mode;
}

void TfrPreviewForm::RedrawAll(bool resetPosition)
{
    m_zoom = frPreviewZoomMemory().zoom;
    m_mode = frPreviewZoomMemory().mode;
    checkZoomItem();
    if (resetPosition) {
        m_curPage = 1;
        PBox->SetOffset(QPoint());
        const QSignalBlocker bh(HScrollBar), bv(VScrollBar);
        HScrollBar->setValue(0);
        VScrollBar->setValue(0);
        dropFound();
    }
    if (m_pages)
        m_curPage = std::clamp(m_curPage, 1, std::max(1, m_pages->Count()));
    ShowPageNum();
    FormResize();
    if (m_pages)
        for (int i = 0; i < m_pages->Count(); ++i) {
            (*m_pages)[i].keepUnpacked = false;
            m_pages->Draw(i, nullptr, QRect());
        }
    DelPageItem->setEnabled(PageCount() > 1);
    PBox->update();
}

void TfrPreviewForm::FormResize()
{
    if (!hasPages())
        return;
    PBox->SetPaintAllowed(false);
    TfrEMFPages &pages = *m_pages;
    const int count = pages.Count();
    m_curPage = std::clamp(m_curPage, 1, count);
    const int boxW = PBox->width(), boxH = PBox->height();

    TfrPreviewLayout layout;
    layout.Arrange(m_mode, m_zoom, QSize(boxW, boxH), count, m_curPage - 1, [&pages](int i) {
        const TfrPrnInfo &p = pages[i].prnInfo;
        return QSize(p.paperWidthU, p.paperHeightU);
    });
    m_zoom = layout.Zoom();
    PBox->SetZoom(m_zoom);
    checkZoomItem();
    ZoomBtn->setText(QString::number(std::lround(m_zoom * 100)) + QLatin1Char('%'));
    m_pagesPerRow = layout.PagesPerRow();
    for (int i = 0; i < count; ++i) {
        const QRect r = layout.PageRect(i);
        pages[i].displayRect = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }

    // The horizontal bar stops short of the vertical one.
    m_hSpacer->setVisible(RPanel->isVisibleTo(PreviewPanel));

    // Scroll ranges.
    const int hRange = layout.HorizontalRange(), vRange = layout.VerticalRange();
    {
        const QSignalBlocker bh(HScrollBar), bv(VScrollBar);
        HScrollBar->setRange(0, hRange);
        VScrollBar->setRange(0, vRange);
        HScrollBar->setEnabled(hRange > 0);
        VScrollBar->setEnabled(vRange > 0);
        HScrollBar->setSingleStep(kSmallStep);
        VScrollBar->setSingleStep(kSmallStep);
        HScrollBar->setPageStep(std::max(kSmallStep, boxW - kSmallStep));
        VScrollBar->setPageStep(std::max(kSmallStep, boxH - kSmallStep));
    }
    PBox->SetOffset(QPoint(-HScrollBar->value(), -VScrollBar->value()));

    // The box takes the keys, and the current page stays in view.
    if (isVisible() || PBox->isVisible())
        PBox->setFocus();
    SetToCurPage();
    PBox->SetPaintAllowed(true);
}

// ---- scrolling and the current page ------------------------------------------------------

void TfrPreviewForm::onVScroll(int value)
{
    PBox->ScrollTo(QPoint(PBox->Offset().x(), -value));
    if (!m_settingPage)
        currentPageFromScroll();
}

void TfrPreviewForm::onHScroll(int value) { PBox->ScrollTo(QPoint(-value, PBox->Offset().y())); }

void TfrPreviewForm::currentPageFromScroll()
{
    if (!hasPages())
        return;
    const int line = 11 - PBox->Offset().y();
    for (int i = 0; i < m_pages->Count(); ++i) {
        const TfrRect &r = (*m_pages)[i].displayRect;
        if (r.Top < line && line < r.Bottom) {
            m_curPage = i + 1;
            break;
        }
    }
    ShowPageNum();
}

void TfrPreviewForm::SetToCurPage()
{
    if (!hasPages())
        return;
    const int top = (*m_pages)[m_curPage - 1].displayRect.Top;
    if (top + PBox->Offset().y() == 10)
        return;
    m_settingPage = true;
    VScrollBar->setValue(top - 10);
    m_settingPage = false;
}

void TfrPreviewForm::ShowPageNum()
{
    if (!hasPages()) {
        Label1->clear();
        return;
    }
    if (OnPageChanged)
        OnPageChanged(m_curPage);
    Label1->setText(frLoadStr(55004) + QLatin1Char(' ') + QString::number(m_curPage) + QLatin1Char('/') +
                    QString::number(m_pages->Count()));
}

void TfrPreviewForm::SetCurPage(int page)
{
    if (!hasPages() || page < 1 || page > m_pages->Count())
        return;
    m_curPage = page;
    ShowPageNum();
    SetToCurPage();
}

void TfrPreviewForm::PgUpClick()
{
    if (hasPages() && m_curPage > 1)
        SetCurPage(m_curPage - 1);
}

void TfrPreviewForm::PgDownClick()
{
    if (hasPages() && m_curPage < m_pages->Count())
        SetCurPage(m_curPage + 1);
}

void TfrPreviewForm::boxResized()
{
    if (!hasPages())
        return;
    FormResize();
    PBox->update();
}

// ---- zoom --------------------------------------------------------------------------------

void TfrPreviewForm::ZoomBtnClick()
{
    for (QAction *a : {EditSeparator, EditPageItem, NewPageItem, DelPageItem})
        a->setVisible(false);
    const QPoint at = ZoomBtn->mapToGlobal(QPoint(0, ZoomBtn->height()));
    if (frPreviewDialogs().popup)
        frPreviewDialogs().popup(*ProcMenu, at);
    else
        ProcMenu->exec(at);
}

void TfrPreviewForm::N3Click(int tag)
{
    switch (tag) {
    case 1: applyZoom(mdPageWidth, m_zoom); break;
    case 2: applyZoom(mdOnePage, m_zoom); break;
    case 3: applyZoom(mdTwoPages, m_zoom); break;
    default: applyZoom(mdNone, tag / 100.0); break;
    }
}

void TfrPreviewForm::applyZoom(TfrScaleMode mode, double zoom)
{
    m_mode = mode;
    m_zoom = zoom;
    checkZoomItem();
    HScrollBar->setValue(0);
    FormResize();
    rememberZoom();
    PBox->update();
}

void TfrPreviewForm::SetZoomPercent(int percent)
{
    if (percent > 0)
        applyZoom(mdNone, percent / 100.0);
}

void TfrPreviewForm::SetMode(TfrScaleMode mode) { applyZoom(mode, m_zoom); }

// ---- keyboard and mouse ------------------------------------------------------------------

bool TfrPreviewForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (!hasPages())
        return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    auto move = [](QScrollBar *bar, int by) { bar->setValue(bar->value() + by); };
    switch (key) {
    case Qt::Key_Up: move(VScrollBar, -VScrollBar->singleStep()); break;
    case Qt::Key_Down: move(VScrollBar, VScrollBar->singleStep()); break;
    case Qt::Key_Left: move(HScrollBar, -HScrollBar->singleStep()); break;
    case Qt::Key_Right: move(HScrollBar, HScrollBar->singleStep()); break;
    case Qt::Key_PageUp:
        if (ctrl)
            PgUpClick();
        else
            move(VScrollBar, -VScrollBar->pageStep());
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            PgDownClick();
        else
            move(VScrollBar, VScrollBar->pageStep());
        break;
    case Qt::Key_Home:
        if (!ctrl)
            return false;
        VScrollBar->setValue(0);
        break;
    case Qt::Key_End:
        if (!ctrl)
            return false;
        SetCurPage(m_pages->Count());
        break;
    case Qt::Key_Space: ZoomBtnClick(); break;
    case Qt::Key_Escape: ExitBtnClick(); break;
    case Qt::Key_F3:
        if (ctrl)
            return false;
        if (!m_findStr.isEmpty()) {
            // Moved elsewhere since the last hit: search on from the page shown. After the
            // end was reached the search goes round from the first page instead.
            const bool fromFirstPage = m_searchPage == 0 && m_resumeRecord == 0 && m_lastHitPage < 0;
            if (m_curPage != m_searchPage + 1 && !fromFirstPage) {
                m_searchPage = m_curPage - 1;
                m_resumeRecord = 0;
            }
            FindText();
        }
        break;
    case Qt::Key_O:
        if (!ctrl)
            return false;
        LoadBtnClick();
        break;
    case Qt::Key_S:
        if (!ctrl)
            return false;
        SaveBtnClick();
        break;
    case Qt::Key_P:
        if (!ctrl)
            return false;
        if (PrintBtn->isEnabled())
            PrintBtnClick();
        break;
    case Qt::Key_F:
        if (!ctrl)
            return false;
        FindBtnClick();
        break;
    case Qt::Key_E:
        if (!ctrl)
            return false;
        if (EditPageItem->isVisible())
            EditBtnClick();
        break;
    default:
        return false;
    }
    return true;
}

void TfrPreviewForm::pagePressed(QMouseEvent &event, const TfrPageHit &hit)
{
    if (event.button() == Qt::RightButton) {
        const QPoint at = event.globalPosition().toPoint();
        QMenu *menu = HostPopupMenu ? HostPopupMenu.data() : ProcMenu;
        if (menu == ProcMenu) {
            const bool editable = m_report && bool(frEditPreparedPageHook()) && m_report->ModifyPrepared;
            for (QAction *a : {EditSeparator, EditPageItem, NewPageItem, DelPageItem})
                a->setVisible(editable);
        }
        if (frPreviewDialogs().popup)
            frPreviewDialogs().popup(*menu, at);
        else
            menu->exec(at);
        return;
    }
    if (event.button() != Qt::LeftButton || !hasPages())
        return;
    const int page = hit.page;
    bool reacted = false;
    if (page >= 0) {
        QString text;
        Qt::CursorShape cursor = Qt::ArrowCursor;
        guarded([&] {
            ClickScope scope(m_report);
            reacted = m_pages->DoClick(page, hit.point, text, cursor, true);
        });
        int target = 0;
        if (reacted && hasPages() && pageJump(text, target)) {
            target = std::max(target, 1);
            if (target <= m_pages->Count())
                SetCurPage(target);
        }
    }
    if (reacted)
        return;
    if (page >= 0) {
        m_curPage = page + 1;
        ShowPageNum();
    }
    m_panning = true;
    m_panLast = event.globalPosition().toPoint();
}

void TfrPreviewForm::pagePointerMoved(QMouseEvent &event, const TfrPageHit &hit)
{
    if (m_panning) {
        const QPoint now = event.globalPosition().toPoint();
        const QPoint d = now - m_panLast;
        m_panLast = now;
        HScrollBar->setValue(HScrollBar->value() - d.x());
        VScrollBar->setValue(VScrollBar->value() - d.y());
        return;
    }
    if (!hasPages() || !m_report)
        return;
    if (hit.page < 0) {
        PBox->unsetCursor();
        Label2->clear();
        return;
    }
    QString text;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    bool reacted = false;
    try {
        ClickScope scope(m_report);
        reacted = m_pages->DoClick(hit.page, hit.point, text, cursor, false);
    } catch (const EfrError &) {
        reacted = false; // an unreadable page has nothing to point at
    }
    PBox->setCursor(reacted ? cursor : Qt::ArrowCursor);
    int target = 0;
    if (pageJump(text, target))
        Label2->setText(frLoadStr(55004) + QLatin1Char(' ') + QString::number(target));
    else
        Label2->setText(text);
}

void TfrPreviewForm::pageDoubleClicked(QMouseEvent &event, const TfrPageHit &hit)
{
    if (!hasPages() || event.button() != Qt::LeftButton || hit.page < 0)
        return;
    m_curPage = hit.page + 1;
    ShowPageNum();
    if (EditPageItem->isVisible())
        guarded([&] { EditBtnClick(); });
}

void TfrPreviewForm::BoxWheel(int steps)
{
    VScrollBar->setValue(VScrollBar->value() - steps * VScrollBar->singleStep() * WheelFactor);
}

// ---- search ------------------------------------------------------------------------------

void TfrPreviewForm::FindBtnClick()
{
    if (!hasPages())
        return;
    TfrPreviewSearchForm dialog(this);
    dialog.Edit1->setText(property("frLastSearch").toString());
    dialog.Edit1->selectAll();
    const int result = frPreviewDialogs().exec ? frPreviewDialogs().exec(dialog) : dialog.exec();
    if (result != 1)
        return;
    setProperty("frLastSearch", dialog.Edit1->text());
    SetSearch(dialog.Edit1->text(), dialog.CB1->isChecked(), dialog.RB1->isChecked());
    FindText();
}

void TfrPreviewForm::SetSearch(const QString &text, bool caseSensitive, bool fromStart)
{
    const QString findStr = caseSensitive ? text : text.toUpper();
    // Another search: the hit of the last one no longer counts.
    if (fromStart || findStr != m_findStr || caseSensitive != m_caseSensitive)
        dropFound();
    m_caseSensitive = caseSensitive;
    m_findStr = findStr;
    // As typed, for telling the operator what was not found.
    setProperty("frSearchText", text);
    if (fromStart) {
        m_searchPage = 0;
        m_resumeRecord = 0;
        return;
    }
    const int page = std::max(0, m_curPage - 1);
    if (page != m_lastHitPage)
        m_resumeRecord = 0;
    m_searchPage = page;
}

bool TfrPreviewForm::FindText()
{
    if (!hasPages() || m_findStr.isEmpty())
        return false;
    TfrEMFPages &pages = *m_pages;
    const int savedResume = m_resumeRecord;
    int resume = m_resumeRecord;
    for (int i = std::max(0, m_searchPage); i < pages.Count(); ++i) {
        TfrPageInfo &info = pages[i];
        const int w = std::max(1, info.prnInfo.paperWidthU), h = std::max(1, info.prnInfo.paperHeightU);
        std::vector<TfrTextRun> runs;
        try {
            runs = frPageTextRuns(pages, i, frPageContentRect(info, QRect(0, 0, w, h)), QSize(w, h));
        } catch (const EfrError &) {
            runs.clear(); // an unreadable page has no text to find
        }
        const int hit = frFindTextRun(runs, resume, m_findStr, m_caseSensitive);
        // Only the pages on screen stay unpacked.
        if (!info.keepUnpacked)
            pages.Release(i);
        if (hit < 0) {
            resume = 0;
            continue;
        }
        m_searchPage = i;
        m_resumeRecord = hit + 1;
        m_lastHitPage = i;
        m_foundPage = i;
        m_foundRect = runs[size_t(hit)].bounds;
        PBox->SetHighlight(m_foundPage, m_foundRect);
        m_curPage = i + 1;
        ShowPageNum();
        scrollToFound();
        PBox->update();
        return true;
    }
    // No hit: the view stays where it was, but the old hit is no longer shown as found.
    const bool afterHits = m_lastHitPage >= 0;
    m_resumeRecord = savedResume;
    dropFound();
    PBox->update();
    const QString shown = property("frSearchText").toString();
    if (afterHits) {
        // The next search goes round from the first page.
        m_searchPage = 0;
        m_resumeRecord = 0;
        message(QStringLiteral("Поиск дошёл до конца отчёта: больше «%1» не найдено.\n"
                               "F3 — искать снова с первой страницы.").arg(shown),
                frLoadStr(53000), kMbOk | kMbIconInformation);
    } else {
        message(QStringLiteral("Текст «%1» не найден.").arg(shown), frLoadStr(53000), kMbOk | kMbIconInformation);
    }
    return false;
}

void TfrPreviewForm::scrollToFound()
{
    const TfrRect &d = (*m_pages)[m_foundPage].displayRect;
    const QRect f = QRectF(d.Left + m_foundRect.left() * m_zoom, d.Top + m_foundRect.top() * m_zoom,
                           m_foundRect.width() * m_zoom, m_foundRect.height() * m_zoom)
                        .toAlignedRect();
    const int boxW = PBox->width(), boxH = PBox->height();
    int top = d.Top - 10;
    if (f.bottom() + 10 > top + boxH)
        top = f.bottom() + 10 - boxH;
    int left = -PBox->Offset().x();
    if (f.left() < left || f.right() > left + boxW) {
        left = d.Left - 10;
        if (f.right() + 10 > left + boxW)
            left = f.right() + 10 - boxW;
    }
    m_settingPage = true;
    VScrollBar->setValue(top);
    HScrollBar->setValue(left);
    m_settingPage = false;
}

void TfrPreviewForm::dropFound()
{
    m_foundPage = -1;
    m_lastHitPage = -1;
    m_foundRect = QRectF();
    PBox->SetHighlight(-1, QRectF());
}

// ---- files -------------------------------------------------------------------------------

void TfrPreviewForm::LoadBtnClick()
{
    if (!hasPages())
        return;
    const QString filter = frLoadStr(55211) + QStringLiteral(" (*.frp)|*.frp");
    QString name;
    if (frPreviewDialogs().openFileName)
        name = frPreviewDialogs().openFileName(this, filter);
    else
        name = QFileDialog::getOpenFileName(this, QString(), QString(), qtFilters(filter).join(QStringLiteral(";;")));
    if (!name.isEmpty())
        LoadFromFile(name);
}

void TfrPreviewForm::LoadFromFile(const QString &fileName)
{
    if (!m_report)
        return;
    // The report's own list is empty while this window holds the pages: the file is read
    // there, and only a file read whole replaces what is shown.
    try {
        m_report->LoadPreparedReport(fileName);
    } catch (const EReadError &) {
        m_report->EMFPages.Clear();
        message(QStringLiteral("Файл \"%1\" не является файлом отчета или поврежден. "
                               "Показанный отчет остался без изменений.")
                    .arg(QDir::toNativeSeparators(fileName)),
                frLoadStr(55206), kMbOk | kMbIconError);
        return;
    } catch (const EfrError &e) {
        m_report->EMFPages.Clear();
        message(e.message(), frLoadStr(55206), kMbOk | kMbIconError);
        return;
    }
    Connect(m_report);
    m_curPage = 1;
    FormResize();
    ShowPageNum();
    SetToCurPage();
    DelPageItem->setEnabled(PageCount() > 1);
    PBox->update();
}

void TfrPreviewForm::SaveToFile(const QString &fileName)
{
    if (!m_report || !hasPages())
        return;
    const QString name = changeFileExt(fileName, QStringLiteral(".frp"));
    TfrReportBuilder *report = m_report;
    ConnectBack();
    struct Reconnect {
        TfrPreviewForm &form;
        TfrReportBuilder *report;
        ~Reconnect() { form.Connect(report); }
    } reconnect{*this, report};
    report->SavePreparedReport(name);
}

void TfrPreviewForm::SaveBtnClick()
{
    if (!hasPages() || !m_report)
        return;
    QString filter = frLoadStr(55211) + QStringLiteral(" (*.frp)|*.frp");
    int selected = 1;
    const TfrRegistry<TfrExportFilterInfo> &filters = frFilters();
    for (int i = 0; i < filters.Count(); ++i) {
        filter += QLatin1Char('|') + filters[i].filterDescription + QLatin1Char('|') + filters[i].filterMask;
        auto *f = dynamic_cast<TfrExportFilter *>(filters[i].filterInstance);
        if (selected == 1 && f && f->Default)
            selected = i + 2;
    }
    QString name;
    if (frPreviewDialogs().saveFileName) {
        name = frPreviewDialogs().saveFileName(this, filter, selected);
    } else {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        const QStringList names = qtFilters(filter);
        dialog.setNameFilters(names);
        if (selected >= 1 && selected <= names.size())
            dialog.selectNameFilter(names[selected - 1]);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            name = dialog.selectedFiles().constFirst();
            selected = int(names.indexOf(dialog.selectedNameFilter())) + 1;
        }
    }
    if (name.isEmpty())
        return;
    if (selected <= 1 || selected - 2 >= filters.Count()) {
        SaveToFile(name);
        return;
    }
    auto *exportFilter = dynamic_cast<TfrExportFilter *>(filters[selected - 2].filterInstance);
    if (!exportFilter)
        return;
    const QString target = changeFileExt(name, maskExtension(filters[selected - 2].filterMask));
    TfrReportBuilder *report = m_report;
    ConnectBack();
    struct Reconnect {
        TfrPreviewForm &form;
        TfrReportBuilder *report;
        ~Reconnect()
        {
            form.Connect(report);
            form.RedrawAll(false);
        }
    } reconnect{*this, report};
    report->ExportTo(*exportFilter, target);
}

// ---- printing and page setup -------------------------------------------------------------

void TfrPreviewForm::PrintBtnClick()
{
    if (!hasPages() || !m_report || !Prn.HasPlatformPrinters())
        return;
    TfrReportBuilder *report = m_report;
    TfrPrintSettings settings;
    settings.currentPage = m_curPage;
    const int oldPrinter = Prn.PrinterIndex();
    if (!report->AskPrintSettings(settings))
        return;
    const int newPrinter = Prn.PrinterIndex();
    if (report->RebuildsForPrinter(oldPrinter, newPrinter)) {
        if (!report->RebuildForPrinter(oldPrinter, newPrinter))
            return;
        setPages(nullptr);
        Connect(report);
        RedrawAll(false);
        if (!hasPages())
            return;
    }
    ConnectBack();
    struct Reconnect {
        TfrPreviewForm &form;
        TfrReportBuilder *report;
        ~Reconnect()
        {
            form.Connect(report);
            form.RedrawAll(false);
        }
    } reconnect{*this, report};
    report->PrintPreparedReport(settings.range, settings.copies, settings.collate, settings.printPages);
}

void TfrPreviewForm::PageSetupBtnClick()
{
    // A report read from a file has no template to rebuild it from: rebuilding would
    // replace the pages shown by something else.
    if (!hasPages() || !m_report || !m_report->Rebuildable() || !Prn.HasPlatformPrinters())
        return;
    TfrReportBuilder *report = m_report;
    const TfrPageInfo &first = (*m_pages)[0];
    TfrRect margins{first.margins.Left * 500 / 18, first.margins.Top * 500 / 18, first.margins.Right * 500 / 18,
                    first.margins.Bottom * 500 / 18};
    bool ok = false;
    if (frPreviewDialogs().pageSetup) {
        ok = frPreviewDialogs().pageSetup(ScrollBox1, margins);
    } else if (auto *qt = dynamic_cast<TfrQtPlatformPrinters *>(frPlatformPrinters())) {
        QPrinter &printer = qt->Printer();
        printer.setPageMargins(QMarginsF(margins.Left / 100.0, margins.Top / 100.0, margins.Right / 100.0,
                                         margins.Bottom / 100.0),
                               QPageLayout::Millimeter);
        QPageSetupDialog dialog(&printer, ScrollBox1);
        ok = dialog.exec() == QDialog::Accepted;
        if (ok) {
            const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
            margins = {int(std::lround(m.left() * 100)), int(std::lround(m.top() * 100)),
                       int(std::lround(m.right() * 100)), int(std::lround(m.bottom() * 100))};
        }
    }
    if (!ok)
        return;
    report->ApplyPageSetup(margins);
    setPages(nullptr);
    Connect(report);
    RedrawAll(true);
}

// ---- editing pages -----------------------------------------------------------------------

void TfrPreviewForm::EditBtnClick()
{
    if (!hasPages() || !m_report || !m_report->ModifyPrepared || !frEditPreparedPageHook())
        return;
    TfrReportBuilder *report = m_report;
    const int index = m_curPage - 1;
    ConnectBack();
    struct Reconnect {
        TfrPreviewForm &form;
        TfrReportBuilder *report;
        ~Reconnect()
        {
            form.Connect(report);
            form.RedrawAll(false);
        }
    } reconnect{*this, report};
    frEditPreparedPageHook()(*report, index);
}

void TfrPreviewForm::NewPageBtnClick()
{
    if (!hasPages() || !m_report)
        return;
    const int index = m_curPage - 1;
    if (TfrPage *first = m_report->Report.Page(0)) {
        m_pages->Insert(index, *first);
    } else {
        // No template (pages read from a file): a page on the paper of the page shown.
        const TfrPageInfo &cur = (*m_pages)[index];
        TfrPage paper(&m_report->Report, cur.paperSize, cur.paperWidth, cur.paperHeight, cur.paperBin,
                      cur.orientation);
        paper.pgMargins = cur.margins;
        paper.applyMargins = cur.applyMargins;
        m_pages->Insert(index, paper);
    }
    RedrawAll(false);
}

void TfrPreviewForm::DelPageBtnClick()
{
    if (PageCount() <= 1)
        return;
    if (message(frLoadStr(55005), frLoadStr(55006), kMbYesNo | kMbIconQuestion) != kMrYes)
        return;
    m_pages->Delete(m_curPage - 1);
    if (m_foundPage >= m_curPage - 1)
        dropFound();
    RedrawAll(true);
}

// ---- help and exit -----------------------------------------------------------------------

void TfrPreviewForm::HelpBtnClick()
{
    if (!frHelpContextHook() || m_helpMode)
        return;
    m_helpMode = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    grabMouse();
}

void TfrPreviewForm::ExitBtnClick()
{
    if (m_embedded)
        return;
    if (m_report && m_report->ModalPreview && isModal())
        done(1);
    else
        close();
}

void TfrPreviewForm::done(int result)
{
    if (!m_embedded && !(m_report && m_report->MDIPreview))
        SaveFormPosition();
    QDialog::done(result);
}

void TfrPreviewForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (hasPages()) {
        FormResize();
        PBox->setFocus();
    }
}

// ---- window placement --------------------------------------------------------------------

void TfrPreviewForm::RestoreFormPosition()
{
    if (const auto kept = frReadWindowPlacement(kPositionSection)) {
        const QRect g = kept->geometry;
        bool onScreen = false;
        for (const QScreen *s : QGuiApplication::screens())
            onScreen = onScreen || s->availableGeometry().intersects(g);
        // A size from another display that would open off every screen is not used.
        if (g.width() >= 200 && g.height() >= 150 && onScreen) {
            setGeometry(g);
            if (kept->maximized)
                setWindowState(windowState() | Qt::WindowMaximized);
            return;
        }
    }
    setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrPreviewForm::SaveFormPosition() { frSaveWindowPlacement(*this, kPositionSection); }

// ---- embedding ---------------------------------------------------------------------------

void TfrPreviewForm::AdoptPanels()
{
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    if (ToolbarPanel->parentWidget() != this) {
        ToolbarPanel->setParent(this);
        layout->insertWidget(0, ToolbarPanel);
    }
    if (PreviewPanel->parentWidget() != this) {
        PreviewPanel->setParent(this);
        layout->addWidget(PreviewPanel, 1);
    }
    ToolbarPanel->show();
    PreviewPanel->show();
}

void TfrPreviewForm::ReportDestroyed()
{
    setPages(nullptr);
    m_report = nullptr;
    PBox->update();
    if (!m_embedded)
        close();
}

// ---- installation ------------------------------------------------------------------------

void frInstallPreviewForm()
{
    installObjectEvents();
    frReportUi().showPreview = [](TfrReportBuilder &report, const QString &caption) {
        auto *form = new TfrPreviewForm(QApplication::activeWindow());
        form->setWindowTitle(caption);
        if (!report.ModalPreview) {
            form->Show_Modal(report); // deletes itself when closed
            return;
        }
        std::unique_ptr<TfrPreviewForm> owner(form);
        form->Show_Modal(report);
    };
    frReportUi().reportDestroyed = [](TfrReportBuilder &report) {
        for (TfrPreviewForm *form : QList<TfrPreviewForm *>(g_forms)) {
            if (form->Report() == &report)
                form->ReportDestroyed();
        }
    };
    frPreparedPagesEvents().shellOpen = [](const QString &address) { QDesktopServices::openUrl(QUrl(address)); };
}
