#include "report/eval/std_functions.h"

#include "report/eval/aggregates.h"
#include "report/eval/date_format.h"
#include "report/eval/format_text.h"
#include "report/eval/number_format.h"
#include "report/eval/parser.h"
#include "report/eval/ui_hooks.h"
#include "report/eval/variant_ops.h"

namespace {

enum StdFunction {
    fnAvg, fnCount, fnDayOf, fnFormatDateTime, fnFormatFloat, fnFormatText, fnInput, fnLength,
    fnLowerCase, fnMax, fnMaxNum, fnMessageBox, fnMin, fnMinNum, fnMonthOf, fnNameCase, fnPos,
    fnSum, fnTrim, fnUpperCase, fnYearOf,
};

const char *const kNames[] = {
    "AVG", "COUNT", "DAYOF", "FORMATDATETIME", "FORMATFLOAT", "FORMATTEXT", "INPUT", "LENGTH",
    "LOWERCASE", "MAX", "MAXNUM", "MESSAGEBOX", "MIN", "MINNUM", "MONTHOF", "NAMECASE", "POS",
    "SUM", "TRIM", "UPPERCASE", "YEAROF",
};

struct Description {
    const char *category;
    const char *name;
    const char *text;
};

// The designer's catalogue: the call form, "/" and what the function does.
const Description kDescriptions[] = {
    {"Агрегатные", "AVG", "AVG(<Выражение> [,ИмяБэнда [,1]])/Вычисляет среднее значение выражения <Выражение> для строк данных [ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {"Агрегатные", "COUNT", "COUNT(<ИмяБэнда> [,1])/Вычисляет количество строк данных <ИмяБэнда>. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {"Агрегатные", "MAX", "MAX(<Выражение> [,ИмяБэнда [,1]])/Вычисляет максимальное значение выражения <Выражение> для строк данных [ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {"Агрегатные", "MIN", "MIN(<Выражение> [,ИмяБэнда [,1]])/Вычисляет минимальное значение выражения <Выражение> для строк данных [ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {"Агрегатные", "SUM", "SUM(<Выражение> [,ИмяБэнда [,1]])/Вычисляет сумму выражения <Выражение> для строк данных [ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {"Дата и время", "DAYOF", "DAYOF(<Дата>)/Возвращает день месяца даты <Дата>."},
    {"Дата и время", "MONTHOF", "MONTHOF(<Дата>)/Возвращает номер месяца даты <Дата>."},
    {"Дата и время", "YEAROF", "YEAROF(<Дата>)/Возвращает год даты <Дата>."},
    {"Дата и время", "STRTODATE", "STRTODATE(<Строка>)/Преобразует строку <Строка> в дату."},
    {"Дата и время", "STRTOTIME", "STRTOTIME(<Строка>)/Преобразует строку <Строка> во время."},
    {"Дата и время", "DATE", "DATE/Возвращает дату начала построения отчета."},
    {"Дата и время", "TIME", "TIME/Возвращает время начала построения отчета."},
    {"Строковые", "FORMATDATETIME", "FORMATDATETIME(<Шаблон>, <ДатаВремя>)/Форматирует дату и время <ДатаВремя> по шаблону <Шаблон>."},
    {"Строковые", "FORMATFLOAT", "FORMATFLOAT(<Шаблон>, <Число>)/Форматирует число <Число> по шаблону <Шаблон>."},
    {"Строковые", "FORMATTEXT", "FORMATTEXT(<Маска>, <Строка>)/Форматирует строку <Строка> по маске ввода <Маска>."},
    {"Строковые", "LENGTH", "LENGTH(<Строка>)/Возвращает длину строки <Строка>."},
    {"Строковые", "LOWERCASE", "LOWERCASE(<Строка>)/Преобразует строку <Строка> в нижний регистр."},
    {"Строковые", "NAMECASE", "NAMECASE(<Строка>)/Преобразует строку <Строка> в нижний регистр, первую букву - в верхний."},
    {"Строковые", "TRIM", "TRIM(<Строка>)/Удаляет пробелы в начале и в конце строки <Строка>."},
    {"Строковые", "UPPERCASE", "UPPERCASE(<Строка>)/Преобразует строку <Строка> в верхний регистр."},
    {"Строковые", "POS", "POS(<Подстрока>, <Строка>)/Возвращает позицию подстроки <Подстрока> в строке <Строка> или 0."},
    {"Строковые", "COPY", "COPY(<Строка>, <Позиция>, <Длина>)/Возвращает <Длина> символов строки <Строка>, начиная с позиции <Позиция>."},
    {"Строковые", "STR", "STR(<Число>)/Преобразует число <Число> в строку."},
    {"Прочие", "INPUT", "INPUT(<Запрос> [,Значение])/Запрашивает у пользователя строку; [Значение] - значение по умолчанию."},
    {"Прочие", "MESSAGEBOX", "MESSAGEBOX(<Текст>, <Заголовок>, <Кнопки>)/Показывает сообщение <Текст> и возвращает нажатую кнопку."},
    {"Прочие", "IF", "IF(<Условие>, <Да>, <Нет>)/Возвращает <Да>, если условие <Условие> выполнено, иначе <Нет>."},
    {"Прочие", "PAGE#", "PAGE#/Возвращает номер текущей страницы."},
    {"Прочие", "LINE#", "LINE#/Возвращает номер текущей строки данных в группе."},
    {"Прочие", "LINETHROUGH#", "LINETHROUGH#/Возвращает сквозной номер текущей строки данных."},
    {"Прочие", "COLUMN#", "COLUMN#/Возвращает номер текущей колонки."},
    {"Прочие", "TOTALPAGES", "TOTALPAGES/Возвращает число страниц отчета (в двухпроходном отчете)."},
    {"Арифметические", "MAXNUM", "MAXNUM(<Число1>, <Число2>)/Возвращает большее из двух значений."},
    {"Арифметические", "MINNUM", "MINNUM(<Число1>, <Число2>)/Возвращает меньшее из двух значений."},
    {"Арифметические", "MOD", "<Число1> MOD <Число2>/Возвращает остаток от деления <Число1> на <Число2>."},
    {"Арифметические", "ROUND", "ROUND(<Число>)/Округляет число <Число> до целого."},
    {"Арифметические", "FRAC", "FRAC(<Число>)/Возвращает дробную часть числа <Число>."},
    {"Арифметические", "INT", "INT(<Число>)/Возвращает целую часть числа <Число>."},
    {"Логические", "NOT", "NOT <Выражение>/Логическое отрицание выражения <Выражение>."},
    {"Логические", "AND", "<Выражение1> AND <Выражение2>/Логическое И."},
    {"Логические", "OR", "<Выражение1> OR <Выражение2>/Логическое ИЛИ."},
    {"Логические", "TRUE", "TRUE/Логическое значение \"истина\"."},
    {"Логические", "FALSE", "FALSE/Логическое значение \"ложь\"."},
    {"Отчет", "REPORTCOMMENT", "REPORTCOMMENT/Возвращает комментарий отчета."},
    {"Отчет", "REPORTNAME", "REPORTNAME/Возвращает название отчета."},
    {"Отчет", "REPORTAUTOR", "REPORTAUTOR/Возвращает автора отчета."},
    {"Отчет", "VMAJOR", "VMAJOR/Возвращает старший номер версии отчета."},
    {"Отчет", "VMINOR", "VMINOR/Возвращает младший номер версии отчета."},
    {"Отчет", "VRELEASE", "VRELEASE/Возвращает номер выпуска отчета."},
    {"Отчет", "VBUILD", "VBUILD/Возвращает номер сборки отчета."},
    {"Отчет", "REPORTDATE", "REPORTDATE/Возвращает дату создания отчета."},
    {"Отчет", "REPORTLASTCHANGE", "REPORTLASTCHANGE/Возвращает дату последнего изменения отчета."},
    {"Интерпретатор", "MROK", "MROK/Код кнопки OK."},
    {"Интерпретатор", "MRCANCEL", "MRCANCEL/Код кнопки Отмена."},
    {"Интерпретатор", "CURY", "CURY/Текущая позиция печати на странице."},
    {"Интерпретатор", "FREESPACE", "FREESPACE/Свободное место на странице."},
    {"Интерпретатор", "FINALPASS", "FINALPASS/Истина во время последнего прохода отчета."},
    {"Интерпретатор", "PAGEHEIGHT", "PAGEHEIGHT/Высота страницы."},
    {"Интерпретатор", "PAGEWIDTH", "PAGEWIDTH/Ширина страницы."},
    {"Интерпретатор", "PROGRESS", "PROGRESS/Текст в окне хода построения отчета."},
    {"Интерпретатор", "MODALRESULT", "MODALRESULT/Результат диалоговой формы."},
    {"Интерпретатор", "STOPREPORT", "STOPREPORT/Прекращает построение отчета."},
    {"Интерпретатор", "NEWPAGE", "NEWPAGE/Начинает новую страницу."},
    {"Интерпретатор", "NEWCOLUMN", "NEWCOLUMN/Начинает новую колонку."},
    {"Интерпретатор", "SHOWBAND", "SHOWBAND(<ИмяБэнда>)/Печатает бэнд <ИмяБэнда>."},
    {"Интерпретатор", "INC", "INC(<Переменная>)/Увеличивает значение переменной <Переменная> на 1."},
    {"Интерпретатор", "DEC", "DEC(<Переменная>)/Уменьшает значение переменной <Переменная> на 1."},
};

QString argText(const TfrVariant &p) { return p.isString() ? p.rawString() : p.toString(); }

TfrVariant calc(const TfrVariant &p) { return frParser->Calc(argText(p)); }

// An argument left out is the empty text, not the text of the 0 an empty expression gives.
QString textArg(const TfrVariant &p)
{
    const QString source = argText(p);
    if (source.trimmed().isEmpty())
        return QString();
    return frParser->Calc(source).toString();
}

int datePart(const char *pattern, const TfrVariant &p)
{
    return frStrToInt(frFormatDateTime(QLatin1String(pattern), calc(p).toDateTime()));
}

} // namespace

QString frTrimText(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b].unicode() <= u' ')
        ++b;
    while (e > b && text[e - 1].unicode() <= u' ')
        --e;
    return text.mid(b, e - b);
}

QString frNameCase(const QString &text)
{
    if (text.isEmpty())
        return text;
    QString result = text.toLower();
    result[0] = result[0].toUpper();
    return result;
}

TfrStdFunctionLibrary::TfrStdFunctionLibrary()
{
    QStringList names;
    for (const char *name : kNames)
        names.append(QLatin1String(name));
    SetList(names);
    for (const Description &d : kDescriptions)
        AddFunctionDesc(QString::fromUtf8(d.name), QString::fromUtf8(d.category), QString::fromUtf8(d.text));
}

void TfrStdFunctionLibrary::DoFunction(int FNo, const TfrVariant &p1, const TfrVariant &p2,
                                       const TfrVariant &p3, TfrVariant &val)
{
    switch (FNo) {
    case fnAvg:
        frAggregateFunction(agAvg, argText(p1), argText(p2), argText(p3), val);
        break;
    case fnCount:
        frAggregateFunction(agCount, argText(p1), argText(p2), argText(p3), val);
        break;
    case fnMax:
        frAggregateFunction(agMax, argText(p1), argText(p2), argText(p3), val);
        break;
    case fnMin:
        frAggregateFunction(agMin, argText(p1), argText(p2), argText(p3), val);
        break;
    case fnSum:
        frAggregateFunction(agSum, argText(p1), argText(p2), argText(p3), val);
        break;
    case fnDayOf:
        val = TfrVariant(datePart("d", p1));
        break;
    case fnMonthOf:
        val = TfrVariant(datePart("m", p1));
        break;
    case fnYearOf:
        val = TfrVariant(datePart("yyyy", p1));
        break;
    case fnFormatDateTime:
        val = TfrVariant(frFormatDateTime(textArg(p1), calc(p2).toDateTime()));
        break;
    case fnFormatFloat:
        val = TfrVariant(frFormatFloat(textArg(p1), calc(p2).toReal()));
        break;
    case fnFormatText:
        val = TfrVariant(frFormatMaskText(textArg(p1) + QStringLiteral(";0; "), textArg(p2)));
        break;
    case fnInput:
        val = TfrVariant(frInputBox(QString(), textArg(p1), textArg(p2)));
        break;
    case fnMessageBox: {
        const QString text = textArg(p1), caption = textArg(p2);
        const int flags = argText(p3).trimmed().isEmpty() ? 0 : calc(p3).toInteger();
        val = TfrVariant(frMessageBox(text, caption, flags));
        break;
    }
    case fnLength:
        val = TfrVariant(int(textArg(p1).size()));
        break;
    case fnLowerCase:
        val = TfrVariant(textArg(p1).toLower());
        break;
    case fnUpperCase:
        val = TfrVariant(textArg(p1).toUpper());
        break;
    case fnNameCase:
        val = TfrVariant(frNameCase(textArg(p1)));
        break;
    case fnTrim:
        val = TfrVariant(frTrimText(textArg(p1)));
        break;
    case fnPos: {
        const QString part = textArg(p1), text = textArg(p2);
        val = TfrVariant(part.isEmpty() ? 0 : int(text.indexOf(part)) + 1);
        break;
    }
    case fnMaxNum:
    case fnMinNum: {
        const TfrVariant a = calc(p1), b = calc(p2);
        const TfrCompareOp op = FNo == fnMaxNum ? TfrCompareOp::Greater : TfrCompareOp::Less;
        val = frVarCompare(a, b, op) ? a : b;
        break;
    }
    default:
        break;
    }
}
