#include "report/eval/value_resolution.h"

#include <algorithm>

#include "report/eval/codec.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/date_format.h"
#include "report/eval/globals.h"
#include "report/eval/number_format.h"
#include "report/eval/parser.h"
#include "report/eval/variables.h"
#include "report/eval/variant_ops.h"

TfrValueContext::~TfrValueContext() = default;

namespace {

TfrValueContext *g_context = nullptr;

constexpr quint32 kCategoryNumber = 1;
constexpr quint32 kCategoryDate = 2;
constexpr quint32 kCategoryTime = 3;
constexpr quint32 kCategoryBoolean = 4;
constexpr quint32 kVariantFormatString = 4;
// The fixed layouts keep at most this many decimals.
constexpr int kMaxFixedDecimals = 18;

quint32 makeFormat(quint32 category, quint32 variant, quint32 decimals, quint32 separator)
{
    return (category << 24) | (variant << 16) | (decimals << 8) | separator;
}

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// An inline format (the text after " #") replaces the object's format word and string.
void applyInlineFormat(QString f, quint32 &format, QString &formatStr)
{
    if (!f.isEmpty() && isAsciiDigit(f.at(0)))
        f.prepend(QLatin1Char('N'));
    const QChar first = f.isEmpty() ? QChar() : f.at(0);
    if (first == QLatin1Char('N') || first == QLatin1Char('n')) {
        const bool fixed = f.size() > 1 && isAsciiDigit(f.at(1));
        quint32 separator = 0;
        quint32 decimals = 0;
        for (qsizetype i = f.size() - 1; i >= 1; --i) {
            const QChar c = f.at(i);
            if (c != QLatin1Char(',') && c != QLatin1Char('-') && c != QLatin1Char('.'))
                continue;
            separator = frCharToCp1251(c);
            f[i] = QLatin1Char('.');
            if (fixed) {
                qsizetype j = i + 1;
                while (j < f.size() && isAsciiDigit(f.at(j))) {
                    decimals = std::min<quint32>(decimals * 10 + quint32(f.at(j).unicode() - '0'), 255);
                    ++j;
                }
            }
            break;
        }
        if (fixed) {
            format = makeFormat(kCategoryNumber, 1, decimals, separator);
        } else {
            format = makeFormat(kCategoryNumber, kVariantFormatString, decimals, separator);
            formatStr = f.mid(1);
        }
    } else if (first == QLatin1Char('D') || first == QLatin1Char('d') || first == QLatin1Char('T')
               || first == QLatin1Char('t')) {
        format = makeFormat(kCategoryDate, kVariantFormatString, 0, 0);
        formatStr = f.mid(1);
    } else if (first == QLatin1Char('B') || first == QLatin1Char('b')) {
        format = makeFormat(kCategoryBoolean, kVariantFormatString, 0, 0);
        formatStr = f.mid(1);
    } else {
        formatStr = f;
    }
}

bool systemVariable(const QString &name, TfrVariant &value)
{
    TfrValueContext &ctx = frValueContext();
    const TfrValueState &st = frValueState();
    if (name == QLatin1String("PAGE#"))
        value = TfrVariant(PageNo + 1);
    else if (name == QLatin1String("DATE"))
        value = TfrVariant::fromDateTime(st.reportDate);
    else if (name == QLatin1String("TIME"))
        value = TfrVariant::fromDateTime(st.reportTime);
    else if (name == QLatin1String("LINE#"))
        value = TfrVariant(ctx.LineNo());
    else if (name == QLatin1String("LINETHROUGH#"))
        value = TfrVariant(ctx.LineThroughNo());
    else if (name == QLatin1String("COLUMN#"))
        value = TfrVariant(ctx.CrossColumnNo());
    else if (name == QLatin1String("CURRENT#"))
        value = TfrVariant(ctx.RecordNo());
    else if (name == QLatin1String("TOTALPAGES"))
        value = TfrVariant(ctx.TotalPages());
    else if (name == QLatin1String("CALCWIDTH"))
        value = TfrVariant(ctx.CalcWidth());
    else if (name.startsWith(QLatin1String("REPORT")) || name.startsWith(QLatin1Char('V'))) {
        const TfrDocInfo info = ctx.DocInfo();
        if (name == QLatin1String("REPORTCOMMENT"))
            value = TfrVariant(info.comment);
        else if (name == QLatin1String("REPORTNAME"))
            value = TfrVariant(info.name);
        else if (name == QLatin1String("REPORTAUTOR"))
            value = TfrVariant(info.author);
        else if (name == QLatin1String("VMAJOR"))
            value = TfrVariant(info.versionMajor);
        else if (name == QLatin1String("VMINOR"))
            value = TfrVariant(info.versionMinor);
        else if (name == QLatin1String("VRELEASE"))
            value = TfrVariant(info.versionRelease);
        else if (name == QLatin1String("VBUILD"))
            value = TfrVariant(info.versionBuild);
        else if (name == QLatin1String("REPORTDATE"))
            value = TfrVariant::fromDateTime(info.created);
        else if (name == QLatin1String("REPORTLASTCHANGE"))
            value = TfrVariant::fromDateTime(info.lastChange);
        else
            return false;
    } else {
        return false;
    }
    return true;
}

// Sets the name under evaluation for one evaluation; it is cleared afterwards, also
// when the evaluation fails, so a failed name does not poison the next lookup.
class NameUnderEvaluation {
public:
    explicit NameUnderEvaluation(const QString &name) { frValueState().nameUnderEvaluation = name; }
    ~NameUnderEvaluation() { frValueState().nameUnderEvaluation.clear(); }
    NameUnderEvaluation(const NameUnderEvaluation &) = delete;
    NameUnderEvaluation &operator=(const NameUnderEvaluation &) = delete;
};

QString numberText(const TfrVariant &value, quint32 variant, int decimals, quint32 separator,
                   const QString &formatStr)
{
    const TfrFormatSettings &base = frFormatSettings();
    const QChar sep = separator ? frCp1251ToChar(uchar(separator)) : base.decimalSeparator;
    const double d = value.toReal();
    const int fixedDecimals = std::min(decimals, kMaxFixedDecimals);
    auto run = [&](const TfrFormatSettings &fs) -> QString {
        switch (variant) {
        case 0:
            return frFormatFloat(QStringLiteral("##0.") + QString(decimals, QLatin1Char('#')), d, fs);
        case 1:
            return frFloatToStrF(d, ffFixed, 15, fixedDecimals, fs);
        case 2:
            return frFormatFloat(QStringLiteral("#,##0.") + QString(decimals, QLatin1Char('#')), d, fs);
        case 3:
            return frFloatToStrF(d, ffNumber, 15, fixedDecimals, fs);
        case kVariantFormatString:
            return frFormatFloat(formatStr, d, fs);
        default:
            return value.toString();
        }
    };
    if (sep == base.decimalSeparator)
        return run(base);
    TfrFormatSettings fs = base;
    fs.decimalSeparator = sep;
    return run(fs);
}

QString booleanText(const TfrVariant &value, const QString &pattern)
{
    const qsizetype semicolon = pattern.indexOf(QLatin1Char(';'));
    if (value.toInteger() != 0)
        return semicolon < 0 ? pattern : pattern.mid(semicolon + 1);
    return semicolon < 0 ? QString() : pattern.left(semicolon);
}

} // namespace

TfrValueContext &frValueContext()
{
    static TfrValueContext none;
    return g_context ? *g_context : none;
}

void frSetValueContext(TfrValueContext *context) { g_context = context; }

TfrValueState &frValueState()
{
    static TfrValueState state;
    return state;
}

QString InternalOnGetValue(const QString &content)
{
    TfrValueContext &ctx = frValueContext();
    TfrValueState &st = frValueState();
    st.nameUnderEvaluation.clear();
    quint32 format = 0;
    QString formatStr;
    ctx.ViewFormat(format, formatStr);

    QString expression = content;
    const qsizetype mark = content.indexOf(u" #");
    if (mark >= 0) {
        expression = content.left(mark);
        applyInlineFormat(content.mid(mark + 2), format, formatStr);
    }

    st.lastExpression = expression;
    st.lastValue = TfrVariant(0);
    TfrVariant value(0);
    GetVariableValue(expression, value);
    if (ctx.ViewHidesZeros() && !value.isString()) {
        try {
            if (frVarEquals(value, TfrVariant(0)))
                value = TfrVariant(QString());
        } catch (const std::exception &) {
            // A value that cannot be compared with 0 is shown as it is.
        }
    }
    st.lastValue = value;
    if (ctx.AggregatePrepMode())
        return QString();
    return FormatValue(value, format, formatStr);
}

void GetVariableValue(const QString &name, TfrVariant &value)
{
    TfrValueContext &ctx = frValueContext();
    value = TfrVariant();
    ctx.OnGetValue(name, value);
    if (!value.isEmpty())
        return;

    value = TfrVariant(0);
    if (TfrDataDictionary *dict = ctx.Dictionary(); dict && dict->IsVariable(name)) {
        value = dict->GetValue(name);
        return;
    }
    if (name == QLatin1String("VALUE")) {
        value = frValueState().lastValue;
        return;
    }
    if (systemVariable(name, value))
        return;
    if (const TfrVariant *host = frVariables().Find(name)) {
        value = *host;
        return;
    }
    TfrVariant other;
    GetIntrpValue(name, other);
    if (!other.isEmpty()) {
        value = other;
        return;
    }

    // Whatever is left is an expression; a plain unknown name leads back here.
    if (name != frValueState().nameUnderEvaluation) {
        NameUnderEvaluation guard(name);
        value = frParser->Calc(name);
        return;
    }
    if (!ctx.AggregatePrepMode())
        throw EfrError(QStringLiteral("Переменная не определена: \"%1\"").arg(name));
}

void GetIntrpValue(const QString &name, TfrVariant &value)
{
    TfrValueContext &ctx = frValueContext();
    value = TfrVariant();
    if (name == QLatin1String("CURY"))
        value = TfrVariant(ctx.PosY());
    else if (name == QLatin1String("FREESPACE"))
        value = TfrVariant(ctx.LimitY() - ctx.PosY());
    else if (name == QLatin1String("FINALPASS"))
        value = TfrVariant(ctx.FinalPass());
    else if (name == QLatin1String("PAGEHEIGHT"))
        value = TfrVariant(ctx.LimitY());
    else if (name == QLatin1String("PAGEWIDTH"))
        value = TfrVariant(ctx.RightMargin());
    else if (TfrVariant prop; ctx.GetObjectProperty(name, prop))
        value = prop.isEmpty() ? TfrVariant::null() : prop;
    else if (const TfrVariant *c = frConsts().Find(name))
        value = *c;
}

QString FormatValue(const TfrVariant &value, quint32 format, const QString &formatStr)
{
    if (value.isEmptyOrNull())
        return QString();
    if (value.isString() && value.rawString().trimmed().isEmpty())
        return QString();

    const quint32 category = (format >> 24) & 0x0F;
    const quint32 variant = (format >> 16) & 0xFF;
    const int decimals = int((format >> 8) & 0xFF);
    const quint32 separator = format & 0xFF;
    try {
        switch (category) {
        case kCategoryNumber:
            return numberText(value, variant, decimals, separator, formatStr);
        case kCategoryDate:
        case kCategoryTime: {
            QString pattern;
            if (variant == kVariantFormatString)
                pattern = formatStr;
            else if (category == kCategoryDate && variant < 3)
                pattern = frDateFormats[variant];
            else if (category == kCategoryDate && variant == 3)
                pattern = frFormatSettings().longDateFormat;
            else if (category == kCategoryTime && variant < 4)
                pattern = frTimeFormats[variant];
            else
                return value.toString();
            return frFormatDateTime(pattern, value.toDateTime());
        }
        case kCategoryBoolean:
            if (variant == kVariantFormatString)
                return booleanText(value, formatStr);
            if (variant < 4)
                return booleanText(value, frBoolFormats[variant]);
            return value.toString();
        default:
            return value.toString();
        }
    } catch (const std::exception &) {
        return value.toString();
    }
}

void frInstallNameHandler()
{
    frParser->NameHandler = TGetPValueEvent(
        [](void *, const QString &s, TfrVariant &v) { GetVariableValue(s, v); }, nullptr);
}

QString frEvaluationErrorText(const QString &reportName, bool hasObject, const QString &objectName,
                              const QStringList &objectLines, const QString &message)
{
    const QChar cr(13);
    QString text = QStringLiteral("Возникла ошибка при обработке выражения");
    if (hasObject)
        for (const QString &line : objectLines)
            text += cr + line;
    text += cr;
    text += cr;
    text += QStringLiteral("Документ: ") + reportName + cr;
    if (hasObject)
        text += QStringLiteral("Объект: ") + objectName + cr;
    text += cr + message;
    return text;
}

void frRecordEvaluationError(const QString &reportName, bool hasObject, const QString &objectName,
                             const QStringList &objectLines, const QString &message)
{
    ErrorFlag = true;
    ErrorStr = frEvaluationErrorText(reportName, hasObject, objectName, objectLines, message);
}
