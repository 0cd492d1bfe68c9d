#include "report/eval/db_functions.h"

#include "report/eval/components.h"
#include "report/eval/parser.h"

namespace {

// The field part of a reference: after the last point before the first double quote.
QString fieldPartOf(const QString &reference)
{
    const qsizetype quote = reference.indexOf(u'"');
    const qsizetype prefixEnd = quote < 0 ? reference.size() : quote;
    const qsizetype lastPoint = prefixEnd > 0 ? reference.lastIndexOf(u'.', prefixEnd - 1) : -1;
    return frRemoveQuotes(reference.mid(lastPoint + 1));
}

} // namespace

bool frFieldIsNull(const QString &reference, bool useDefaultDataSet)
{
    TfrTableCursor *dataSet = useDefaultDataSet ? GetDefaultDataSet() : nullptr;
    QString field;
    frGetDataSetAndField(reference, dataSet, field);
    if (!dataSet)
        return true;
    if (!dataSet->Active())
        dataSet->Open();
    // A data set without that field is a template error; its own message names the field.
    return dataSet->FieldByName(field.isEmpty() ? fieldPartOf(reference) : field).IsNull();
}

TDatabaseFunctionLibrary::TDatabaseFunctionLibrary()
{
    SetList({QStringLiteral("FIELDISNULL")});
    AddFunctionDesc(QStringLiteral("FIELDISNULL"), QStringLiteral("Базы данных"),
                    QStringLiteral("FIELDISNULL(<Поле>)/Возвращает истину, если значение поля <Поле> "
                                   "в текущей записи пустое (NULL)."));
}

void TDatabaseFunctionLibrary::DoFunction(int FNo, const TfrVariant &p1, const TfrVariant &p2,
                                          const TfrVariant &p3, TfrVariant &val)
{
    Q_UNUSED(p2) Q_UNUSED(p3)
    val = TfrVariant(0);
    if (FNo != 0)
        return;
    const QString argument = p1.isString() ? p1.rawString() : p1.toString();
    const QString reference = frParser->Calc(argument).toString();
    val = TfrVariant(frFieldIsNull(reference, frRunContext().UseDefaultDataSetName()));
}
