#include "report/ui/preview.h"

#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "report/engine/prepared_pages.h"
#include "report/ui/preview_form.h"

TfrPreview::TfrPreview(QWidget *parent) : QFrame(parent), m_form(std::make_unique<TfrPreviewForm>())
{
    setObjectName(QStringLiteral("frPreview"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSpacing(0);
    m_form->SetEmbedded(true);
    m_form->WheelFactor = 3;
    m_form->OnPageChanged = [this](int page) {
        if (OnPageChanged)
            OnPageChanged(this, page);
    };
    m_form->Localize();
    SetScrollBars(ssBoth);
}

TfrPreview::~TfrPreview()
{
    if (m_wheelSource)
        m_wheelSource->removeEventFilter(this);
    if (TfrReportBuilder *report = m_form->Report())
        if (report->Preview == this)
            report->Preview = nullptr;
    // The borrowed panels go back before their window is destroyed.
    m_form->AdoptPanels();
}

void TfrPreview::SetScrollBars(TScrollStyle style)
{
    m_scrollBars = style;
    applyScrollBars();
}

void TfrPreview::applyScrollBars()
{
    m_form->RPanel->setVisible(m_scrollBars == ssVertical || m_scrollBars == ssBoth);
    m_form->BPanel->setVisible(m_scrollBars == ssHorizontal || m_scrollBars == ssBoth);
}

void TfrPreview::SetShowToolbar(bool show) { m_showToolbar = show; }

void TfrPreview::Connect(TfrReportBuilder *report)
{
    if (!report)
        return;
    TfrPreviewForm &f = *m_form;
    if (m_showToolbar && f.ToolbarPanel->parentWidget() != this) {
        f.ToolbarPanel->setParent(this);
        m_layout->insertWidget(0, f.ToolbarPanel);
    }
    if (f.PreviewPanel->parentWidget() != this) {
        f.PreviewPanel->setParent(this);
        m_layout->addWidget(f.PreviewPanel, 1);
    }
    if (m_showToolbar)
        f.ToolbarPanel->show();
    f.PreviewPanel->show();
    applyScrollBars();
    f.Connect(report);
    f.InitButtons();
    f.RedrawAll(true);
    f.HostPopupMenu = PopupMenu;
    // The mouse wheel anywhere on the window scrolls the pages.
    QWidget *top = window();
    if (top != m_wheelSource) {
        if (m_wheelSource)
            m_wheelSource->removeEventFilter(this);
        m_wheelSource = top;
        if (top && top != this)
            top->installEventFilter(this);
    }
}

bool TfrPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_wheelSource && event->type() == QEvent::Wheel && m_form->Pages()) {
        const int steps = static_cast<QWheelEvent *>(event)->angleDelta().y() / 120;
        if (steps != 0)
            m_form->BoxWheel(steps);
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void TfrPreview::Disconnect() { m_form->ConnectBack(); }

void TfrPreview::Print() { m_form->PrintBtnClick(); }

int TfrPreview::Page() const { return m_form->CurPage(); }

void TfrPreview::SetPage(int page) { m_form->SetCurPage(page); }

int TfrPreview::Zoom() const { return int(std::lround(m_form->Zoom() * 100)); }

void TfrPreview::SetZoom(int percent) { m_form->SetZoomPercent(percent); }

int TfrPreview::AllPages() const { return m_form->PageCount(); }

void TfrPreview::OnePage() { m_form->SetMode(mdOnePage); }
void TfrPreview::TwoPages() { m_form->SetMode(mdTwoPages); }
void TfrPreview::PageWidth() { m_form->SetMode(mdPageWidth); }

void TfrPreview::First() { SetPage(1); }
void TfrPreview::Next() { SetPage(Page() + 1); }
void TfrPreview::Prev() { SetPage(Page() - 1); }
void TfrPreview::Last() { SetPage(AllPages()); }

void TfrPreview::SaveToFile() { m_form->SaveBtnClick(); }
void TfrPreview::LoadFromFile() { m_form->LoadBtnClick(); }

void TfrPreview::LoadFile(const QString &fileName)
{
    if (!QFileInfo::exists(fileName)) {
        Clear();
        return;
    }
    m_form->LoadFromFile(fileName);
    if (m_form->Pages())
        m_form->PreviewPanel->show();
}

void TfrPreview::PageSetupDlg() { m_form->PageSetupBtnClick(); }
void TfrPreview::Edit() { m_form->EditBtnClick(); }
void TfrPreview::Find() { m_form->FindBtnClick(); }

void TfrPreview::Clear()
{
    m_form->setPages(nullptr);
    m_form->PreviewPanel->hide();
    m_form->ShowPageNum();
}
