#include "report/model/template_json.h"
#include "report/model/template_limits.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>
#include <array>
#include <climits>
#include <cmath>
#include <span>

#include "report/eval/data_dictionary.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/picture_view.h"
#include "report/model/registry.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"

namespace {

// ---- names of enumerated fields ---------------------------------------------------------

struct EnumName {
    const char *name;
    int value;
};

constexpr EnumName kObjectTypes[] = {
    {"otMemo", otMemo}, {"otPicture", otPicture}, {"otBand", otBand},
    {"otSubReport", otSubReport}, {"otLine", otLine}, {"otAddIn", otAddIn},
};
constexpr EnumName kOrientations[] = {{"poPortrait", 0}, {"poLandscape", 1}};
constexpr EnumName kPageTypes[] = {{"ptReport", ptReport}, {"ptDialog", ptDialog}};
constexpr EnumName kBorderStyles[] = {{"bsDialog", 3}, {"bsSizeable", 2}};
constexpr EnumName kPositions[] = {{"poDesigned", 0}, {"poScreenCenter", 4}};
constexpr EnumName kFrameStyles[] = {
    {"psSolid", psSolid}, {"psDash", psDash}, {"psDot", psDot},
    {"psDashDot", psDashDot}, {"psDashDotDot", psDashDotDot}, {"psDouble", psDouble},
};
constexpr EnumName kBandAligns[] = {
    {"baNone", baNone}, {"baLeft", baLeft}, {"baRight", baRight}, {"baCenter", baCenter},
    {"baWidth", baWidth}, {"baBottom", baBottom}, {"baTop", baTop}, {"baRest", baRest},
};
constexpr EnumName kBandTypes[] = {
    {"btReportTitle", btReportTitle}, {"btReportSummary", btReportSummary},
    {"btPageHeader", btPageHeader}, {"btPageFooter", btPageFooter},
    {"btMasterHeader", btMasterHeader}, {"btMasterData", btMasterData},
    {"btMasterFooter", btMasterFooter}, {"btDetailHeader", btDetailHeader},
    {"btDetailData", btDetailData}, {"btDetailFooter", btDetailFooter},
    {"btSubDetailHeader", btSubDetailHeader}, {"btSubDetailData", btSubDetailData},
    {"btSubDetailFooter", btSubDetailFooter}, {"btOverlay", btOverlay},
    {"btColumnHeader", btColumnHeader}, {"btColumnFooter", btColumnFooter},
    {"btGroupHeader", btGroupHeader}, {"btGroupFooter", btGroupFooter},
    {"btCrossHeader", btCrossHeader}, {"btCrossData", btCrossData},
    {"btCrossFooter", btCrossFooter}, {"btChild", btChild}, {"btNone", btNone},
};
constexpr EnumName kBlobTypes[] = {{"btBMP", btBMP}, {"btJPG", btJPG}, {"btICO", btICO}, {"btWMF", btWMF}};
constexpr EnumName kPictureKinds[] = {
    {"pkNone", pkNone}, {"pkBitmap", pkBitmap}, {"pkMetafile", pkMetafile},
    {"pkIcon", pkIcon}, {"pkJPEG", pkJPEG},
};

const char *nameOf(std::span<const EnumName> table, int value)
{
    for (const EnumName &e : table)
        if (e.value == value)
            return e.name;
    return nullptr;
}

QString colorText(qint32 color)
{
    for (size_t i = 0; i < frColors.size(); ++i)
        if (frColors[i] == color)
            return QString(frColorNames[i]);
    return QStringLiteral("0x") + QString::number(quint32(color), 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

// ---- an ordered JSON writer -------------------------------------------------------------
//
// QJsonObject sorts its keys; a description reads better in record order.

class JsonWriter {
public:
    JsonWriter &key(const char *name)
    {
        separate();
        appendString(QString::fromLatin1(name));
        m_out += ": ";
        m_afterKey = true;
        return *this;
    }

    void beginObject() { open('{', false); }
    void endObject() { close('}'); }
    // An inline array stays on one line (pairs of the dictionary).
    void beginArray(bool inlined = false) { open('[', inlined); }
    void endArray() { close(']'); }

    void value(const QString &s)
    {
        separate();
        appendString(s);
    }
    void value(const char *s) { value(QString::fromLatin1(s)); }
    void value(qint64 v)
    {
        separate();
        m_out += QByteArray::number(v);
    }
    void value(int v) { value(qint64(v)); }
    void value(bool v)
    {
        separate();
        m_out += v ? "true" : "false";
    }
    void value(double v)
    {
        if (std::isnan(v))
            return value("NaN");
        if (std::isinf(v))
            return value(v > 0 ? "Infinity" : "-Infinity");
        separate();
        m_out += QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
    }
    void enumValue(std::span<const EnumName> table, int v)
    {
        if (const char *name = nameOf(table, v))
            value(name);
        else
            value(v);
    }
    void lines(const QStringList &list)
    {
        beginArray(list.isEmpty());
        for (const QString &line : list)
            value(line);
        endArray();
    }

    QByteArray result() const { return m_out + '\n'; }

private:
    struct Level {
        bool inlined;
        int count = 0;
    };

    void newline()
    {
        m_out += '\n';
        m_out += QByteArray(2 * qsizetype(m_levels.size()), ' ');
    }
    void separate()
    {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (m_levels.empty())
            return;
        Level &level = m_levels.back();
        if (level.count++ > 0)
            m_out += level.inlined ? ", " : ",";
        if (!level.inlined)
            newline();
    }
    void open(char c, bool inlined)
    {
        separate();
        m_out += c;
        m_levels.push_back({inlined || (!m_levels.empty() && m_levels.back().inlined)});
    }
    void close(char c)
    {
        const Level level = m_levels.back();
        m_levels.pop_back();
        if (level.count > 0 && !level.inlined)
            newline();
        m_out += c;
    }
    void appendString(const QString &s)
    {
        m_out += '"';
        for (const QChar ch : s) {
            const char16_t u = ch.unicode();
            switch (u) {
            case '"': m_out += "\\\""; break;
            case '\\': m_out += "\\\\"; break;
            case '\n': m_out += "\\n"; break;
            case '\r': m_out += "\\r"; break;
            case '\t': m_out += "\\t"; break;
            case '\b': m_out += "\\b"; break;
            case '\f': m_out += "\\f"; break;
            default:
                if (u < 0x20 || (u >= 0x7F && u < 0xA0))
                    m_out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0')).toLatin1();
                else
                    m_out += QString(ch).toUtf8();
            }
        }
        m_out += '"';
    }

    QByteArray m_out;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

// ---- describing -------------------------------------------------------------------------

void writeVariables(JsonWriter &w, const char *name, const TfrVariables &list)
{
    w.key(name).beginArray(list.GetCount() == 0);
    for (int i = 0; i < list.GetCount(); ++i) {
        w.beginArray(true);
        w.value(list.GetName(i));
        w.value(list.GetValue(i).toString());
        w.endArray();
    }
    w.endArray();
}

void writeView(JsonWriter &w, TfrView &v)
{
    const bool band = v.Typ == otBand;
    w.beginObject();
    w.key("Type").enumValue(kObjectTypes, v.Typ);
    if (v.Typ == otAddIn)
        w.key("ClassName").value(v.ClassName());
    w.key("Name").value(v.Name);
    if (!band && v.classPartVersion != 0)
        w.key("ClassPartVersion").value(int(v.classPartVersion));
    w.key("Left").value(v.Left);
    w.key("Top").value(v.Top);
    w.key("Width").value(v.Width);
    w.key("Height").value(v.Height);
    w.key("Flags").value(int(v.Flags));
    if (band)
        w.key("BandType").enumValue(kBandTypes, v.FrameTyp);
    else
        w.key("FrameTyp").value(int(v.FrameTyp));
    w.key("FrameWidth").value(v.FrameWidth);
    w.key("FrameColor").value(colorText(v.FrameColor));
    w.key("FrameStyle").enumValue(kFrameStyles, v.FrameStyle);
    w.key("FillColor").value(colorText(v.FillColor));
    w.key("Format").value(qint64(v.formatCode));
    w.key(band ? "DataSource" : "FormatStr").value(v.formatText);
    w.key("Memo").lines(v.Memo);
    w.key("Script").lines(v.scriptLines);
    w.key("Visible").value(v.Visible);
    w.key("Restrictions").value(int(v.Restrictions));
    w.key("Tag").value(v.Tag);
    w.key("GapX").value(v.GapX);
    w.key("GapY").value(v.GapY);
    w.key("BandAlign").enumValue(kBandAligns, v.BandAlign);

    if (auto *m = dynamic_cast<TfrMemoView *>(&v)) {
        w.key("Font").beginObject();
        w.key("Name").value(m->Font.Name);
        w.key("Size").value(qint64(m->Font.Size));
        w.key("Style").value(int(m->Font.Style));
        w.key("Color").value(colorText(m->Font.Color));
        w.key("Charset").value(int(m->Font.Charset));
        w.endObject();
        w.key("Alignment").value(qint64(m->Alignment));
        w.key("Highlight").beginObject();
        w.key("FontStyle").value(int(m->Highlight.FontStyle));
        w.key("FontColor").value(colorText(m->Highlight.FontColor));
        w.key("FillColor").value(colorText(m->Highlight.FillColor));
        w.key("Condition").value(m->highlightCondition);
        w.endObject();
        w.key("LineSpacing").value(qint64(m->LineSpacing));
        w.key("CharSpacing").value(qint64(m->CharSpacing));
    } else if (auto *p = dynamic_cast<TfrPictureView *>(&v)) {
        w.key("Picture").beginObject();
        w.key("Kind").enumValue(kPictureKinds, p->Picture.kind());
        w.key("Data").value(QString::fromLatin1(p->Picture.data().toBase64()));
        w.endObject();
        w.key("BlobType").enumValue(kBlobTypes, p->BlobType);
    } else if (auto *b = dynamic_cast<TfrBandView *>(&v)) {
        w.key("ChildBand").value(b->ChildBand);
        w.key("Columns").value(qint64(b->Columns));
        w.key("ColumnWidth").value(qint64(b->ColumnWidth));
        w.key("ColumnGap").value(qint64(b->ColumnGap));
        w.key("NewColumnAfter").value(qint64(b->recordsPerColumn));
        w.key("Master").value(b->Master);
    } else if (auto *s = dynamic_cast<TfrSubReportView *>(&v)) {
        w.key("SubPage").value(qint64(s->subPageIndex));
    }
    w.endObject();
}

void writePage(JsonWriter &w, TfrPage &page)
{
    w.beginObject();
    w.key("Name").value(page.Name);
    w.key("Type").enumValue(kPageTypes, page.PageType);
    w.key("Size").value(qint64(page.pgSize));
    w.key("PaperWidth").value(qint64(page.pgWidth));
    w.key("PaperHeight").value(qint64(page.pgHeight));
    w.key("LeftMargin").value(page.pgMargins.Left);
    w.key("TopMargin").value(page.pgMargins.Top);
    w.key("RightMargin").value(page.pgMargins.Right);
    w.key("BottomMargin").value(page.pgMargins.Bottom);
    w.key("Orientation").enumValue(kOrientations, page.pgOr);
    w.key("Bin").value(qint64(page.pgBin));
    w.key("PrintToPrevPage").value(page.PrintToPrevPage);
    w.key("StretchToPrintable").value(!page.applyMargins);
    w.key("Columns").value(qint64(page.Columns));
    w.key("ColumnGap").value(qint64(page.ColGap));
    w.key("Dialog").beginObject();
    w.key("BorderStyle").enumValue(kBorderStyles, page.BorderStyle);
    w.key("Caption").value(page.Caption);
    w.key("Color").value(colorText(page.Color));
    w.key("Left").value(page.Left);
    w.key("Top").value(page.Top);
    w.key("Width").value(page.Width);
    w.key("Height").value(page.Height);
    w.key("Position").enumValue(kPositions, page.Position);
    w.endObject();
    w.key("Script").lines(page.scriptLines);
    w.key("Objects").beginArray(page.Objects.empty());
    for (const auto &v : page.Objects)
        writeView(w, *v);
    w.endArray();
    w.endObject();
}

// ---- reading ----------------------------------------------------------------------------

[[noreturn]] void fail(const QString &path, const QString &what)
{
    throw EfrError(path.isEmpty() ? what : path + QStringLiteral(": ") + what);
}

// One JSON object of the description: typed access to its fields, and a check that it has
// no field the reader did not take.
class Fields {
public:
    Fields(const QJsonValue &value, QString path) : m_path(std::move(path))
    {
        if (!value.isUndefined() && !value.isObject())
            fail(m_path, QStringLiteral("expected an object"));
        m_object = value.toObject();
    }

    QString where(const char *key) const
    {
        const QString k = QString::fromLatin1(key);
        return m_path.isEmpty() ? k : m_path + QLatin1Char('.') + k;
    }

    bool has(const char *key) const { return m_object.contains(QLatin1String(key)); }

    QJsonValue take(const char *key)
    {
        m_used.insert(QString::fromLatin1(key));
        return m_object.value(QLatin1String(key));
    }

    qint64 integer(const char *key, qint64 def, qint64 min = INT_MIN, qint64 max = INT_MAX)
    {
        const QJsonValue v = take(key);
        if (v.isUndefined())
            return def;
        const double d = v.toDouble();
        if (!v.isDouble() || d != std::trunc(d))
            fail(where(key), QStringLiteral("expected an integer"));
        if (d < double(min) || d > double(max))
            fail(where(key), QStringLiteral("%1 is out of range %2..%3").arg(d).arg(min).arg(max));
        return qint64(d);
    }

    bool boolean(const char *key, bool def)
    {
        const QJsonValue v = take(key);
        if (v.isUndefined())
            return def;
        if (!v.isBool())
            fail(where(key), QStringLiteral("expected true or false"));
        return v.toBool();
    }

    QString string(const char *key, const QString &def)
    {
        const QJsonValue v = take(key);
        if (v.isUndefined())
            return def;
        if (!v.isString())
            fail(where(key), QStringLiteral("expected a string"));
        return v.toString();
    }

    double real(const char *key, double def)
    {
        const QJsonValue v = take(key);
        if (v.isUndefined())
            return def;
        if (v.isDouble())
            return v.toDouble();
        const QString s = v.toString();
        if (s == QLatin1String("NaN"))
            return std::nan("");
        if (s == QLatin1String("Infinity"))
            return HUGE_VAL;
        if (s == QLatin1String("-Infinity"))
            return -HUGE_VAL;
        fail(where(key), QStringLiteral("expected a number"));
    }

    // A colour name (clWhite ... clInfoBk, clTransparent), "0x" and eight hexadecimal
    // digits, or a number.
    qint32 color(const char *key, qint32 def)
    {
        const QJsonValue v = take(key);
        if (v.isUndefined())
            return def;
        if (v.isDouble()) {
            const double d = v.toDouble();
            if (d != std::trunc(d) || d < INT_MIN || d > UINT_MAX)
                fail(where(key), QStringLiteral("not a colour"));
            return qint32(quint32(qint64(d)));
        }
        const QString s = v.toString();
        for (size_t i = 0; i < frColorNames.size(); ++i)
            if (s.compare(frColorNames[i], Qt::CaseInsensitive) == 0)
                return frColors[i];
        if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
            bool ok = false;
            const uint c = s.mid(2).toUInt(&ok, 16);
            if (ok)
                return qint32(c);
        }
        fail(where(key), QStringLiteral("not a colour: \"%1\"").arg(s));
    }

    // An enumeration name of the table, or the number.
    int enumeration(const char *key, int def, std::span<const EnumName> table, qint64 min, qint64 max)
    {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (!v.isString())
            return int(integer(key, def, min, max));
        take(key);
        const QString s = v.toString();
        for (const EnumName &e : table)
            if (s == QLatin1String(e.name))
                return e.value;
        QStringList names;
        for (const EnumName &e : table)
            names.append(QLatin1String(e.name));
        fail(where(key), QStringLiteral("\"%1\" is none of %2").arg(s, names.join(QLatin1String(", "))));
    }

    QStringList lines(const char *key, const QStringList &def)
    {
        const QJsonValue v = take(key);
        if (v.isUndefined())
            return def;
        if (!v.isArray())
            fail(where(key), QStringLiteral("expected an array of strings"));
        QStringList result;
        const QJsonArray a = v.toArray();
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!a[i].isString())
                fail(where(key) + QStringLiteral("[%1]").arg(i), QStringLiteral("expected a string"));
            result.append(a[i].toString());
        }
        return result;
    }

    QJsonArray array(const char *key)
    {
        const QJsonValue v = take(key);
        if (v.isUndefined())
            return {};
        if (!v.isArray())
            fail(where(key), QStringLiteral("expected an array"));
        return v.toArray();
    }

    Fields object(const char *key) { return Fields(take(key), where(key)); }

    void finish() const
    {
        for (auto it = m_object.begin(); it != m_object.end(); ++it)
            if (!m_used.contains(it.key()))
                fail(m_path.isEmpty() ? it.key() : m_path + QLatin1Char('.') + it.key(), QStringLiteral("unknown field"));
    }

private:
    QJsonObject m_object;
    QString m_path;
    QSet<QString> m_used;
};

void readVariables(Fields &f, const char *key, TfrVariables &list)
{
    const QJsonArray a = f.array(key);
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QJsonArray pair = a[i].toArray();
        if (!a[i].isArray() || pair.size() != 2 || !pair[0].isString() || !pair[1].isString())
            fail(f.where(key) + QStringLiteral("[%1]").arg(i), QStringLiteral("expected [name, value]"));
        list.SetVariable(pair[0].toString(), TfrVariant(pair[1].toString()));
    }
}

constexpr qint64 kWordMax = 0xFFFF;
constexpr qint64 kByteMax = 0xFF;

void readView(Fields &f, TfrView &v)
{
    const bool band = v.Typ == otBand;
    if (f.has("Name"))
        v.Name = f.string("Name", QString());
    else
        v.CreateUniqueName();
    if (!band)
        v.classPartVersion = quint8(f.integer("ClassPartVersion", v.classPartVersion, 0, kByteMax));
    v.Left = int(f.integer("Left", v.Left, -frCoordLimit, frCoordLimit));
    v.Top = int(f.integer("Top", v.Top, -frCoordLimit, frCoordLimit));
    v.Width = int(f.integer("Width", v.Width, -frCoordLimit, frCoordLimit));
    v.Height = int(f.integer("Height", v.Height, -frCoordLimit, frCoordLimit));
    v.Flags = quint16(f.integer("Flags", v.Flags, 0, kWordMax));
    if (band)
        v.FrameTyp = quint16(f.enumeration("BandType", v.FrameTyp, kBandTypes, 0, kWordMax));
    else
        v.FrameTyp = quint16(f.integer("FrameTyp", v.FrameTyp, 0, kWordMax));
    v.FrameWidth = f.real("FrameWidth", v.FrameWidth);
    v.FrameColor = f.color("FrameColor", v.FrameColor);
    v.FrameStyle = quint16(f.enumeration("FrameStyle", v.FrameStyle, kFrameStyles, 0, kWordMax));
    v.FillColor = f.color("FillColor", v.FillColor);
    v.formatCode = qint32(f.integer("Format", v.formatCode));
    v.formatText = f.string(band ? "DataSource" : "FormatStr", v.formatText);
    v.Memo = f.lines("Memo", v.Memo);
    v.scriptLines = f.lines("Script", v.scriptLines);
    v.Visible = f.boolean("Visible", v.Visible);
    v.Restrictions = quint16(f.integer("Restrictions", v.Restrictions, 0, kWordMax));
    v.Tag = f.string("Tag", v.Tag);
    v.GapX = int(f.integer("GapX", v.GapX, -frCoordLimit, frCoordLimit));
    v.GapY = int(f.integer("GapY", v.GapY, -frCoordLimit, frCoordLimit));
    v.BandAlign = quint8(f.enumeration("BandAlign", v.BandAlign, kBandAligns, 0, kByteMax));

    if (auto *m = dynamic_cast<TfrMemoView *>(&v)) {
        Fields font = f.object("Font");
        m->Font.Name = font.string("Name", m->Font.Name);
        m->Font.Size = qint32(font.integer("Size", m->Font.Size));
        m->Font.Style = quint16(font.integer("Style", m->Font.Style, 0, 15));
        m->Font.Color = font.color("Color", m->Font.Color);
        m->Font.Charset = quint8(font.integer("Charset", m->Font.Charset, 0, kByteMax));
        font.finish();
        m->Alignment = qint32(f.integer("Alignment", m->Alignment));
        Fields highlight = f.object("Highlight");
        m->Highlight.FontStyle = quint16(highlight.integer("FontStyle", m->Highlight.FontStyle, 0, 15));
        m->Highlight.FontColor = highlight.color("FontColor", m->Highlight.FontColor);
        m->Highlight.FillColor = highlight.color("FillColor", m->Highlight.FillColor);
        m->highlightCondition = highlight.string("Condition", m->highlightCondition);
        highlight.finish();
        m->LineSpacing = qint32(f.integer("LineSpacing", m->LineSpacing));
        m->CharSpacing = qint32(f.integer("CharSpacing", m->CharSpacing));
    } else if (auto *p = dynamic_cast<TfrPictureView *>(&v)) {
        Fields picture = f.object("Picture");
        const int kind = picture.enumeration("Kind", pkNone, kPictureKinds, 0, kByteMax);
        const QString data = picture.string("Data", QString());
        picture.finish();
        const auto decoded = QByteArray::fromBase64Encoding(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            fail(picture.where("Data"), QStringLiteral("not base64"));
        if (kind == pkNone && !decoded.decoded.isEmpty())
            fail(picture.where("Data"), QStringLiteral("image bytes without a kind"));
        try {
            p->Picture.loadFromData(kind, decoded.decoded);
        } catch (const EfrError &e) {
            fail(picture.where("Data"), e.message());
        }
        p->BlobType = quint8(f.enumeration("BlobType", p->BlobType, kBlobTypes, 0, kByteMax));
    } else if (auto *b = dynamic_cast<TfrBandView *>(&v)) {
        b->ChildBand = f.string("ChildBand", b->ChildBand);
        b->Columns = qint32(f.integer("Columns", b->Columns));
        b->ColumnWidth = qint32(f.integer("ColumnWidth", b->ColumnWidth));
        b->ColumnGap = qint32(f.integer("ColumnGap", b->ColumnGap));
        b->recordsPerColumn = qint32(f.integer("NewColumnAfter", b->recordsPerColumn));
        b->Master = f.string("Master", b->Master);
    } else if (auto *s = dynamic_cast<TfrSubReportView *>(&v)) {
        s->subPageIndex = qint32(f.integer("SubPage", s->subPageIndex));
    }
    f.finish();
}

void readPage(Fields &f, TfrPage &page)
{
    if (f.has("Name"))
        page.Name = f.string("Name", QString());
    else
        page.CreateUniqueName();
    page.PageType = quint8(f.enumeration("Type", page.PageType, kPageTypes, 0, kByteMax));
    const int size = int(f.integer("Size", page.pgSize));
    const int width = int(f.integer("PaperWidth", page.pgWidth));
    const int height = int(f.integer("PaperHeight", page.pgHeight));
    page.pgMargins.Left = int(f.integer("LeftMargin", page.pgMargins.Left));
    page.pgMargins.Top = int(f.integer("TopMargin", page.pgMargins.Top));
    page.pgMargins.Right = int(f.integer("RightMargin", page.pgMargins.Right));
    page.pgMargins.Bottom = int(f.integer("BottomMargin", page.pgMargins.Bottom));
    const int orientation = f.enumeration("Orientation", page.pgOr, kOrientations, 0, kByteMax);
    const int bin = int(f.integer("Bin", page.pgBin));
    page.PrintToPrevPage = f.boolean("PrintToPrevPage", page.PrintToPrevPage);
    page.applyMargins = !f.boolean("StretchToPrintable", !page.applyMargins);
    page.Columns = qint32(f.integer("Columns", page.Columns));
    page.ColGap = qint32(f.integer("ColumnGap", page.ColGap));
    Fields dialog = f.object("Dialog");
    page.BorderStyle = quint8(dialog.enumeration("BorderStyle", page.BorderStyle, kBorderStyles, 0, kByteMax));
    page.Caption = dialog.string("Caption", page.Caption);
    page.Color = dialog.color("Color", page.Color);
    page.Left = int(dialog.integer("Left", page.Left));
    page.Top = int(dialog.integer("Top", page.Top));
    page.Width = int(dialog.integer("Width", page.Width));
    page.Height = int(dialog.integer("Height", page.Height));
    page.Position = quint8(dialog.enumeration("Position", page.Position, kPositions, 0, kByteMax));
    dialog.finish();
    page.scriptLines = f.lines("Script", page.scriptLines);
    page.ChangePaper(size, width, height, bin, orientation);

    const QJsonArray objects = f.array("Objects");
    f.finish();
    CurPage = &page;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        Fields o(objects[i], f.where("Objects") + QStringLiteral("[%1]").arg(i));
        if (!o.has("Type"))
            fail(o.where("Type"), QStringLiteral("missing"));
        const int typ = o.enumeration("Type", 0, kObjectTypes, 0, kByteMax);
        const QString className = typ == otAddIn ? o.string("ClassName", QString()) : QString();
        std::unique_ptr<TfrView> view;
        try {
            view = frCreateObject(typ, className);
        } catch (const EfrError &) {
            ErrorFlag = false;
            ErrorStr.clear();
            fail(o.where("ClassName"), QStringLiteral("no registered class \"%1\"").arg(className));
        }
        if (!view)
            fail(o.where("Type"), QStringLiteral("no object type %1").arg(typ));
        readView(o, *page.Add(std::move(view)));
    }
}

void buildFromJson(TfrReport &report, const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        fail(QString(), QStringLiteral("invalid JSON at offset %1: %2").arg(error.offset).arg(error.errorString()));
    if (!doc.isObject())
        fail(QString(), QStringLiteral("the description is not a JSON object"));

    Fields root(doc.object(), QString());
    report.Clear();
    report.PrintToDefault = root.boolean("PrintToDefault", false);
    report.DoublePassReport = root.boolean("DoublePass", false);
    const QString printer = root.string("Printer", QString());
    if (!printer.isEmpty())
        report.SetPrinterTo(printer);

    const QJsonArray pages = root.array("Pages");
    for (qsizetype i = 0; i < pages.size(); ++i) {
        Fields page(pages[i], QStringLiteral("Pages[%1]").arg(i));
        readPage(page, *report.Pages.Add());
    }

    Fields dictionary = root.object("Dictionary");
    TfrDataDictionary &dict = report.Dictionary();
    readVariables(dictionary, "Variables", dict.VarList);
    readVariables(dictionary, "FieldAliases", dict.AliasList);
    readVariables(dictionary, "DataSources", dict.SourceAliasList);
    dictionary.finish();

    Fields a = root.object("Attributes");
    report.DocInfo.comment = a.string("Comment", QString());
    report.DocInfo.name = a.string("Name", QString());
    report.DocInfo.author = a.string("Author", QString());
    report.DocInfo.versionMajor = a.string("VersionMajor", QString());
    report.DocInfo.versionMinor = a.string("VersionMinor", QString());
    report.DocInfo.versionRelease = a.string("VersionRelease", QString());
    report.DocInfo.versionBuild = a.string("VersionBuild", QString());
    report.docPassword = a.string("Password", QString());
    report.docPasswordProtected = a.boolean("PasswordProtected", false);
    report.DocInfo.created = a.real("Created", 0);
    report.DocInfo.lastChange = a.real("LastChange", report.DocInfo.created);
    a.finish();
    root.finish();

    for (TfrPage *page : report.Pages)
        for (const auto &view : page->Objects)
            view->Loaded();
}

} // namespace

QByteArray frTemplateToJson(TfrReport &report)
{
    JsonWriter w;
    w.beginObject();
    w.key("PrintToDefault").value(report.PrintToDefault);
    w.key("DoublePass").value(report.DoublePassReport);
    w.key("Printer").value(report.PrinterName);
    w.key("Pages").beginArray(report.Pages.GetCount() == 0);
    for (int i = 0; i < report.Pages.GetCount(); ++i)
        writePage(w, *report.Pages[i]);
    w.endArray();

    const TfrDataDictionary &dict = report.Dictionary();
    w.key("Dictionary").beginObject();
    writeVariables(w, "Variables", dict.VarList);
    writeVariables(w, "FieldAliases", dict.AliasList);
    writeVariables(w, "DataSources", dict.SourceAliasList);
    w.endObject();

    const TfrDocInfo &info = report.DocInfo;
    w.key("Attributes").beginObject();
    w.key("Comment").value(info.comment);
    w.key("Name").value(info.name);
    w.key("Author").value(info.author);
    w.key("VersionMajor").value(info.versionMajor);
    w.key("VersionMinor").value(info.versionMinor);
    w.key("VersionRelease").value(info.versionRelease);
    w.key("VersionBuild").value(info.versionBuild);
    w.key("Password").value(report.docPassword);
    w.key("PasswordProtected").value(report.docPasswordProtected);
    w.key("Created").value(double(info.created));
    w.key("LastChange").value(double(info.lastChange));
    w.endObject();
    w.endObject();
    return w.result();
}

void frTemplateFromJson(TfrReport &report, const QByteArray &json)
{
    // As a load does: the report and the page being filled are current.
    CurReport = &report;
    DocMode = dmDesigning;
    frVersion = 25;
    try {
        buildFromJson(report, json);
        // The limits a loaded template is held to.
        for (int i = 0; i < report.Pages.GetCount(); ++i) {
            const TfrPage &page = *report.Pages[i];
            frCheckTemplateLimits(page);
            for (const auto &view : page.Objects)
                frCheckTemplateLimits(*view);
        }
    } catch (...) {
        report.Clear();
        throw;
    }
}
