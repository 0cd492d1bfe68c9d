#include "report/designer/designer_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <algorithm>
#include <cerrno>
#include <cmath>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>
#endif

#include "report/designer/alignment.h"
#include "report/designer/band_layout.h"
#include "report/designer/data_tree.h"
#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/format_toolbars.h"
#include "report/designer/object_inspector.h"
#include "report/designer/settings_dialog.h"
#include "report/engine/report_builder.h"
#include "report/eval/globals.h"
#include "report/eval/strings.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/subreport_view.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"
#include "report/model/view.h"
#include "report/ui/preview_form.h"

namespace {

constexpr int kMbYesNo = 4, kMbYesNoCancel = 3, kMbIconError = 16, kMbIconQuestion = 32;
constexpr int kMrYes = 6, kMrNo = 7;
constexpr int kMaxRecent = 8;
const QString kTitleSuffix = QStringLiteral(" — Дизайнер отчётов");
const QString kFileFilter = QStringLiteral("Отчёты (*.frf);;Шаблоны (*.frt);;Все файлы (*)");
const QList<int> kZoomSteps = {25, 50, 75, 100, 150, 200, 300, 400};

// The bands a person picks from, in the order the menus list them.
const QList<int> kBandMenuOrder = {
    btReportTitle,   btReportSummary, btPageHeader,      btPageFooter,    btMasterHeader,    btMasterData,
    btMasterFooter,  btDetailHeader,  btDetailData,      btDetailFooter,  btSubDetailHeader, btSubDetailData,
    btSubDetailFooter, btOverlay,     btColumnHeader,    btColumnFooter,  btGroupHeader,     btGroupFooter,
    btCrossHeader,   btCrossData,     btCrossFooter,     btChild,
};

struct ObjectTool {
    int type;
    const char *id;
    const char *caption;
    const char *glyph;
};
const ObjectTool kObjectTools[] = {
    {otMemo, "memo", "Текст", "A"},
    {otPicture, "picture", "Рисунок", "picture"},
    {otSubReport, "subreport", "Вложенный отчёт", "subreport"},
    {otLine, "line", "Линия", "╱"},
};

struct AlignItem {
    TfrAlignCommand command;
    const char *id;
    const char *caption;
    const char *glyph;
};
const AlignItem kAlignItems[] = {
    {TfrAlignCommand::Lefts, "align_lefts", "Выровнять по левому краю", "⇤"},
    {TfrAlignCommand::Centres, "align_centres", "Выровнять центры по горизонтали", "↔"},
    {TfrAlignCommand::Rights, "align_rights", "Выровнять по правому краю", "⇥"},
    {TfrAlignCommand::Tops, "align_tops", "Выровнять по верхнему краю", "⤒"},
    {TfrAlignCommand::Middles, "align_middles", "Выровнять центры по вертикали", "↕"},
    {TfrAlignCommand::Bottoms, "align_bottoms", "Выровнять по нижнему краю", "⤓"},
    {TfrAlignCommand::SameWidth, "align_same_width", "Одинаковая ширина", "W"},
    {TfrAlignCommand::SameHeight, "align_same_height", "Одинаковая высота", "H"},
    {TfrAlignCommand::SpaceAcross, "align_space_across", "Равные промежутки по горизонтали", "⋯"},
    {TfrAlignCommand::SpaceDown, "align_space_down", "Равные промежутки по вертикали", "⋮"},
    {TfrAlignCommand::CentreInBandAcross, "align_centre_band_across", "По центру бэнда по горизонтали", "⊟"},
    {TfrAlignCommand::CentreInBandDown, "align_centre_band_down", "По центру бэнда по вертикали", "⊞"},
    {TfrAlignCommand::ToGrid, "align_to_grid", "Выровнять по сетке", "#"},
};

// A small icon with a glyph, so every tool button has a picture of the same size. A few
// pictures are drawn, since the usual fonts have no glyph for them.
QIcon glyphIcon(const QString &glyph)
{
    QPixmap pm(22, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor ink(40, 60, 110);
    p.setPen(QPen(ink, 1.5));
    auto sheet = [&p](QRectF r) {
        p.setBrush(Qt::white);
        p.drawRect(r);
    };
    if (glyph == QLatin1String("copy")) {
        sheet(QRectF(3.5, 3.5, 10, 12));
        sheet(QRectF(8.5, 7.5, 10, 12));
    } else if (glyph == QLatin1String("paste")) {
        p.setBrush(QColor(210, 180, 120));
        p.drawRect(QRectF(4.5, 4.5, 13, 15));
        sheet(QRectF(8.5, 2.5, 5, 4));
        sheet(QRectF(9.5, 9.5, 9, 10));
    } else if (glyph == QLatin1String("preview")) {
        sheet(QRectF(3.5, 2.5, 11, 15));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(13, 13), 4, 4);
        p.drawLine(QPointF(16, 16), QPointF(20, 20));
    } else if (glyph == QLatin1String("subreport")) {
        sheet(QRectF(3.5, 3.5, 15, 15));
        p.setBrush(QColor(200, 215, 240));
        p.drawRect(QRectF(7.5, 7.5, 8, 8));
    } else if (glyph == QLatin1String("picture")) {
        sheet(QRectF(3.5, 4.5, 15, 13));
        p.setBrush(QColor(120, 170, 90));
        p.drawPolygon(QPolygonF({QPointF(5, 16), QPointF(10, 9), QPointF(14, 14), QPointF(17, 11), QPointF(17, 16)}));
    } else {
        QFont f = p.font();
        f.setPixelSize(glyph.size() > 1 ? 11 : 16);
        f.setBold(true);
        p.setFont(f);
        p.drawText(pm.rect(), Qt::AlignCenter, glyph);
    }
    return QIcon(pm);
}

// The band types as the menus and the structure name them: as the canvas's captions do.
QString bandTypeName(int type) { return frDesignerBandName(type); }

QString pageTitle(const TfrPage &page, int index)
{
    return page.Name.isEmpty() ? QStringLiteral("Страница %1").arg(index + 1) : page.Name;
}

bool processAlive(qint64 pid)
{
#ifdef Q_OS_UNIX
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(pid);
    return false;
#endif
}

QString recoveryFolder()
{
    QString folder = frDesignerSettings().recoveryFolder;
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                 QStringLiteral("/frdesigner/recovery");
    }
    QDir().mkpath(folder);
    return folder;
}

// Windows of one process write recovery files of their own.
int nextRecoverySerial()
{
    static int serial = 0;
    return ++serial;
}

// A ruler beside the page in millimetres from the paper's edge, with the pointer marked.
class TfrRuler : public QWidget {
public:
    TfrRuler(Qt::Orientation orientation, TfrDesignerCanvas &canvas, QWidget *parent)
        : QWidget(parent), m_orientation(orientation), m_canvas(canvas)
    {
        if (orientation == Qt::Horizontal)
            setFixedHeight(20);
        else
            setFixedWidth(20);
        setObjectName(orientation == Qt::Horizontal ? QStringLiteral("ruler_top") : QStringLiteral("ruler_left"));
    }
    void SetPointer(double designPos)
    {
        m_pointer = designPos;
        update();
    }

protected:
    // Where a design coordinate falls on this ruler.
    double at(double design) const
    {
        const QPointF onCanvas = m_canvas.ToWidget(m_orientation == Qt::Horizontal ? QPointF(design, 0) : QPointF(0, design));
        const QPoint here = mapFromGlobal(m_canvas.mapToGlobal(onCanvas.toPoint()));
        return m_orientation == Qt::Horizontal ? here.x() : here.y();
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        p.setPen(palette().color(QPalette::Mid));
        const bool across = m_orientation == Qt::Horizontal;
        const int length = across ? width() : height();
        const int depth = across ? height() : width();
        QFont f = font();
        f.setPixelSize(9);
        p.setFont(f);
        const double pxPerMm = frDesignPixelsPerInch / 25.4;
        const double zoom = std::max(0.01, m_canvas.Zoom() / 100.0);
        const double origin = at(0);
        // Millimetre ticks only while they stay apart.
        const int step = pxPerMm * zoom >= 4 ? 1 : 5;
        const int first = int(std::floor(-origin / (pxPerMm * zoom)));
        const int last = int(std::ceil((length - origin) / (pxPerMm * zoom)));
        p.setPen(palette().color(QPalette::WindowText));
        for (int mm = first - first % step; mm <= last; mm += step) {
            const double pos = origin + mm * pxPerMm * zoom;
            if (pos < 0 || pos > length)
                continue;
            const int tick = mm % 10 == 0 ? depth / 2 : (mm % 5 == 0 ? depth / 3 : depth / 5);
            if (across)
                p.drawLine(QPointF(pos, depth - tick), QPointF(pos, depth));
            else
                p.drawLine(QPointF(depth - tick, pos), QPointF(depth, pos));
            if (mm % 10 == 0 && mm >= 0) {
                const QString label = QString::number(mm / 10);
                if (across)
                    p.drawText(QPointF(pos + 2, 9), label);
                else
                    p.drawText(QPointF(1, pos + 10), label);
            }
        }
        if (m_pointer >= 0) {
            p.setPen(QColor(200, 40, 40));
            const double pos = at(m_pointer);
            if (across)
                p.drawLine(QPointF(pos, 0), QPointF(pos, depth));
            else
                p.drawLine(QPointF(0, pos), QPointF(depth, pos));
        }
    }

private:
    Qt::Orientation m_orientation;
    TfrDesignerCanvas &m_canvas;
    double m_pointer = -1;
};

} // namespace

TfrDesignerSettings &frDesignerSettings()
{
    static TfrDesignerSettings settings;
    return settings;
}

std::unique_ptr<QSettings> frOpenDesignerSettings()
{
    const QString file = frDesignerSettings().settingsFile;
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("journal"),
                                       QStringLiteral("frdesigner"));
}

TfrDesignerDialogs &frDesignerDialogs()
{
    static TfrDesignerDialogs dialogs = [] {
        TfrDesignerDialogs d;
        d.openFileName = [](QWidget *parent, const QString &caption, const QString &filter) {
            return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
        };
        d.saveFileName = [](QWidget *parent, const QString &caption, const QString &filter, const QString &suggested) {
            return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
        };
        return d;
    }();
    return dialogs;
}

struct TfrDesignerWindow::Private {
    TfrDesignerWindow *q = nullptr;
    std::unique_ptr<TfrDesignerDocument> doc;
    bool borrowed = false;
    bool preparedPage = false;
    TfrDesignerCanvas *canvas = nullptr;
    QScrollArea *scroll = nullptr;
    TfrRuler *topRuler = nullptr;
    TfrRuler *leftRuler = nullptr;
    QWidget *rulerCorner = nullptr;
    TfrObjectInspector *inspector = nullptr;
    QTreeWidget *structure = nullptr;
    TfrDataTree *dataTree = nullptr;
    QTabBar *tabs = nullptr;
    QLabel *pointerLabel = nullptr;
    QLabel *selectionLabel = nullptr;
    QComboBox *zoomBox = nullptr;
    QMenu *recentMenu = nullptr;
    QActionGroup *toolGroup = nullptr;
    QAction *selectTool = nullptr;
    QTimer recoveryTimer;
    QTimer structureTimer;
    QString recoveryFile;
    QStringList recent;
    int units = 0;
    QPointF pointer;
    bool pointerKnown = false;
    bool syncingSelection = false;
    bool closing = false;
    int result = 2;

    void message(const QString &text, int flags) const
    {
        frMessageBox(text, QStringLiteral("Дизайнер отчётов"), flags);
    }
    QAction *action(const QString &id, const QString &text, const QKeySequence &key = {})
    {
        auto *a = new QAction(text, q);
        a->setObjectName(id);
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    }
    QString unitText(double px) const;
    void updateTitle();
    void updateStatus();
    void rebuildTabs();
    void rebuildStructure();
    void syncStructureSelection();
    void structureSelected();
    void updateActions();
    void addRecent(const QString &fileName);
    void rebuildRecent();
    void saveLayout();
    void restoreLayout();
    void setZoom(double percent);
    void preview();
    void addPage();
    void deletePage();
    void paste();
    void editObject(TfrView *view);
    void insertIntoText(const QString &expression);
    void removeRecoveryFile();
};

QString TfrDesignerWindow::Private::unitText(double px) const
{
    const QLocale locale;
    switch (units) {
    case 1: return locale.toString(px * 2.54 / frDesignPixelsPerInch, 'f', 2) + QStringLiteral(" см");
    case 2: return locale.toString(px / frDesignPixelsPerInch, 'f', 2) + QStringLiteral(" дюйм");
    case 3: return locale.toString(qRound(px)) + QStringLiteral(" пикс");
    default: return locale.toString(px * 25.4 / frDesignPixelsPerInch, 'f', 1) + QStringLiteral(" мм");
    }
}

void TfrDesignerWindow::Private::updateTitle()
{
    QString name = doc->FileName().isEmpty() ? QStringLiteral("Без имени") : QFileInfo(doc->FileName()).fileName();
    if (preparedPage)
        name = QStringLiteral("Подготовленная страница");
    if (doc->IsModified())
        name += QLatin1Char('*');
    q->setWindowTitle(name + kTitleSuffix);
}

void TfrDesignerWindow::Private::updateStatus()
{
    pointerLabel->setText(pointerKnown ? QStringLiteral("X: %1  Y: %2").arg(unitText(pointer.x()), unitText(pointer.y()))
                                       : QString());
    const QList<TfrView *> &sel = doc->Selection();
    if (sel.isEmpty()) {
        selectionLabel->setText(QString());
        return;
    }
    int left = sel.front()->Left, top = sel.front()->Top;
    int right = left + sel.front()->Width, bottom = top + sel.front()->Height;
    for (const TfrView *v : sel) {
        left = std::min(left, v->Left);
        top = std::min(top, v->Top);
        right = std::max(right, v->Left + v->Width);
        bottom = std::max(bottom, v->Top + v->Height);
    }
    QString text = QStringLiteral("Слева: %1  Сверху: %2  Ширина: %3  Высота: %4")
                       .arg(unitText(left), unitText(top), unitText(right - left), unitText(bottom - top));
    if (sel.size() > 1)
        text = QStringLiteral("Выделено: %1  ").arg(sel.size()) + text;
    else
        text = sel.front()->Name + QStringLiteral("  ") + text;
    selectionLabel->setText(text);
}

void TfrDesignerWindow::Private::rebuildTabs()
{
    const QSignalBlocker block(tabs);
    const TfrReport &report = doc->Report();
    while (tabs->count() > report.PageCount())
        tabs->removeTab(tabs->count() - 1);
    for (int i = 0; i < report.PageCount(); ++i) {
        const QString title = pageTitle(*report.Page(i), i);
        if (i < tabs->count())
            tabs->setTabText(i, title);
        else
            tabs->addTab(title);
    }
    tabs->setCurrentIndex(doc->CurrentPageIndex());
}

void TfrDesignerWindow::Private::rebuildStructure()
{
    structureTimer.stop();
    const QSignalBlocker block(structure);
    structure->clear();
    const TfrReport &report = doc->Report();
    auto viewItem = [](QTreeWidgetItem *parent, const TfrView &v, int pageIndex) {
        auto *item = new QTreeWidgetItem(parent, {v.Name});
        item->setData(0, Qt::UserRole, pageIndex);
        item->setData(0, Qt::UserRole + 1, v.objectNumber);
        return item;
    };
    for (int p = 0; p < report.PageCount(); ++p) {
        const TfrPage &page = *report.Page(p);
        auto *pageItem = new QTreeWidgetItem(structure, {pageTitle(page, p)});
        pageItem->setData(0, Qt::UserRole, p);
        pageItem->setData(0, Qt::UserRole + 1, 0);
        QSet<qint32> placed;
        for (TfrBandView *band : frPageBands(page)) {
            QTreeWidgetItem *bandItem = viewItem(pageItem, *band, p);
            bandItem->setText(0, band->Name + QStringLiteral(": ") + bandTypeName(band->FrameTyp));
            placed.insert(band->objectNumber);
            for (TfrView *v : frObjectsOfBand(page, *band)) {
                if (placed.contains(v->objectNumber))
                    continue;
                viewItem(bandItem, *v, p);
                placed.insert(v->objectNumber);
            }
        }
        for (const auto &v : page.Objects)
            if (!placed.contains(v->objectNumber))
                viewItem(pageItem, *v, p);
        pageItem->setExpanded(p == doc->CurrentPageIndex());
        if (p == doc->CurrentPageIndex())
            for (int i = 0; i < pageItem->childCount(); ++i)
                pageItem->child(i)->setExpanded(true);
    }
    syncStructureSelection();
}

void TfrDesignerWindow::Private::syncStructureSelection()
{
    const QSignalBlocker block(structure);
    structure->clearSelection();
    QSet<qint32> ids;
    for (const TfrView *v : doc->Selection())
        ids.insert(v->objectNumber);
    const int page = doc->CurrentPageIndex();
    QTreeWidgetItemIterator it(structure);
    for (; *it; ++it) {
        QTreeWidgetItem *item = *it;
        const qint32 id = item->data(0, Qt::UserRole + 1).toInt();
        if (id != 0 && item->data(0, Qt::UserRole).toInt() == page && ids.contains(id)) {
            item->setSelected(true);
            structure->scrollToItem(item);
        }
    }
}

void TfrDesignerWindow::Private::structureSelected()
{
    if (syncingSelection)
        return;
    const QList<QTreeWidgetItem *> items = structure->selectedItems();
    if (items.isEmpty())
        return;
    const int page = items.front()->data(0, Qt::UserRole).toInt();
    syncingSelection = true;
    doc->SetCurrentPage(page);
    QList<TfrView *> views;
    if (TfrPage *p = doc->CurrentPage()) {
        for (QTreeWidgetItem *item : items) {
            if (item->data(0, Qt::UserRole).toInt() != page)
                continue;
            const int at = p->FindObjectByID(item->data(0, Qt::UserRole + 1).toInt());
            if (at >= 0)
                views.append(p->Objects[size_t(at)].get());
        }
    }
    doc->SetSelection(views);
    syncingSelection = false;
    canvas->update();
}

void TfrDesignerWindow::Private::updateActions()
{
    const bool any = !doc->Selection().isEmpty();
    q->Action(QStringLiteral("action_cut"))->setEnabled(any);
    q->Action(QStringLiteral("action_copy"))->setEnabled(any);
    q->Action(QStringLiteral("action_delete"))->setEnabled(any);
    q->Action(QStringLiteral("action_bring_to_front"))->setEnabled(any);
    q->Action(QStringLiteral("action_send_to_back"))->setEnabled(any);
    q->Action(QStringLiteral("action_delete_page"))->setEnabled(doc->Report().PageCount() > 1 && !preparedPage);
    q->Action(QStringLiteral("action_paste"))->setEnabled(doc->CanPaste(QApplication::clipboard()->mimeData()));
}

void TfrDesignerWindow::Private::addRecent(const QString &fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kMaxRecent)
        recent.removeLast();
    rebuildRecent();
    frOpenDesignerSettings()->setValue(QStringLiteral("Designer/recentFiles"), recent);
}

void TfrDesignerWindow::Private::rebuildRecent()
{
    recentMenu->clear();
    for (int i = 0; i < recent.size(); ++i) {
        QAction *a = recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(recent.at(i)));
        a->setObjectName(QStringLiteral("recent_%1").arg(i));
        const QString file = recent.at(i);
        QObject::connect(a, &QAction::triggered, q, [this, file] { q->OpenFile(file); });
    }
    recentMenu->setEnabled(!recent.isEmpty() && !borrowed);
}

void TfrDesignerWindow::Private::saveLayout()
{
    auto s = frOpenDesignerSettings();
    s->setValue(QStringLiteral("Designer/geometry"), q->saveGeometry());
    s->setValue(QStringLiteral("Designer/state"), q->saveState());
    s->setValue(QStringLiteral("Designer/zoom"), canvas->Zoom());
    s->setValue(QStringLiteral("Designer/grid"), canvas->GridSize());
    s->setValue(QStringLiteral("Designer/showGrid"), canvas->ShowGrid());
    s->setValue(QStringLiteral("Designer/alignToGrid"), canvas->AlignToGrid());
    s->setValue(QStringLiteral("Designer/guides"), canvas->ShowGuides());
    s->setValue(QStringLiteral("Designer/units"), units);
    s->setValue(QStringLiteral("Designer/rulers"), q->Action(QStringLiteral("action_rulers"))->isChecked());
    s->setValue(QStringLiteral("Designer/recentFiles"), recent);
}

void TfrDesignerWindow::Private::restoreLayout()
{
    auto s = frOpenDesignerSettings();
    recent = s->value(QStringLiteral("Designer/recentFiles")).toStringList().mid(0, kMaxRecent);
    rebuildRecent();
    units = std::clamp(s->value(QStringLiteral("Designer/units"), 0).toInt(), 0, 3);
    canvas->SetGridSize(std::clamp(s->value(QStringLiteral("Designer/grid"), 4).toInt(), 1, 100));
    canvas->SetShowGrid(s->value(QStringLiteral("Designer/showGrid"), true).toBool());
    canvas->SetAlignToGrid(s->value(QStringLiteral("Designer/alignToGrid"), true).toBool());
    canvas->SetShowGuides(s->value(QStringLiteral("Designer/guides"), true).toBool());
    setZoom(std::clamp(s->value(QStringLiteral("Designer/zoom"), 100.0).toDouble(), 25.0, 400.0));

    QScreen *screen = q->screen() ? q->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    // Room for a window manager's frame and title.
    const QSize fallback(std::min(1600, avail.width() - 16), std::min(1000, avail.height() - 40));
    q->setGeometry(QRect(avail.topLeft(), fallback));
    const QByteArray geometry = s->value(QStringLiteral("Designer/geometry")).toByteArray();
    if (geometry.isEmpty())
        return;
    const QRect before = q->geometry();
    // A layout saved on a larger screen would put the window partly out of reach: it is
    // ignored, bars and docks included, since they were arranged for that size.
    if (!q->restoreGeometry(geometry) || !avail.adjusted(-8, -8, 8, 8).contains(q->frameGeometry()) ||
        q->width() > avail.width() || q->height() > avail.height()) {
        q->setGeometry(before);
        return;
    }
    q->restoreState(s->value(QStringLiteral("Designer/state")).toByteArray());
}

void TfrDesignerWindow::Private::setZoom(double percent)
{
    canvas->SetZoom(std::clamp(percent, 25.0, 400.0));
    const QSignalBlocker block(zoomBox);
    zoomBox->setEditText(QStringLiteral("%1 %").arg(qRound(canvas->Zoom())));
}

void TfrDesignerWindow::Private::preview()
{
    // The copy is prepared; the designer's objects, selection and history stay as they are.
    TfrReport *const savedReport = CurReport;
    TfrPage *const savedPage = CurPage;
    const TfrDocMode savedMode = DocMode;
    {
        std::unique_ptr<TfrReport> copy = doc->Report().Clone();
        TfrReportBuilder builder(*copy);
        builder.ShowReport();
    }
    CurReport = savedReport;
    CurPage = savedPage;
    DocMode = savedMode;
    // Preparing may leave shared settings the views read while they draw (the printer's).
    canvas->Redraw();
}

void TfrDesignerWindow::Private::addPage()
{
    TfrReport &report = doc->Report();
    doc->Edit(QStringLiteral("Добавить страницу"), [&] {
        TfrReport *saved = CurReport;
        CurReport = &report;
        report.Pages.Add()->CreateUniqueName();
        CurReport = saved;
    });
    doc->SetCurrentPage(report.PageCount() - 1);
}

void TfrDesignerWindow::Private::deletePage()
{
    TfrReport &report = doc->Report();
    if (report.PageCount() <= 1)
        return;
    if (frMessageBox(frLoadStr(55005), frLoadStr(55006), kMbYesNo | kMbIconQuestion) != kMrYes)
        return;
    const int index = doc->CurrentPageIndex();
    doc->Edit(QStringLiteral("Удалить страницу"), [&] { report.Pages.Delete(index); });
}

void TfrDesignerWindow::Private::paste()
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    std::optional<QPoint> at;
    // Over the page (a context menu there included): where the pointer last was on it.
    if (pointerKnown && canvas->visibleRegion().contains(canvas->mapFromGlobal(QCursor::pos())))
        at = pointer.toPoint();
    doc->Paste(data, at);
}

void TfrDesignerWindow::Private::editObject(TfrView *view)
{
    if (!view || (view->Restrictions & frrfDontModify))
        return;
    if (view->Typ == otSubReport) {
        const int page = static_cast<TfrSubReportView *>(view)->subPageIndex;
        if (page >= 0 && page < doc->Report().PageCount())
            doc->SetCurrentPage(page);
        return;
    }
    // The plain editor of the lines, when one is set in place of the designer's editors.
    if (view->Typ != otMemo || !frDesignerDialogs().editText) {
        frEditObject(q, *doc, view->Name);
        return;
    }
    if (view->Restrictions & frrfDontEditMemo)
        return;
    QString text = view->Memo.join(QLatin1Char('\n'));
    if (!frDesignerDialogs().editText(q, text))
        return;
    const QString name = view->Name;
    doc->Edit(QStringLiteral("Текст"), [&] {
        if (TfrView *v = doc->CurrentPage()->FindObject(name))
            doc->Report().SetProperty(*v, QStringLiteral("Memo"), TfrVariant(text));
    });
}

// Double-click in the data tree: the item goes at the end of the one selected text object.
void TfrDesignerWindow::Private::insertIntoText(const QString &expression)
{
    const QList<TfrView *> selection = doc->Selection();
    TfrView *view = selection.size() == 1 ? selection.front() : nullptr;
    if (!view || view->Typ != otMemo || (view->Restrictions & (frrfDontEditMemo | frrfDontModify))) {
        q->statusBar()->showMessage(QStringLiteral("Выделите один текстовый объект, чтобы вставить «%1»").arg(expression),
                                    5000);
        return;
    }
    QStringList lines = view->Memo;
    const QString item = QLatin1Char('[') + expression + QLatin1Char(']');
    if (lines.isEmpty() || (lines.size() == 1 && lines.front().isEmpty()))
        lines = QStringList{item};
    else
        lines.back() += item;
    const QString name = view->Name;
    doc->Edit(QStringLiteral("Текст"), [&] {
        if (TfrView *v = doc->CurrentPage()->FindObject(name))
            doc->Report().SetProperty(*v, QStringLiteral("Memo"), TfrVariant(lines.join(QLatin1String("\r\n"))));
    });
}

void TfrDesignerWindow::Private::removeRecoveryFile()
{
    QFile::remove(recoveryFile);
    QFile::remove(recoveryFile + QStringLiteral(".source"));
}

// ---- the window ----

TfrDesignerWindow::TfrDesignerWindow(QWidget *parent) : QMainWindow(parent), d(std::make_unique<Private>())
{
    d->doc = std::make_unique<TfrDesignerDocument>();
    setUp();
}

TfrDesignerWindow::TfrDesignerWindow(TfrReport &report, bool preparedPage, QWidget *parent)
    : QMainWindow(parent), d(std::make_unique<Private>())
{
    d->doc = std::make_unique<TfrDesignerDocument>(report);
    d->borrowed = true;
    d->preparedPage = preparedPage;
    setUp();
}

TfrDesignerWindow::~TfrDesignerWindow()
{
    d->recoveryTimer.stop();
    d->structureTimer.stop();
    d->removeRecoveryFile();
    // Nothing here hears the document while it goes, and the widgets that watch it go first.
    d->doc->disconnect(this);
    d->doc->UndoStack().disconnect();
    delete takeCentralWidget();
    for (QDockWidget *dock : findChildren<QDockWidget *>())
        delete dock;
}

void TfrDesignerWindow::setUp()
{
    d->q = this;
    TfrDesignerDocument &doc = *d->doc;
    setObjectName(QStringLiteral("TfrDesignerWindow"));
    d->recoveryFile = QDir(recoveryFolder())
                          .filePath(QStringLiteral("recovery-%1-%2.frf")
                                        .arg(QCoreApplication::applicationPid())
                                        .arg(nextRecoverySerial()));

    // ---- centre: the canvas in a scroll area, the page tabs under it ----
    auto *centre = new QWidget(this);
    auto *layout = new QGridLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    d->scroll = new QScrollArea(centre);
    d->scroll->setObjectName(QStringLiteral("canvas_scroll"));
    d->scroll->setBackgroundRole(QPalette::Dark);
    d->scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    d->canvas = new TfrDesignerCanvas(doc);
    d->canvas->setObjectName(QStringLiteral("canvas"));
    d->scroll->setWidget(d->canvas);
    d->topRuler = new TfrRuler(Qt::Horizontal, *d->canvas, centre);
    d->leftRuler = new TfrRuler(Qt::Vertical, *d->canvas, centre);
    d->rulerCorner = new QWidget(centre);
    d->rulerCorner->setFixedSize(20, 20);
    d->tabs = new QTabBar(centre);
    d->tabs->setObjectName(QStringLiteral("page_tabs"));
    d->tabs->setShape(QTabBar::RoundedSouth);
    d->tabs->setExpanding(false);
    layout->addWidget(d->rulerCorner, 0, 0);
    layout->addWidget(d->topRuler, 0, 1);
    layout->addWidget(d->leftRuler, 1, 0);
    layout->addWidget(d->scroll, 1, 1);
    layout->addWidget(d->tabs, 2, 0, 1, 2);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(1, 1);
    auto followRulers = [this] {
        d->topRuler->update();
        d->leftRuler->update();
    };
    connect(d->scroll->horizontalScrollBar(), &QScrollBar::valueChanged, this, followRulers);
    connect(d->scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, followRulers);
    connect(d->scroll->horizontalScrollBar(), &QScrollBar::rangeChanged, this, followRulers);
    connect(d->scroll->verticalScrollBar(), &QScrollBar::rangeChanged, this, followRulers);
    setCentralWidget(centre);

    // ---- docks ----
    auto *inspectorDock = new QDockWidget(QStringLiteral("Инспектор объектов"), this);
    inspectorDock->setObjectName(QStringLiteral("dock_inspector"));
    d->inspector = new TfrObjectInspector(doc, inspectorDock);
    d->inspector->setObjectName(QStringLiteral("inspector"));
    inspectorDock->setWidget(d->inspector);
    addDockWidget(Qt::RightDockWidgetArea, inspectorDock);
    auto *structureDock = new QDockWidget(QStringLiteral("Структура отчёта"), this);
    structureDock->setObjectName(QStringLiteral("dock_structure"));
    d->structure = new QTreeWidget(structureDock);
    d->structure->setObjectName(QStringLiteral("structure"));
    d->structure->setHeaderHidden(true);
    d->structure->setSelectionMode(QAbstractItemView::ExtendedSelection);
    structureDock->setWidget(d->structure);
    addDockWidget(Qt::RightDockWidgetArea, structureDock);
    splitDockWidget(inspectorDock, structureDock, Qt::Vertical);
    auto *dataDock = new QDockWidget(QStringLiteral("Дерево данных"), this);
    dataDock->setObjectName(QStringLiteral("dock_data_tree"));
    d->dataTree = new TfrDataTree(doc, dataDock);
    d->dataTree->setObjectName(QStringLiteral("data_tree_panel"));
    connect(d->dataTree, &TfrDataTree::InsertRequested, this, [this](const QString &text) { d->insertIntoText(text); });
    dataDock->setWidget(d->dataTree);
    addDockWidget(Qt::RightDockWidgetArea, dataDock);
    // On a small screen two docks under the inspector share one place as tabs.
    tabifyDockWidget(structureDock, dataDock);
    structureDock->raise();
    resizeDocks({inspectorDock}, {300}, Qt::Horizontal);

    // ---- status bar ----
    d->pointerLabel = new QLabel(this);
    d->pointerLabel->setObjectName(QStringLiteral("status_pointer"));
    d->pointerLabel->setMinimumWidth(200);
    d->selectionLabel = new QLabel(this);
    d->selectionLabel->setObjectName(QStringLiteral("status_selection"));
    statusBar()->addWidget(d->pointerLabel);
    statusBar()->addWidget(d->selectionLabel, 1);

    // ---- actions ----
    auto A = [this](const char *id, const QString &text, const QKeySequence &key = {}) {
        return d->action(QString::fromLatin1(id), text, key);
    };
    const QStyle *st = style();
    QAction *aNew = A("action_new", QStringLiteral("Новый"), QKeySequence::New);
    aNew->setIcon(st->standardIcon(QStyle::SP_FileIcon));
    QAction *aNewTemplate = A("action_new_from_template", QStringLiteral("Новый из шаблона…"));
    QAction *aOpen = A("action_open", QStringLiteral("Открыть…"), QKeySequence::Open);
    aOpen->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    QAction *aSave = A("action_save", QStringLiteral("Сохранить"), QKeySequence::Save);
    aSave->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    QAction *aSaveAs = A("action_save_as", QStringLiteral("Сохранить как…"), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    QAction *aSaveTemplate = A("action_save_as_template", QStringLiteral("Сохранить как шаблон…"));
    QAction *aPreview = A("action_preview", QStringLiteral("Предварительный просмотр"), QKeySequence(QStringLiteral("Ctrl+P")));
    aPreview->setIcon(glyphIcon(QStringLiteral("preview")));
    QAction *aPageSetup = A("action_page_setup", QStringLiteral("Параметры страницы…"));
    QAction *aExit = A("action_exit", QStringLiteral("Выход"));

    QAction *aUndo = A("action_undo", QStringLiteral("Отменить"), QKeySequence::Undo);
    aUndo->setIcon(st->standardIcon(QStyle::SP_ArrowBack));
    QAction *aRedo = A("action_redo", QStringLiteral("Повторить"));
    aRedo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    aRedo->setIcon(st->standardIcon(QStyle::SP_ArrowForward));
    QAction *aCut = A("action_cut", QStringLiteral("Вырезать"), QKeySequence::Cut);
    aCut->setIcon(glyphIcon(QStringLiteral("✂")));
    QAction *aCopy = A("action_copy", QStringLiteral("Копировать"), QKeySequence::Copy);
    aCopy->setIcon(glyphIcon(QStringLiteral("copy")));
    QAction *aPaste = A("action_paste", QStringLiteral("Вставить"), QKeySequence::Paste);
    aPaste->setIcon(glyphIcon(QStringLiteral("paste")));
    QAction *aDelete = A("action_delete", QStringLiteral("Удалить"), QKeySequence(Qt::Key_Delete));
    QAction *aSelectAll = A("action_select_all", QStringLiteral("Выделить всё"), QKeySequence::SelectAll);
    QAction *aFront = A("action_bring_to_front", QStringLiteral("На передний план"));
    aFront->setIcon(glyphIcon(QStringLiteral("▲")));
    QAction *aBack = A("action_send_to_back", QStringLiteral("На задний план"));
    aBack->setIcon(glyphIcon(QStringLiteral("▼")));

    QAction *aDictionary = A("action_data_dictionary", QStringLiteral("Словарь данных…"));
    QAction *aReportOptions = A("action_report_options", QStringLiteral("Параметры отчёта…"));
    QAction *aScript = A("action_report_script", QStringLiteral("Скрипт отчёта…"));
    QAction *aAddPage = A("action_add_page", QStringLiteral("Добавить страницу"));
    QAction *aDeletePage = A("action_delete_page", QStringLiteral("Удалить страницу"));
    QAction *aSettings = A("action_settings", QStringLiteral("Настройки…"));
    connect(aSettings, &QAction::triggered, this, [this] { EditSettings(); });
    if (d->preparedPage)
        aAddPage->setEnabled(false);
    if (d->borrowed)
        for (QAction *a : {aNew, aOpen})
            a->setEnabled(false);

    // ---- menus ----
    QMenu *file = menuBar()->addMenu(QStringLiteral("Файл"));
    file->setObjectName(QStringLiteral("menu_file"));
    file->addActions({aNew, aNewTemplate, aOpen});
    d->recentMenu = file->addMenu(QStringLiteral("Последние файлы"));
    d->recentMenu->setObjectName(QStringLiteral("menu_recent"));
    file->addSeparator();
    file->addActions({aSave, aSaveAs, aSaveTemplate});
    file->addSeparator();
    file->addActions({aPreview, aPageSetup});
    file->addSeparator();
    file->addAction(aExit);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("Правка"));
    edit->setObjectName(QStringLiteral("menu_edit"));
    edit->addActions({aUndo, aRedo});
    edit->addSeparator();
    edit->addActions({aCut, aCopy, aPaste, aDelete, aSelectAll});
    edit->addSeparator();
    edit->addActions({aFront, aBack});

    QMenu *view = menuBar()->addMenu(QStringLiteral("Вид"));
    view->setObjectName(QStringLiteral("menu_view"));
    QMenu *zoomMenu = view->addMenu(QStringLiteral("Масштаб"));
    zoomMenu->setObjectName(QStringLiteral("menu_zoom"));
    for (int z : kZoomSteps) {
        QAction *a = A(QStringLiteral("zoom_%1").arg(z).toLatin1().constData(), QStringLiteral("%1 %").arg(z));
        connect(a, &QAction::triggered, this, [this, z] { d->setZoom(z); });
        zoomMenu->addAction(a);
    }
    zoomMenu->addSeparator();
    QAction *aPageWidth = A("zoom_page_width", QStringLiteral("По ширине страницы"));
    QAction *aWholePage = A("zoom_whole_page", QStringLiteral("Страница целиком"));
    QAction *aZoomIn = A("zoom_in", QStringLiteral("Крупнее"), QKeySequence::ZoomIn);
    QAction *aZoomOut = A("zoom_out", QStringLiteral("Мельче"), QKeySequence::ZoomOut);
    zoomMenu->addActions({aPageWidth, aWholePage, aZoomIn, aZoomOut});
    connect(aPageWidth, &QAction::triggered, this,
            [this] { d->setZoom(d->canvas->PageWidthZoom(d->scroll->viewport()->size())); });
    connect(aWholePage, &QAction::triggered, this,
            [this] { d->setZoom(d->canvas->WholePageZoom(d->scroll->viewport()->size())); });
    connect(aZoomIn, &QAction::triggered, this, [this] {
        const double z = d->canvas->Zoom();
        auto it = std::find_if(kZoomSteps.begin(), kZoomSteps.end(), [z](int s) { return s > z + 0.5; });
        d->setZoom(it == kZoomSteps.end() ? 400 : *it);
    });
    connect(aZoomOut, &QAction::triggered, this, [this] {
        const double z = d->canvas->Zoom();
        auto it = std::find_if(kZoomSteps.rbegin(), kZoomSteps.rend(), [z](int s) { return s < z - 0.5; });
        d->setZoom(it == kZoomSteps.rend() ? 25 : *it);
    });
    QAction *aGrid = A("action_show_grid", QStringLiteral("Сетка"));
    aGrid->setCheckable(true);
    QAction *aSnap = A("action_align_to_grid", QStringLiteral("Выравнивать по сетке"));
    aSnap->setCheckable(true);
    QAction *aGuides = A("action_show_guides", QStringLiteral("Направляющие"));
    aGuides->setCheckable(true);
    QAction *aRulers = A("action_rulers", QStringLiteral("Линейки"));
    aRulers->setCheckable(true);
    connect(aRulers, &QAction::toggled, this, [this](bool on) {
        d->topRuler->setVisible(on);
        d->leftRuler->setVisible(on);
        d->rulerCorner->setVisible(on);
    });
    view->addActions({aGrid, aSnap, aGuides, aRulers});
    connect(aGrid, &QAction::toggled, this, [this](bool on) { d->canvas->SetShowGrid(on); });
    connect(aSnap, &QAction::toggled, this, [this](bool on) { d->canvas->SetAlignToGrid(on); });
    connect(aGuides, &QAction::toggled, this, [this](bool on) { d->canvas->SetShowGuides(on); });
    QMenu *unitsMenu = view->addMenu(QStringLiteral("Единицы"));
    unitsMenu->setObjectName(QStringLiteral("menu_units"));
    auto *unitGroup = new QActionGroup(this);
    const char *unitIds[] = {"units_mm", "units_cm", "units_in", "units_px"};
    const QString unitNames[] = {QStringLiteral("Миллиметры"), QStringLiteral("Сантиметры"), QStringLiteral("Дюймы"),
                                 QStringLiteral("Пиксели")};
    for (int u = 0; u < 4; ++u) {
        QAction *a = A(unitIds[u], unitNames[u]);
        a->setCheckable(true);
        unitGroup->addAction(a);
        unitsMenu->addAction(a);
        connect(a, &QAction::triggered, this, [this, u] { SetUnits(u); });
    }
    QMenu *panels = view->addMenu(QStringLiteral("Панели"));
    panels->setObjectName(QStringLiteral("menu_panels"));

    QMenu *insert = menuBar()->addMenu(QStringLiteral("Вставка"));
    insert->setObjectName(QStringLiteral("menu_insert"));
    QMenu *bandMenu = new QMenu(QStringLiteral("Бэнд"), this);
    bandMenu->setObjectName(QStringLiteral("menu_insert_band"));
    for (int type : kBandMenuOrder) {
        QAction *a = A(QStringLiteral("insert_band_%1").arg(type).toLatin1().constData(), bandTypeName(type));
        connect(a, &QAction::triggered, this, [this, type] {
            d->canvas->InsertBand(type);
            d->canvas->setFocus();
        });
        bandMenu->addAction(a);
    }

    // Objects tool bar: select, then each object type (the band tool offers the band types).
    d->toolGroup = new QActionGroup(this);
    d->selectTool = A("tool_select", QStringLiteral("Выбор"));
    d->selectTool->setIcon(glyphIcon(QStringLiteral("➚")));
    d->selectTool->setCheckable(true);
    d->selectTool->setChecked(true);
    d->toolGroup->addAction(d->selectTool);
    connect(d->selectTool, &QAction::triggered, this, [this] { d->canvas->SetTool(TfrDesignTool{}); });
    QList<QAction *> toolActions{d->selectTool};
    auto addTool = [&](const QString &id, const QString &caption, const QIcon &icon, const TfrDesignTool &tool) {
        QAction *t = d->action(QStringLiteral("tool_") + id, caption);
        t->setIcon(icon);
        t->setCheckable(true);
        d->toolGroup->addAction(t);
        connect(t, &QAction::triggered, this, [this, tool] {
            d->canvas->SetTool(tool);
            d->canvas->setFocus();
        });
        toolActions.append(t);
        QAction *i = d->action(QStringLiteral("insert_object_") + id, caption);
        connect(i, &QAction::triggered, t, &QAction::trigger);
        insert->addAction(i);
    };
    for (const ObjectTool &o : kObjectTools) {
        addTool(QString::fromLatin1(o.id), QString::fromUtf8(o.caption), glyphIcon(QString::fromUtf8(o.glyph)),
                TfrDesignTool{o.type, QString(), -1});
        if (o.type == otMemo) {
            // The band tool sits after the text, as people expect it.
            QAction *bandTool = A("tool_band", QStringLiteral("Бэнд"));
            bandTool->setIcon(glyphIcon(QStringLiteral("☰")));
            bandTool->setMenu(bandMenu);
            connect(bandTool, &QAction::triggered, this, [this, bandMenu] {
                bandMenu->popup(QCursor::pos());
            });
            toolActions.append(bandTool);
        }
    }
    for (const auto &info : frAddIns()) {
        if (!info.registeredClass || info.isDialogControl)
            continue;
        const QString cls = info.registeredClass->className;
        const QString hint = info.toolButtonHint.isEmpty() ? cls : info.toolButtonHint;
        const QIcon icon = info.toolButtonBitmap.isNull() ? glyphIcon(hint.left(1))
                                                          : QIcon(QPixmap::fromImage(info.toolButtonBitmap));
        addTool(QStringLiteral("addin_") + cls, hint, icon, TfrDesignTool{otAddIn, cls, -1});
    }
    insert->addSeparator();
    insert->addMenu(bandMenu);
    connect(d->canvas, &TfrDesignerCanvas::ToolFinished, this, [this] { d->selectTool->setChecked(true); });

    QMenu *report = menuBar()->addMenu(QStringLiteral("Отчёт"));
    report->setObjectName(QStringLiteral("menu_report"));
    report->addActions({aDictionary, aReportOptions, aScript});
    report->addSeparator();
    report->addActions({aAddPage, aDeletePage});
    QMenu *service = menuBar()->addMenu(QStringLiteral("Сервис"));
    service->setObjectName(QStringLiteral("menu_service"));
    service->addAction(aSettings);

    // ---- tool bars ----
    auto bar = [this](const char *id, const QString &title) {
        auto *b = new QToolBar(title, this);
        b->setObjectName(QString::fromLatin1(id));
        b->setMovable(true);
        b->setFloatable(true);
        b->setIconSize(QSize(22, 22));
        return b;
    };
    QToolBar *standard = bar("toolbar_standard", QStringLiteral("Стандартная"));
    standard->addActions({aNew, aOpen, aSave});
    standard->addSeparator();
    standard->addAction(aPreview);
    standard->addSeparator();
    standard->addActions({aUndo, aRedo});
    standard->addSeparator();
    standard->addActions({aCut, aCopy, aPaste});
    standard->addSeparator();
    d->zoomBox = new QComboBox(standard);
    d->zoomBox->setObjectName(QStringLiteral("zoom_box"));
    d->zoomBox->setEditable(true);
    for (int z : kZoomSteps)
        d->zoomBox->addItem(QStringLiteral("%1 %").arg(z), z);
    d->zoomBox->addItem(QStringLiteral("По ширине"), -1);
    d->zoomBox->addItem(QStringLiteral("Страница"), -2);
    d->zoomBox->setMinimumContentsLength(8);
    standard->addWidget(d->zoomBox);
    connect(d->zoomBox, &QComboBox::activated, this, [this, aPageWidth, aWholePage](int index) {
        const int z = d->zoomBox->itemData(index).toInt();
        if (z == -1)
            aPageWidth->trigger();
        else if (z == -2)
            aWholePage->trigger();
        else
            d->setZoom(z);
    });
    connect(d->zoomBox->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        QString t = d->zoomBox->currentText();
        t.remove(QLatin1Char('%'));
        bool ok = false;
        const double z = QLocale().toDouble(t.trimmed(), &ok);
        d->setZoom(ok ? z : d->canvas->Zoom());
    });
    addToolBar(Qt::TopToolBarArea, standard);

    QToolBar *alignBar = bar("toolbar_alignment", QStringLiteral("Выравнивание"));
    for (const AlignItem &item : kAlignItems) {
        QAction *a = A(item.id, QString::fromUtf8(item.caption));
        a->setIcon(glyphIcon(QString::fromUtf8(item.glyph)));
        const TfrAlignCommand command = item.command;
        connect(a, &QAction::triggered, this, [this, command] {
            frAlignSelection(*d->doc, command, d->canvas->GridSize());
            d->canvas->update();
        });
        alignBar->addAction(a);
    }
    alignBar->addSeparator();
    alignBar->addActions({aFront, aBack});
    addToolBar(Qt::TopToolBarArea, alignBar);

    QToolBar *objects = bar("toolbar_objects", QStringLiteral("Объекты"));
    objects->setOrientation(Qt::Vertical);
    objects->addActions(toolActions);
    addToolBar(Qt::LeftToolBarArea, objects);
    if (auto *button = qobject_cast<QToolButton *>(objects->widgetForAction(Action(QStringLiteral("tool_band")))))
        button->setPopupMode(QToolButton::InstantPopup);

    addToolBarBreak(Qt::TopToolBarArea);
    auto *textBar = new TfrTextToolBar(doc, this);
    addToolBar(Qt::TopToolBarArea, textBar);
    auto *frameBar = new TfrFrameToolBar(doc, this);
    addToolBar(Qt::TopToolBarArea, frameBar);

    for (QToolBar *b : {standard, alignBar, objects, static_cast<QToolBar *>(textBar), static_cast<QToolBar *>(frameBar)})
        panels->addAction(b->toggleViewAction());
    panels->addSeparator();
    panels->addAction(inspectorDock->toggleViewAction());
    panels->addAction(structureDock->toggleViewAction());
    panels->addAction(dataDock->toggleViewAction());
    dataDock->toggleViewAction()->setObjectName(QStringLiteral("view_dock_data_tree"));
    textBar->toggleViewAction()->setObjectName(QStringLiteral("view_toolbar_text"));
    frameBar->toggleViewAction()->setObjectName(QStringLiteral("view_toolbar_frame"));
    inspectorDock->toggleViewAction()->setObjectName(QStringLiteral("view_dock_inspector"));
    structureDock->toggleViewAction()->setObjectName(QStringLiteral("view_dock_structure"));
    standard->toggleViewAction()->setObjectName(QStringLiteral("view_toolbar_standard"));
    alignBar->toggleViewAction()->setObjectName(QStringLiteral("view_toolbar_alignment"));
    objects->toggleViewAction()->setObjectName(QStringLiteral("view_toolbar_objects"));

    // ---- what the actions do ----
    connect(aNew, &QAction::triggered, this, [this] {
        if (MaybeSave())
            d->doc->NewReport();
    });
    connect(aOpen, &QAction::triggered, this, [this] {
        if (!frDesignerDialogs().openFileName)
            return;
        const QString name = frDesignerDialogs().openFileName(this, QStringLiteral("Открыть отчёт"), kFileFilter);
        if (!name.isEmpty())
            OpenFile(name);
    });
    connect(aSave, &QAction::triggered, this, [this] { SaveFile(); });
    connect(aSaveAs, &QAction::triggered, this, [this] {
        if (!frDesignerDialogs().saveFileName)
            return;
        const QString name = frDesignerDialogs().saveFileName(this, QStringLiteral("Сохранить отчёт как"),
                                                              kFileFilter, d->doc->FileName());
        if (!name.isEmpty())
            SaveFileAs(name);
    });
    connect(aPreview, &QAction::triggered, this, [this] { d->preview(); });
    connect(aNewTemplate, &QAction::triggered, this, [this] {
        if (!MaybeSave())
            return;
        QString file;
        if (!frChooseTemplate(this, file))
            return;
        QString error;
        if (file.isEmpty())
            d->doc->NewReport();
        else if (!d->doc->Open(file, &error))
            d->message(error, kMbIconError);
        else
            d->removeRecoveryFile();
    });
    connect(aSaveTemplate, &QAction::triggered, this, [this] { frSaveAsTemplate(this, *d->doc); });
    connect(aPageSetup, &QAction::triggered, this, [this] { frEditPageOptions(this, *d->doc); });
    connect(aDictionary, &QAction::triggered, this, [this] {
        if (frEditDataDictionary(this, *d->doc))
            d->dataTree->Refresh();
    });
    connect(aReportOptions, &QAction::triggered, this, [this] { frEditReportOptions(this, *d->doc); });
    connect(aScript, &QAction::triggered, this, [this] { frEditReportScript(this, *d->doc); });
    connect(aExit, &QAction::triggered, this, &QWidget::close);
    connect(aUndo, &QAction::triggered, &doc.UndoStack(), &QUndoStack::undo);
    connect(aRedo, &QAction::triggered, &doc.UndoStack(), &QUndoStack::redo);
    connect(&doc.UndoStack(), &QUndoStack::canUndoChanged, aUndo, &QAction::setEnabled);
    connect(&doc.UndoStack(), &QUndoStack::canRedoChanged, aRedo, &QAction::setEnabled);
    aUndo->setEnabled(false);
    aRedo->setEnabled(false);
    connect(aCut, &QAction::triggered, this, [this] { d->doc->Cut(); });
    connect(aCopy, &QAction::triggered, this, [this] {
        d->doc->Copy();
        d->updateActions();
    });
    connect(aPaste, &QAction::triggered, this, [this] { d->paste(); });
    connect(aDelete, &QAction::triggered, this, [this] { d->canvas->DeleteSelection(); });
    connect(aSelectAll, &QAction::triggered, this, [this] { d->canvas->SelectAll(); });
    connect(aFront, &QAction::triggered, this, [this] { d->canvas->BringToFront(); });
    connect(aBack, &QAction::triggered, this, [this] { d->canvas->SendToBack(); });
    connect(aAddPage, &QAction::triggered, this, [this] { d->addPage(); });
    connect(aDeletePage, &QAction::triggered, this, [this] { d->deletePage(); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { d->updateActions(); });

    // ---- following the document ----
    connect(&doc, &TfrDesignerDocument::ModifiedChanged, this, [this] { d->updateTitle(); });
    connect(&doc, &TfrDesignerDocument::FileNameChanged, this, [this] {
        d->updateTitle();
        // Another report (opened, new, restored): its structure shows at once.
        d->rebuildStructure();
    });
    connect(&doc, &TfrDesignerDocument::SelectionChanged, this, [this] {
        d->updateStatus();
        d->updateActions();
        if (!d->syncingSelection && !d->structureTimer.isActive())
            d->syncStructureSelection();
    });
    connect(&doc, &TfrDesignerDocument::CurrentPageChanged, this, [this] {
        d->rebuildTabs();
        d->structureTimer.start();
        d->canvas->update();
    });
    connect(&doc, &TfrDesignerDocument::Changed, this, [this](const TfrChange &change) {
        if (change.kind == frcPageAdded || change.kind == frcPageRemoved || change.kind == frcPageMoved ||
            change.kind == frcReplaced || (change.kind == frcProperty && change.object == d->doc->CurrentPage()))
            d->rebuildTabs();
        d->structureTimer.start();
        d->updateStatus();
        d->updateActions();
    });
    connect(d->tabs, &QTabBar::currentChanged, this, [this](int index) { d->doc->SetCurrentPage(index); });
    connect(d->structure, &QTreeWidget::itemSelectionChanged, this, [this] { d->structureSelected(); });
    connect(d->canvas, &TfrDesignerCanvas::PointerMoved, this, [this](QPointF pos) {
        d->pointer = pos;
        d->pointerKnown = true;
        d->updateStatus();
        d->topRuler->SetPointer(pos.x());
        d->leftRuler->SetPointer(pos.y());
    });
    connect(d->canvas, &TfrDesignerCanvas::ZoomChanged, this, [this](double z) {
        d->topRuler->update();
        d->leftRuler->update();
        const QSignalBlocker block(d->zoomBox);
        d->zoomBox->setEditText(QStringLiteral("%1 %").arg(qRound(z)));
    });
    connect(d->canvas, &TfrDesignerCanvas::EditRequested, this, [this](TfrView *v) { d->editObject(v); });
    connect(d->canvas, &TfrDesignerCanvas::StatusMessage, this,
            [this](const QString &text) { statusBar()->showMessage(text, 5000); });
    d->canvas->SetCommonActions({aCut, aCopy, aPaste, aDelete, nullptr, aFront, aBack});

    d->structureTimer.setSingleShot(true);
    d->structureTimer.setInterval(150);
    connect(&d->structureTimer, &QTimer::timeout, this, [this] { d->rebuildStructure(); });
    d->recoveryTimer.setInterval(std::max(1, frDesignerSettings().recoveryIntervalMs));
    connect(&d->recoveryTimer, &QTimer::timeout, this, [this] { WriteRecovery(); });
    // A prepared page belongs to a report in memory only: nothing to recover it into.
    if (!d->preparedPage)
        d->recoveryTimer.start();

    d->restoreLayout();
    aGrid->setChecked(d->canvas->ShowGrid());
    aSnap->setChecked(d->canvas->AlignToGrid());
    aGuides->setChecked(d->canvas->ShowGuides());
    aRulers->setChecked(true);
    aRulers->setChecked(frOpenDesignerSettings()->value(QStringLiteral("Designer/rulers"), true).toBool());
    Action(QString::fromLatin1(unitIds[d->units]))->setChecked(true);
    d->rebuildTabs();
    d->rebuildStructure();
    d->updateTitle();
    d->updateStatus();
    d->updateActions();
    d->canvas->setFocus();
}

TfrDesignerDocument &TfrDesignerWindow::Document() const { return *d->doc; }
TfrDesignerCanvas &TfrDesignerWindow::Canvas() const { return *d->canvas; }
TfrObjectInspector &TfrDesignerWindow::Inspector() const { return *d->inspector; }
QTreeWidget &TfrDesignerWindow::Structure() const { return *d->structure; }
QTabBar &TfrDesignerWindow::PageTabs() const { return *d->tabs; }

QAction *TfrDesignerWindow::Action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

// ---- files ----

bool TfrDesignerWindow::OpenFile(const QString &fileName)
{
    if (d->borrowed || !MaybeSave())
        return false;
    QString error;
    if (!d->doc->Open(fileName, &error)) {
        d->message(error, kMbIconError);
        return false;
    }
    d->removeRecoveryFile();
    if (!d->doc->FileName().isEmpty())
        d->addRecent(fileName);
    return true;
}

bool TfrDesignerWindow::SaveFile()
{
    if (d->doc->FileName().isEmpty()) {
        if (!frDesignerDialogs().saveFileName)
            return false;
        const QString name =
            frDesignerDialogs().saveFileName(this, QStringLiteral("Сохранить отчёт"), kFileFilter, QString());
        return !name.isEmpty() && SaveFileAs(name);
    }
    return SaveFileAs(d->doc->FileName());
}

bool TfrDesignerWindow::SaveFileAs(const QString &fileName)
{
    QString error;
    if (!d->doc->Save(fileName, &error)) {
        d->message(error, kMbIconError);
        return false;
    }
    d->removeRecoveryFile();
    d->addRecent(fileName);
    return true;
}

bool TfrDesignerWindow::MaybeSave()
{
    if (!d->doc->IsModified() || d->preparedPage)
        return true;
    const int answer = frMessageBox(QStringLiteral("Сохранить изменения?"), QStringLiteral("Дизайнер отчётов"),
                                    kMbYesNoCancel | kMbIconQuestion);
    if (answer == kMrNo) {
        if (d->borrowed)
            d->doc->RevertToStart();
        return true;
    }
    if (answer != kMrYes)
        return false;
    // A report someone else handed over is kept in memory; a file is written when it has one.
    if (d->borrowed && d->doc->FileName().isEmpty()) {
        d->doc->SetSavedState();
        return true;
    }
    return SaveFile();
}

QStringList TfrDesignerWindow::RecentFiles() const { return d->recent; }

// ---- recovery ----

QString TfrDesignerWindow::RecoveryFile() const { return d->recoveryFile; }

void TfrDesignerWindow::WriteRecovery()
{
    if (!d->doc->IsModified() || d->preparedPage)
        return;
    if (!d->doc->WriteRecovery(d->recoveryFile))
        return;
    QFile source(d->recoveryFile + QStringLiteral(".source"));
    if (source.open(QIODevice::WriteOnly | QIODevice::Truncate))
        source.write(d->doc->FileName().toUtf8());
}

bool TfrDesignerWindow::OfferRecovery()
{
    QDir folder(recoveryFolder());
    QFileInfoList files =
        folder.entryInfoList({QStringLiteral("recovery-*.frf")}, QDir::Files, QDir::Time);
    for (const QFileInfo &info : files) {
        // recovery-<pid>-<n>.frf: a live process (this one included) still owns its file.
        const qint64 pid = info.completeBaseName().section(QLatin1Char('-'), 1, 1).toLongLong();
        if (pid == QCoreApplication::applicationPid() || (pid > 0 && processAlive(pid)))
            continue;
        QFile sourceFile(info.absoluteFilePath() + QStringLiteral(".source"));
        const QString original =
            sourceFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(sourceFile.readAll()) : QString();
        sourceFile.close();
        const QString what = original.isEmpty() ? QStringLiteral("«Без имени»") : QStringLiteral("«%1»").arg(original);
        const QString question =
            QStringLiteral("Дизайнер отчётов был закрыт, не сохранив отчёт %1 (копия от %2).\nВосстановить его?")
                .arg(what, QLocale().toString(info.lastModified(), QLocale::ShortFormat));
        const int answer = frMessageBox(question, QStringLiteral("Восстановление"), kMbYesNo | kMbIconQuestion);
        bool restored = false;
        if (answer == kMrYes) {
            QString error;
            restored = d->doc->Recover(info.absoluteFilePath(), original, &error);
            if (!restored)
                d->message(error, kMbIconError);
        }
        QFile::remove(info.absoluteFilePath());
        QFile::remove(sourceFile.fileName());
        if (restored) {
            // The restored template is written again under this window's own name.
            WriteRecovery();
            return true;
        }
    }
    return false;
}

// ---- view ----

void TfrDesignerWindow::EditSettings()
{
    const TfrDesignerOptions current{d->canvas->GridSize(), d->canvas->ShowGrid(), d->canvas->AlignToGrid(),
                                      d->canvas->ShowGuides(), d->units};
    TfrDesignerSettingsDialog dialog(current, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TfrDesignerOptions chosen = dialog.Settings();
    d->canvas->SetGridSize(chosen.gridSize);
    // Through the view menu's items, so they show what is in force.
    Action(QStringLiteral("action_show_grid"))->setChecked(chosen.showGrid);
    Action(QStringLiteral("action_align_to_grid"))->setChecked(chosen.alignToGrid);
    Action(QStringLiteral("action_show_guides"))->setChecked(chosen.showGuides);
    SetUnits(chosen.units);
    d->canvas->Redraw();
}

int TfrDesignerWindow::Units() const { return d->units; }

void TfrDesignerWindow::SetUnits(int units)
{
    d->units = std::clamp(units, 0, 3);
    const char *ids[] = {"units_mm", "units_cm", "units_in", "units_px"};
    if (QAction *a = Action(QString::fromLatin1(ids[d->units])))
        a->setChecked(true);
    d->updateStatus();
}

QString TfrDesignerWindow::PointerText() const { return d->pointerLabel->text(); }
QString TfrDesignerWindow::SelectionText() const { return d->selectionLabel->text(); }

void TfrDesignerWindow::RefreshStructure() { d->rebuildStructure(); }

int TfrDesignerWindow::ModalResult() const { return d->result; }

void TfrDesignerWindow::closeEvent(QCloseEvent *event)
{
    if (!MaybeSave()) {
        event->ignore();
        return;
    }
    d->result = d->borrowed && d->doc->ChangedSinceStart() ? 1 : 2;
    d->recoveryTimer.stop();
    d->removeRecoveryFile();
    d->saveLayout();
    event->accept();
    emit Closed();
}

// ---- the report's designer ----

int frRunDesigner(TfrReport &report, bool preparedPage)
{
    TfrDesignerWindow window(report, preparedPage);
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&window, &TfrDesignerWindow::Closed, &loop, &QEventLoop::quit);
    window.show();
    loop.exec();
    return window.ModalResult();
}

void frInstallDesigner()
{
    frDesignerClass() = [](TfrReport &report, bool preparedPage) { return frRunDesigner(report, preparedPage); };
    frEditPreparedPageHook() = [](TfrReportBuilder &report, int pageIndex) { report.EditPreparedReport(pageIndex); };
}
