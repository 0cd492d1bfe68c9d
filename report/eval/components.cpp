#include "report/eval/components.h"

#include <QPointer>
#include <QSet>
#include <QVariant>
#include <exception>

#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/eval/value_resolution.h"

namespace {

const char *const kFrameProperty = "frFrame";

QList<QPointer<QObject>> &forms()
{
    static QList<QPointer<QObject>> list;
    return list;
}

bool sameName(const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

bool isRegisteredForm(const QObject *o)
{
    for (const QPointer<QObject> &f : forms())
        if (f == o)
            return true;
    return false;
}

void collect(const QObject *container, QList<QObject *> &out)
{
    for (QObject *child : container->children()) {
        // Forms registered on their own are containers, not components of their parent.
        if (isRegisteredForm(child))
            continue;
        out.append(child);
        if (!frIsFrame(child))
            collect(child, out);
    }
}

QObject *findIn(const QObject *container, const QString &name)
{
    if (!container || name.isEmpty())
        return nullptr;
    for (QObject *c : frOwnedComponents(container))
        if (sameName(c->objectName(), name))
            return c;
    return nullptr;
}

QObject *findForm(const QObject *owner, const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    for (const QPointer<QObject> &f : forms())
        if (f && sameName(f->objectName(), name))
            return f;
    // An owner that did not register itself can still be named.
    if (owner && sameName(owner->objectName(), name))
        return const_cast<QObject *>(owner);
    return nullptr;
}

void listContainer(const QObject *container, const QString &prefix, const QMetaObject &cls,
                   const QObject *skip, QStringList &list, QSet<const QObject *> &seen)
{
    for (QObject *c : frOwnedComponents(container)) {
        if (frIsFrame(c)) {
            // A frame's components carry the frame's container and the frame in front.
            const QString framePrefix = (prefix.isEmpty() ? container->objectName() + QLatin1Char('.') : prefix)
                                        + c->objectName() + QLatin1Char('.');
            for (QObject *inner : frOwnedComponents(c)) {
                if (inner == skip || seen.contains(inner) || !inner->metaObject()->inherits(&cls))
                    continue;
                seen.insert(inner);
                list.append(framePrefix + inner->objectName());
            }
        }
        if (c == skip || seen.contains(c) || !c->metaObject()->inherits(&cls))
            continue;
        seen.insert(c);
        list.append(prefix + c->objectName());
    }
}

} // namespace

void frRegisterForm(QObject *form)
{
    if (!form || isRegisteredForm(form))
        return;
    forms().append(QPointer<QObject>(form));
}

void frUnregisterForm(QObject *form)
{
    forms().removeIf([form](const QPointer<QObject> &f) { return f.isNull() || f == form; });
}

QList<QObject *> frRegisteredForms()
{
    QList<QObject *> result;
    for (const QPointer<QObject> &f : forms())
        if (f)
            result.append(f.data());
    return result;
}

void frSetFrame(QObject *component, bool isFrame)
{
    if (component)
        component->setProperty(kFrameProperty, isFrame);
}

bool frIsFrame(const QObject *component)
{
    return component && component->property(kFrameProperty).toBool();
}

QList<QObject *> frOwnedComponents(const QObject *owner)
{
    QList<QObject *> result;
    if (owner)
        collect(owner, result);
    return result;
}

QObject *frFindComponent(const QObject *owner, const QString &name)
{
    try {
        const QStringList parts = name.split(QLatin1Char('.'));
        switch (parts.size()) {
        case 1:
            return findIn(owner, name);
        case 2:
            return findIn(findForm(owner, parts[0]), parts[1]);
        case 3:
            return findIn(findIn(findForm(owner, parts[0]), parts[1]), parts[2]);
        default:
            return nullptr;
        }
    } catch (const std::exception &) {
        throw EClassNotFound(QStringLiteral("Missing ") + name);
    }
}

void frGetComponents(const QObject *owner, const QMetaObject &cls, QStringList &list, const QObject *skip)
{
    QSet<const QObject *> seen;
    if (owner)
        listContainer(owner, QString(), cls, skip, list, seen);
    for (QObject *form : frRegisteredForms())
        if (form != owner)
            listContainer(form, form->objectName() + QLatin1Char('.'), cls, skip, list, seen);
}

QString frRemoveQuotes(const QString &text)
{
    if (text.size() > 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

QObject *frReportOwner() { return frValueContext().ReportOwner(); }

QObject *frGetDataSet(const QString &name) { return frFindComponent(frReportOwner(), name); }

TfrTableCursor *frDataSetOf(QObject *component)
{
    if (auto *cursor = qobject_cast<TfrTableCursor *>(component))
        return cursor;
    if (auto *db = qobject_cast<TfrDBDataSet *>(component))
        return db->FindDataSet();
    return nullptr;
}

bool frHasField(TfrTableCursor *dataSet, const QString &name)
{
    if (!dataSet || name.isEmpty())
        return false;
    try {
        if (!dataSet->Active() && dataSet->FieldCount() == 0) {
            for (const TfrFieldDef &def : dataSet->declaredFieldDefs())
                if (sameName(def.name, name))
                    return true;
            if (!dataSet->declaredFieldDefs().isEmpty())
                return false;
            dataSet->Open();
        }
        return dataSet->FindField(name) >= 0;
    } catch (const std::exception &) {
        return false;
    }
}

void frGetDataSetAndField(const QString &reference, TfrTableCursor *&dataSet, QString &field)
{
    // Points inside a quoted field name do not separate parts.
    const qsizetype quote = reference.indexOf(QLatin1Char('"'));
    const qsizetype prefixEnd = quote < 0 ? reference.size() : quote;
    const qsizetype lastPoint = prefixEnd > 0 ? reference.lastIndexOf(QLatin1Char('.'), prefixEnd - 1) : -1;
    QString fieldPart = reference;
    if (lastPoint >= 0) {
        dataSet = frDataSetOf(frGetDataSet(reference.left(lastPoint)));
        fieldPart = reference.mid(lastPoint + 1);
    }
    const QString name = frRemoveQuotes(fieldPart);
    field = frHasField(dataSet, name) ? name : QString();
}

TfrVariant frGetFieldValue(const TfrCursorField &field)
{
    // The handle reads through a const cursor; opening is the one change it needs.
    auto *cursor = const_cast<TfrTableCursor *>(field.cursor());
    if (cursor && !cursor->Active())
        cursor->Open();
    const TfrFieldKind kind = field.Kind();
    if (kind == TfrFieldKind::fkLargeInt)
        return TfrVariant(field.DisplayText());
    TfrVariant v = field.Value();
    if (!v.isEmptyOrNull())
        return v;
    // A database null never reaches an expression.
    switch (kind) {
    case TfrFieldKind::fkString:
    case TfrFieldKind::fkMemo:
        return TfrVariant(QString());
    case TfrFieldKind::fkBoolean:
        return TfrVariant(false);
    default:
        return TfrVariant(0);
    }
}

TfrTableCursor *GetDefaultDataSet()
{
    TfrValueContext &ctx = frValueContext();
    TfrDataset *candidate = ctx.ReportDataset();
    switch (ctx.CurrentBandType()) {
    case 0:  // report title
    case 1:  // report summary
    case 2:  // page header
    case 3:  // page footer
    case 4:  // master header
    case 5:  // master data
    case 6:  // master footer
    case 16: // group header
    case 17: // group footer
        candidate = ctx.PageBandDataset(5);
        break;
    case 8: // detail data
    case 9: // detail footer
        candidate = ctx.PageBandDataset(8);
        break;
    case 11: // subdetail data
    case 12: // subdetail footer
        candidate = ctx.PageBandDataset(11);
        break;
    case 19: // cross data
    case 20: // cross footer
        candidate = ctx.PageBandDataset(19);
        break;
    default: // no band, a dialog page, or a kind that keeps the report's data set
        break;
    }
    auto *db = qobject_cast<TfrDBDataSet *>(candidate);
    return db ? db->FindDataSet() : nullptr;
}
