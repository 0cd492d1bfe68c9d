// The canvas's editing commands: inserting objects and bands, deleting, the drawing order,
// and the context menu. Each is one step of the document.
#include <QMenu>
#include <algorithm>
#include <array>

#include "report/designer/band_layout.h"
#include "report/designer/designer_canvas_p.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"

namespace {

constexpr int kMbIconWarning = 0x30;
// Design pixels between stacked bands: room for the caption strip of the band below.
constexpr int kBandGap = kCaptionHeight + 2;
constexpr int kBandHeight = 40;
constexpr int kCrossBandWidth = 100;

// Where a band type stands from the top of a page down (cross bands from the left).
int bandRank(int type)
{
    switch (type) {
    case btReportTitle: return 0;
    case btPageHeader: return 1;
    case btColumnHeader: return 2;
    case btMasterHeader: return 3;
    case btGroupHeader: return 4;
    case btMasterData: return 5;
    case btDetailHeader: return 6;
    case btDetailData: return 7;
    case btSubDetailHeader: return 8;
    case btSubDetailData: return 9;
    case btSubDetailFooter: return 10;
    case btDetailFooter: return 11;
    case btGroupFooter: return 12;
    case btMasterFooter: return 13;
    case btChild: return 13;
    case btReportSummary: return 14;
    case btColumnFooter: return 15;
    case btPageFooter: return 16;
    case btOverlay: return 17;
    case btCrossHeader: return 0;
    case btCrossData: return 1;
    case btCrossFooter: return 2;
    default: return 18;
    }
}

QSize defaultSize(int objectType)
{
    switch (objectType) {
    case otMemo: return {100, 20};
    case otLine: return {100, 0};
    case otPicture: return {100, 100};
    case otSubReport: return {100, 40};
    default: return {100, 40};
    }
}

} // namespace

QString frDesignerBandName(int bandType)
{
    static const std::array<const char16_t *, frBandTypeCount> kNames = {
        u"Заголовок отчёта",          u"Итог отчёта",            u"Заголовок страницы",
        u"Подвал страницы",           u"Заголовок данных 1 уровня", u"Данные 1 уровня",
        u"Подвал данных 1 уровня",    u"Заголовок данных 2 уровня", u"Данные 2 уровня",
        u"Подвал данных 2 уровня",    u"Заголовок данных 3 уровня", u"Данные 3 уровня",
        u"Подвал данных 3 уровня",    u"Фон страницы",           u"Заголовок колонки",
        u"Подвал колонки",            u"Заголовок группы",       u"Подвал группы",
        u"Заголовок перекрёстных данных", u"Перекрёстные данные", u"Подвал перекрёстных данных",
        u"Дочерний бэнд",             u"Без типа",
    };
    if (bandType < 0 || bandType >= frBandTypeCount)
        return QString::fromUtf16(kNames[btNone]);
    return QString::fromUtf16(kNames[size_t(bandType)]);
}

QString frDesignerBandCaption(const TfrView &band)
{
    const int type = band.FrameTyp;
    QString text = frDesignerBandName(type);
    const bool hasSource = type == btMasterData || type == btDetailData || type == btSubDetailData ||
                           type == btCrossData || type == btGroupHeader;
    if (hasSource && !band.formatText.isEmpty())
        text += QStringLiteral(": ") + band.formatText;
    return text;
}

bool frIsOncePerPageBand(int bandType)
{
    switch (bandType) {
    case btReportTitle:
    case btReportSummary:
    case btPageHeader:
    case btPageFooter:
    case btOverlay:
    case btColumnHeader:
    case btColumnFooter:
    case btCrossHeader:
    case btCrossData:
    case btCrossFooter:
        return true;
    default:
        return false;
    }
}

QString frDesignerUniqueName(const TfrReport &report, const QString &stem)
{
    constexpr int kLimit = 10000;
    const std::vector<bool> used = report.UsedObjectNumbers(stem, kLimit);
    for (int n = 1; n <= kLimit; ++n)
        if (size_t(n) >= used.size() || !used[size_t(n)])
            return stem + QString::number(n);
    return {};
}

// ---- inserting --------------------------------------------------------------------------

TfrView *TfrDesignerCanvas::InsertObject(const TfrDesignTool &tool, QRect rect)
{
    if (tool.objectType == otBand) {
        if (!InsertBand(tool.bandType))
            return nullptr;
        return d->doc->Selection().isEmpty() ? nullptr : d->doc->Selection().front();
    }
    TfrPage *page = d->page();
    if (!page || tool.objectType < 0)
        return nullptr;
    std::unique_ptr<TfrView> view;
    try {
        view = frCreateObject(tool.objectType, tool.addInClass);
    } catch (const std::exception &e) {
        emit StatusMessage(QString::fromUtf8(e.what()).trimmed());
        return nullptr;
    }
    if (!view)
        return nullptr;
    TfrReport &report = d->doc->Report();
    if (rect.width() <= 0 && rect.height() <= 0)
        rect.setSize(defaultSize(tool.objectType));
    if (view->Typ == otLine) {
        // A line lies across (top side) or down (left side): the longer extent wins.
        const bool across = rect.height() < rect.width();
        view->FrameTyp = across ? frftTop : frftLeft;
        rect = across ? QRect(rect.left(), rect.top(), rect.width(), 0) : QRect(rect.left(), rect.top(), 0, rect.height());
    } else {
        rect.setWidth(std::max(rect.width(), 1));
        rect.setHeight(std::max(rect.height(), 1));
    }
    view->SetBounds(rect.left(), rect.top(), rect.width(), rect.height());
    const QString name = frDesignerUniqueName(report, view->nameStem);
    if (name.isEmpty()) {
        emit StatusMessage(tr("Свободных имён для «%1» не осталось.").arg(view->nameStem));
        return nullptr;
    }
    view->Name = name;
    TfrView *added = nullptr;
    d->doc->Edit(tr("Вставка объекта"), [&] {
        if (auto *sub = dynamic_cast<TfrSubReportView *>(view.get())) {
            // A sub-report's bands live on a page of their own, made with it.
            TfrPage *subPage = report.Pages.Add();
            TfrReport *current = CurReport;
            CurReport = &report; // names are made among this report's pages
            subPage->CreateUniqueName();
            CurReport = current;
            sub->subPageIndex = report.PageCount() - 1;
        }
        added = page->Add(std::move(view));
    });
    d->doc->Select(added);
    return added;
}

bool TfrDesignerCanvas::InsertBand(int bandType)
{
    TfrPage *page = d->page();
    if (!page || bandType < 0 || bandType >= btNone)
        return false;
    const QList<TfrBandView *> all = frPageBands(*page);
    if (frIsOncePerPageBand(bandType)) {
        for (const TfrBandView *b : all) {
            if (b->GetBandType() != bandType)
                continue;
            const QString text = tr("Полоса «%1» может быть на странице только одна: на этой странице она уже есть (%2).")
                                     .arg(frDesignerBandName(bandType), b->Name);
            emit StatusMessage(text);
            frMessageBox(text, tr("Внимание!"), kMbIconWarning);
            return false;
        }
    }
    const bool cross = frIsCrossBand(bandType);
    // The bands of the same direction, from the top (or the left).
    QList<TfrBandView *> bands;
    for (TfrBandView *b : all)
        if (frIsCrossBand(b->GetBandType()) == cross)
            bands.append(b);
    std::stable_sort(bands.begin(), bands.end(), [cross](const TfrBandView *a, const TfrBandView *b) {
        return cross ? a->Left < b->Left : a->Top < b->Top;
    });
    // After the last band that comes before this type; a child follows the selected band.
    qsizetype at = 0;
    TfrBandView *parentBand = nullptr;
    if (bandType == btChild && d->doc->Selection().size() == 1 && d->doc->Selection().front()->Typ == otBand) {
        parentBand = static_cast<TfrBandView *>(d->doc->Selection().front());
        at = bands.indexOf(parentBand) + 1;
    } else {
        for (qsizetype i = 0; i < bands.size(); ++i)
            if (bandRank(bands[i]->GetBandType()) <= bandRank(bandType))
                at = i + 1;
    }
    const TfrBandView *prev = at > 0 ? bands[at - 1] : nullptr;
    const int snap = d->alignToGrid ? d->grid : 1;
    auto roundUp = [snap](int v) { return (v + snap - 1) / snap * snap; };
    int start;
    if (cross)
        start = prev ? roundUp(prev->Left + prev->Width + kBandGap) : roundUp(page->LeftMargin() + kBandGap);
    else
        start = prev ? roundUp(prev->Top + prev->Height + kBandGap) : page->TopMargin();
    const int extent = cross ? kCrossBandWidth : kBandHeight;

    // The bands below (or to the right) make room, carrying their objects along.
    int shift = 0;
    if (at < bands.size()) {
        const TfrBandView *next = bands[at];
        const int nextStart = cross ? next->Left : next->Top;
        shift = std::max(0, roundUp(start + extent + kBandGap - nextStart));
    }
    QList<TfrView *> moving;
    if (shift > 0) {
        for (qsizetype i = at; i < bands.size(); ++i) {
            moving.append(bands[i]);
            moving.append(frObjectsOfBand(*page, *bands[i]));
        }
    }

    TfrView *added = nullptr;
    d->doc->Edit(tr("Вставка полосы"), [&] {
        for (TfrView *v : std::as_const(moving))
            d->setBounds(*v, cross ? QRect(v->Left + shift, v->Top, v->Width, v->Height)
                                   : QRect(v->Left, v->Top + shift, v->Width, v->Height));
        auto band = std::make_unique<TfrBandView>();
        band->SetBandType(bandType);
        const QSize paper = d->paperSize();
        if (cross)
            band->SetBounds(start, 0, extent, paper.height());
        else
            band->SetBounds(0, start, paper.width(), extent);
        band->Name = frDesignerUniqueName(d->doc->Report(), band->nameStem);
        added = page->Add(std::move(band));
        if (parentBand && parentBand->ChildBand.isEmpty())
            d->doc->Report().SetProperty(*parentBand, QStringLiteral("ChildBand"), TfrVariant(added->Name));
    });
    d->doc->Select(added);
    return true;
}

// ---- selection and removal ----------------------------------------------------------------

void TfrDesignerCanvas::SelectAll()
{
    QList<TfrView *> all;
    if (const TfrPage *page = d->page())
        for (const auto &v : page->Objects)
            if (v->Typ != otBand)
                all.append(v.get());
    d->doc->SetSelection(all);
}

void TfrDesignerCanvas::DeleteSelection()
{
    TfrPage *page = d->page();
    if (!page || d->doc->Selection().isEmpty())
        return;
    // A band goes with its objects; objects that may not be deleted stay.
    QList<qint32> doomed;
    QString refused;
    for (const TfrView *v : d->withBandObjects(d->doc->Selection())) {
        if (v->Restrictions & frrfDontDelete) {
            if (refused.isEmpty())
                refused = tr("Объект «%1» нельзя удалять.").arg(v->Name);
            continue;
        }
        doomed.append(v->objectNumber);
    }
    if (!refused.isEmpty())
        d->refuse(refused);
    if (doomed.isEmpty())
        return;
    d->doc->Edit(tr("Удаление"), [&] {
        for (qint32 id : std::as_const(doomed))
            page->Delete(page->FindObjectByID(id));
    });
}

void TfrDesignerCanvas::BringToFront()
{
    TfrPage *page = d->page();
    if (!page || d->doc->Selection().isEmpty())
        return;
    // In page order, each to the end: the selection keeps its own order on top.
    QList<int> indices;
    for (const TfrView *v : d->doc->Selection())
        indices.append(page->FindObjectByID(v->objectNumber));
    std::sort(indices.begin(), indices.end());
    QList<qint32> ids;
    for (int i : std::as_const(indices))
        ids.append(page->Objects[size_t(i)]->objectNumber);
    d->doc->Edit(tr("На передний план"), [&] {
        for (qint32 id : std::as_const(ids))
            page->MoveObject(page->FindObjectByID(id), int(page->Objects.size()) - 1);
    });
}

void TfrDesignerCanvas::SendToBack()
{
    TfrPage *page = d->page();
    if (!page || d->doc->Selection().isEmpty())
        return;
    QList<int> indices;
    for (const TfrView *v : d->doc->Selection())
        indices.append(page->FindObjectByID(v->objectNumber));
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    QList<qint32> ids;
    for (int i : std::as_const(indices))
        ids.append(page->Objects[size_t(i)]->objectNumber);
    d->doc->Edit(tr("На задний план"), [&] {
        for (qint32 id : std::as_const(ids))
            page->MoveObject(page->FindObjectByID(id), 0);
    });
}

// ---- the context menu ---------------------------------------------------------------------

QMenu *TfrDesignerCanvas::CreateContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("designerCanvasMenu"));
    const QList<TfrView *> selection = d->doc->Selection();
    if (!selection.isEmpty()) {
        TfrView *first = selection.front();
        std::vector<TfrPopupEntry> entries;
        first->DefinePopupMenu(entries);
        const bool locked = first->Restrictions & frrfDontModify;
        for (const TfrPopupEntry &e : entries) {
            if (e.caption.isEmpty()) {
                if (!menu->isEmpty())
                    menu->addSeparator();
                continue;
            }
            QAction *a = menu->addAction(e.caption);
            a->setObjectName(QStringLiteral("popup") + e.property);
            a->setCheckable(true);
            a->setChecked(e.checked);
            a->setEnabled(e.enabled && !locked);
            const QString property = e.property;
            connect(a, &QAction::triggered, this, [this, property](bool on) {
                // Every selected object that has the flag takes it, in one step.
                QList<TfrView *> targets;
                for (TfrView *v : d->doc->Selection()) {
                    if (v->Restrictions & frrfDontModify)
                        continue;
                    v->EnsurePropertiesDefined();
                    if (v->GetPropRec(property) || property == QLatin1String("Stretched"))
                        targets.append(v);
                }
                if (targets.isEmpty())
                    return;
                d->doc->Edit(tr("Изменение свойства"), [&] {
                    for (TfrView *v : std::as_const(targets))
                        d->doc->Report().SetProperty(*v, property, TfrVariant(on));
                });
            });
        }
        if (!menu->isEmpty())
            menu->addSeparator();
    }
    if (d->hasCommonActions) {
        for (const QPointer<QAction> &a : std::as_const(d->commonActions)) {
            if (!a)
                menu->addSeparator();
            else
                menu->addAction(a.data());
        }
    } else {
        QAction *del = menu->addAction(tr("Удалить"), this, &TfrDesignerCanvas::DeleteSelection);
        del->setObjectName(QStringLiteral("popupDelete"));
        QAction *front = menu->addAction(tr("На передний план"), this, &TfrDesignerCanvas::BringToFront);
        front->setObjectName(QStringLiteral("popupBringToFront"));
        QAction *back = menu->addAction(tr("На задний план"), this, &TfrDesignerCanvas::SendToBack);
        back->setObjectName(QStringLiteral("popupSendToBack"));
        for (QAction *a : {del, front, back})
            a->setEnabled(!selection.isEmpty());
    }
    return menu;
}
