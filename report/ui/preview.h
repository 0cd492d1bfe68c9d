// The embeddable preview: a panel that shows a report's prepared pages inside another
// window, borrowing the panels (and, with ShowToolbar, the toolbar) of a hidden preview
// window it owns. A report whose Preview points here shows its pages in it instead of
// opening a window.
#pragma once

#include <QFrame>
#include <functional>
#include <memory>

#include "report/engine/prepare.h"

class QMenu;
class QVBoxLayout;
class TfrPreviewForm;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TfrPreview : public QFrame, public TfrEmbeddedPreview {
public:
    explicit TfrPreview(QWidget *parent = nullptr);
    ~TfrPreview() override;

    // ---- published ----
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle style);
    bool ShowToolbar() const { return m_showToolbar; }
    void SetShowToolbar(bool show);
    std::function<void(TfrPreview *sender, int pageNo)> OnPageChanged;
    // The control's own popup menu; the right button opens it instead of the zoom menu.
    QMenu *PopupMenu = nullptr; // not owned

    // ---- TfrEmbeddedPreview ----
    void Connect(TfrReportBuilder *report) override;
    void Disconnect() override;
    void Print() override;

    int Page() const;
    // Values outside 1 … AllPages are ignored.
    void SetPage(int page);
    int Zoom() const;        // percent
    void SetZoom(int percent);
    int AllPages() const;
    void OnePage();
    void TwoPages();
    void PageWidth();
    void First();
    void Next();
    void Prev();
    void Last();
    void SaveToFile();
    void LoadFromFile();
    // Loads the prepared-report file when it exists; clears the control otherwise.
    void LoadFile(const QString &fileName);
    void PageSetupDlg();
    void Edit();
    void Find();
    // Frees the pages and hides the panel.
    void Clear();

    TfrPreviewForm *Window() const { return m_form.get(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyScrollBars();

    std::unique_ptr<TfrPreviewForm> m_form;
    QVBoxLayout *m_layout = nullptr;
    TScrollStyle m_scrollBars = ssBoth;
    bool m_showToolbar = false;
    QWidget *m_wheelSource = nullptr;
};
