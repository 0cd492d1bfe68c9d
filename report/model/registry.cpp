#include "report/model/registry.h"

#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/line_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/picture_view.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"

namespace {

std::function<void(const TfrFunctionInfo &)> &unregisterHook()
{
    static std::function<void(const TfrFunctionInfo &)> hook;
    return hook;
}

QString classNameOf(const QObject *o) { return QString::fromLatin1(o->metaObject()->className()); }

void registerAddIn(const TfrViewClass *cls, const QImage &bitmap, const QString &hint, bool control)
{
    for (const TfrAddInObjectInfo &e : frAddIns())
        if (e.registeredClass == cls)
            return;
    frAddIns().Append({cls, bitmap, hint, control});
}

} // namespace

TfrRegistry<TfrAddInObjectInfo> &frAddIns()
{
    static TfrRegistry<TfrAddInObjectInfo> r;
    return r;
}

TfrRegistry<TfrExportFilterInfo> &frFilters()
{
    static TfrRegistry<TfrExportFilterInfo> r;
    return r;
}

TfrRegistry<TfrFunctionInfo> &frFunctions()
{
    static TfrRegistry<TfrFunctionInfo> r;
    return r;
}

TfrRegistry<TfrToolsInfo> &frTools()
{
    static TfrRegistry<TfrToolsInfo> r;
    return r;
}

void frRegisterObject(const TfrViewClass *registeredClass, const QImage &toolButtonBitmap,
                      const QString &toolButtonHint)
{
    registerAddIn(registeredClass, toolButtonBitmap, toolButtonHint, false);
}

void frRegisterControl(const TfrViewClass *registeredClass, const QImage &toolButtonBitmap,
                       const QString &toolButtonHint)
{
    registerAddIn(registeredClass, toolButtonBitmap, toolButtonHint, true);
}

void frUnRegisterObject(const TfrViewClass *registeredClass)
{
    frAddIns().RemoveIf([&](const TfrAddInObjectInfo &e) { return e.registeredClass == registeredClass; });
}

void frRegisterExportFilter(QObject *Filter, const QString &filterDescription, const QString &filterMask)
{
    if (!Filter)
        return;
    const QString name = classNameOf(Filter);
    for (const TfrExportFilterInfo &e : frFilters())
        if (e.filterInstance && classNameOf(e.filterInstance) == name)
            return;
    frFilters().Append({Filter, filterDescription, filterMask});
}

void frUnRegisterExportFilter(QObject *Filter)
{
    if (!Filter)
        return;
    const QString name = classNameOf(Filter);
    frFilters().RemoveIf([&](const TfrExportFilterInfo &e) {
        return e.filterInstance && classNameOf(e.filterInstance) == name;
    });
}

void frRegisterFunctionLibrary(const QString &className, const std::function<std::shared_ptr<void>()> &create)
{
    for (const TfrFunctionInfo &e : frFunctions())
        if (e.className == className)
            return;
    frFunctions().Append({className, create()});
}

void frUnRegisterFunctionLibrary(const QString &className)
{
    TfrRegistry<TfrFunctionInfo> &r = frFunctions();
    for (int i = 0; i < r.Count(); ++i) {
        if (r[i].className != className)
            continue;
        if (unregisterHook())
            unregisterHook()(r[i]);
        r.RemoveAt(i);
        return;
    }
}

void frSetFunctionLibraryUnregisterHook(std::function<void(const TfrFunctionInfo &)> hook)
{
    unregisterHook() = std::move(hook);
}

void frRegisterTool(const QString &Caption, const QImage &toolButtonBitmap, std::function<void()> OnClick)
{
    TfrRegistry<TfrToolsInfo> &r = frTools();
    for (int i = 0; i < r.Count(); ++i) {
        if (r[i].toolTitle == Caption) {
            r[i] = {Caption, toolButtonBitmap, std::move(OnClick)};
            return;
        }
    }
    r.Append({Caption, toolButtonBitmap, std::move(OnClick)});
}

std::unique_ptr<TfrView> frCreateObject(int Typ, const QString &ClassName)
{
    std::unique_ptr<TfrView> view;
    switch (Typ) {
    case otMemo: view = std::make_unique<TfrMemoView>(); break;
    case otPicture: view = std::make_unique<TfrPictureView>(); break;
    case otBand: view = std::make_unique<TfrBandView>(); break;
    case otSubReport: view = std::make_unique<TfrSubReportView>(); break;
    case otLine: view = std::make_unique<TfrLineView>(); break;
    case otAddIn:
        for (const TfrAddInObjectInfo &e : frAddIns()) {
            if (e.registeredClass && e.registeredClass->className == ClassName && e.registeredClass->create) {
                view = e.registeredClass->create();
                break;
            }
        }
        if (!view) {
            ErrorFlag = true;
            ErrorStr += ClassName + QLatin1Char('\r');
            throw EClassNotFound(ErrorStr);
        }
        view->Typ = otAddIn;
        break;
    default:
        return nullptr;
    }
    return view;
}

void frResolveQualifiedName(const QString &name, TfrObject *&target, QString &property)
{
    target = CurView;
    property = name;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        const QString head = name.left(dot);
        property = name.mid(dot + 1);
        const QString upper = head.toUpper();
        if (upper.startsWith(QLatin1String("PAGE")) && upper.size() > 4 && upper.at(4).isDigit()) {
            bool ok = false;
            const int number = upper.mid(4).toInt(&ok);
            target = ok && CurReport ? CurReport->Page(number - 1) : nullptr;
        } else {
            target = CurReport ? CurReport->FindObject(head) : nullptr;
            if (!target && CurView) {
                CurView->EnsurePropertiesDefined();
                if (CurView->GetPropRec(head)) {
                    target = CurView;
                    property = name;
                }
            }
        }
    }
    if (target)
        target->EnsurePropertiesDefined();
}

bool frCallObjectMethod(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                        const TfrVariant &p3, TfrVariant &result)
{
    TfrObject *target = nullptr;
    QString method;
    frResolveQualifiedName(name, target, method);
    if (!target)
        return false;
    result = target->DoMethod(method.toUpper(), p1, p2, p3);
    return true;
}

bool frSetObjectProperty(const QString &name, const TfrVariant &value)
{
    TfrObject *target = nullptr;
    QString property;
    frResolveQualifiedName(name, target, property);
    if (!target || !target->GetPropRec(property))
        return false;
    target->SetPropValue(property, value);
    return true;
}

bool frCallIndexProperty(const QString &name, const QString &methodName, const TfrVariant &index,
                         const TfrVariant &value, TfrVariant &result)
{
    TfrObject *target = nullptr;
    QString property;
    frResolveQualifiedName(name, target, property);
    if (!target)
        return false;
    result = target->DoMethod(methodName, TfrVariant(property.toUpper()), index, value);
    return true;
}
