// The canvas's editing commands: inserting objects and bands, deleting, the drawing order,
// and the context menu. Each is one step of the document.
#include <QDropEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMimeData>
#include <algorithm>
#include <array>

#include "report/designer/band_layout.h"
#include "report/designer/data_tree.h"
#include "report/designer/designer_canvas_p.h"
#include "report/eval/components.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"
#include "report/model/text_layout.h"

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

// ---- fields dropped from the data tree ------------------------------------------------------

namespace {

// The band type that heads a data band's records, or -1.
int headerTypeOf(int dataType)
{
    switch (dataType) {
    case btMasterData: return btMasterHeader;
    case btDetailData: return btDetailHeader;
    case btSubDetailData: return btSubDetailHeader;
    default: return -1;
    }
}

// The field an expression names, as the cursor behind its data set declares it (kind and
// size); only the name when the data set or its fields are not known (yet).
TfrFieldDef fieldOf(TfrReport &report, const QString &dataSet, const QString &field)
{
    TfrFieldDef def;
    def.name = field;
    if (dataSet.isEmpty())
        return def;
    const TfrDataDictionary &dict = report.Dictionary();
    TfrReport *saved = CurReport;
    CurReport = &report; // the lookup goes through the report's owner
    TfrTableCursor *cursor = nullptr;
    QString actual;
    for (const QString &name : {dataSet, dict.GetRealDataSourceName(dataSet), dict.GetRealDataSetName(dataSet)}) {
        try {
            cursor = frDataSetOf(frGetDataSet(name));
        } catch (const std::exception &) {
            cursor = nullptr;
        }
        if (cursor) {
            actual = name;
            break;
        }
    }
    CurReport = saved;
    if (!cursor)
        return def;
    // A closed cursor is not opened here: that would read the whole table.
    QList<TfrFieldDef> defs = cursor->declaredFieldDefs();
    if (cursor->FieldCount() > 0) {
        defs.clear();
        for (int i = 0; i < cursor->FieldCount(); ++i)
            defs.append(cursor->FieldDef(i));
    }
    for (const TfrFieldDef &f : std::as_const(defs)) {
        const TfrVariant *alias = dict.AliasList.Find(actual + QLatin1Char('.') + f.name);
        const QString shown = alias ? alias->toString() : f.name;
        if (shown.compare(field, Qt::CaseInsensitive) == 0 || f.name.compare(field, Qt::CaseInsensitive) == 0)
            return {field, f.kind, f.size};
    }
    return def;
}

// How many characters a field's values usually take.
int sampleChars(const TfrFieldDef &f)
{
    switch (f.kind) {
    case TfrFieldKind::fkString: return std::clamp(f.size > 0 ? f.size : 20, 4, 40);
    case TfrFieldKind::fkSmallInt: return 6;
    case TfrFieldKind::fkInteger: return 10;
    case TfrFieldKind::fkLargeInt: return 14;
    case TfrFieldKind::fkFloat: return 12;
    case TfrFieldKind::fkCurrency: return 14;
    case TfrFieldKind::fkBoolean: return 5;
    case TfrFieldKind::fkDate: return 10;
    case TfrFieldKind::fkTime: return 8;
    case TfrFieldKind::fkDateTime: return 16;
    case TfrFieldKind::fkMemo: return 40;
    case TfrFieldKind::fkBlob:
    case TfrFieldKind::fkGraphic: return 12;
    case TfrFieldKind::fkUnknown: break;
    }
    return 12;
}

} // namespace

namespace {

// The band a drop at a design point goes to: the band under it, or the band whose caption
// strip is under it (the strip names the band, so a field let go there is meant for it).
TfrBandView *dropBand(const TfrDesignerCanvas &canvas, const TfrPage &page, QPointF at)
{
    if (TfrBandView *band = frBandAt(page, at.toPoint()))
        return band;
    for (TfrBandView *b : frPageBands(page))
        if (QRectF(canvas.CaptionRect(*b)).contains(at))
            return b;
    return nullptr;
}

// A field is copied onto the page, whatever the keys propose (Ctrl asks for the header).
void acceptCopy(QDropEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace

void TfrDesignerCanvas::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(kFrFieldMimeType)))
        acceptCopy(event);
    else
        event->ignore();
}

void TfrDesignerCanvas::dragMoveEvent(QDragMoveEvent *event)
{
    const TfrPage *page = d->page();
    const QPointF at = ToDesign(event->position());
    if (page && event->mimeData()->hasFormat(QString::fromLatin1(kFrFieldMimeType)) && dropBand(*this, *page, at))
        acceptCopy(event);
    else
        event->ignore();
}

void TfrDesignerCanvas::dropEvent(QDropEvent *event)
{
    const QString expression =
        QString::fromUtf8(event->mimeData()->data(QString::fromLatin1(kFrFieldMimeType))).trimmed();
    if (expression.isEmpty()) {
        event->ignore();
        return;
    }
    const bool withHeader = event->modifiers() & Qt::ControlModifier;
    if (DropField(expression, ToDesign(event->position()), withHeader))
        acceptCopy(event);
    else
        event->ignore();
}

TfrView *TfrDesignerCanvas::DropField(const QString &expression, QPointF designPos, bool withHeader)
{
    TfrPage *page = d->page();
    if (!page || expression.trimmed().isEmpty())
        return nullptr;
    TfrBandView *band = dropBand(*this, *page, designPos);
    if (!band) {
        emit StatusMessage(tr("Поле можно поместить только на полосу: под указателем полосы нет."));
        return nullptr;
    }
    TfrReport &report = d->doc->Report();
    QString dataSet, field = expression;
    report.Dictionary().ExtractFieldName(expression, dataSet, field);
    const TfrFieldDef def = fieldOf(report, dataSet, field);

    auto memo = std::make_unique<TfrMemoView>();
    memo->Memo = QStringList{QLatin1Char('[') + expression + QLatin1Char(']')};
    // As wide as the longer of the field's name and a typical value.
    QFont font(memo->Font.Name);
    font.setPixelSize(frFontPixelHeight(memo->Font.Size));
    const QFontMetrics fm(font);
    const int textWidth = std::max(fm.horizontalAdvance(field), fm.horizontalAdvance(QString(sampleChars(def), QLatin1Char('0'))));
    const int snap = d->alignToGrid && d->grid > 1 ? d->grid : 1;
    auto up = [snap](int v) { return (v + snap - 1) / snap * snap; };
    auto near = [snap](double v) { return int(std::lround(v / snap)) * snap; };
    const int left = page->LeftMargin(), right = std::max(page->RightMargin(), left + 1);
    const int printable = right - left;
    int width = std::min(up(textWidth + 2 * memo->GapX + 2 * int(std::ceil(memo->FrameWidth)) + 2), printable);
    width = std::max(width, std::min(snap * 4, printable));
    const int height = up(memo->MinHeight());

    const QRect bandRect = d->designRect(*band);
    int x = near(designPos.x());
    int y = near(designPos.y());
    // Inside the printable width and the band's height.
    x = std::clamp(x, left, std::max(left, right - width));
    if (frIsCrossBand(band->GetBandType()))
        x = std::clamp(x, bandRect.left(), std::max(bandRect.left(), bandRect.right() + 1 - width));
    y = std::clamp(y, bandRect.top(), std::max(bandRect.top(), bandRect.bottom() + 1 - height));
    memo->SetBounds(x, y, width, height);

    // The header band over this data band: the nearest one above it, else the first one.
    TfrBandView *header = nullptr;
    const int headerType = withHeader ? headerTypeOf(band->GetBandType()) : -1;
    auto closer = [&](const TfrBandView *b) {
        if (!header)
            return true;
        const bool above = b->Top <= band->Top, headerAbove = header->Top <= band->Top;
        if (above != headerAbove)
            return above;
        return above ? b->Top > header->Top : b->Top < header->Top;
    };
    for (TfrBandView *b : frPageBands(*page))
        if (b->GetBandType() == headerType && closer(b))
            header = b;
    if (withHeader && !header)
        emit StatusMessage(tr("У полосы %1 нет полосы заголовка: подпись поля не добавлена.").arg(band->Name));

    if (frDesignerUniqueName(report, memo->nameStem).isEmpty()) {
        emit StatusMessage(tr("Свободных имён для «%1» не осталось.").arg(memo->nameStem));
        return nullptr;
    }
    TfrView *added = nullptr;
    d->doc->Edit(tr("Вставка поля"), [&] {
        memo->Name = frDesignerUniqueName(report, memo->nameStem);
        added = page->Add(std::move(memo));
        if (!header)
            return;
        auto caption = std::make_unique<TfrMemoView>();
        caption->Memo = QStringList{field};
        const QRect h = d->designRect(*header);
        const int top = std::clamp(h.top() + (y - bandRect.top()), h.top(), std::max(h.top(), h.bottom() + 1 - height));
        caption->SetBounds(x, top, width, height);
        caption->Name = frDesignerUniqueName(report, caption->nameStem);
        page->Add(std::move(caption));
    });
    d->doc->Select(added);
    return added;
}
