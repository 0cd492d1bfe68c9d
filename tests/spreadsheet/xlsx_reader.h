// Reads a saved .xlsx workbook back for the tests: the parts are taken out with unzip and
// parsed with QXmlStreamReader, so what is checked is what another program would read.
#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <map>
#include <vector>

struct XStyle {
    QString font;
    double size = 0;
    bool bold = false, italic = false, underline = false;
    QString color; // ARGB hex as stored, empty for automatic
    QString hAlign, vAlign;
    bool wrap = false;
    int rotation = 0;
    QString left, right, top, bottom; // border styles
    QString fill;                     // solid fill colour, empty for none
    int numFmtId = 0;
    QString numFmt;
};

struct XCell {
    QString text;
    bool isNumber = false;
    double number = 0;
    bool hasValue = false;
    int style = 0;
};

struct XPicture {
    int col = 0, row = 0; // 1-based
    qint64 cx = 0, cy = 0; // EMU
};

struct XSheet {
    bool ok = false;
    QString error;
    QStringList parts;
    std::map<std::pair<int, int>, XCell> cells; // (row, col), from 1
    std::map<int, double> rowHeights;
    std::map<int, double> colWidths;
    std::map<int, int> colStyles;
    QStringList merges;
    std::vector<int> breaks; // brk ids: a break below that row
    QString orientation;
    std::map<QString, double> margins;
    std::vector<XStyle> styles;
    std::vector<XPicture> pictures;
    int maxRow = 0, maxCol = 0;

    const XCell *cell(int row, int col) const
    {
        auto it = cells.find({row, col});
        return it == cells.end() ? nullptr : &it->second;
    }
    QString text(int row, int col) const
    {
        const XCell *c = cell(row, col);
        if (!c || !c->hasValue)
            return QString();
        return c->isNumber ? QString::number(c->number, 'g', 15) : c->text;
    }
    XStyle style(int row, int col) const
    {
        const XCell *c = cell(row, col);
        int s = c ? c->style : 0;
        if (!c) {
            auto it = colStyles.find(col);
            s = it == colStyles.end() ? 0 : it->second;
        }
        return s >= 0 && size_t(s) < styles.size() ? styles[size_t(s)] : XStyle();
    }
    bool merged(const QString &ref) const { return merges.contains(ref); }
};

namespace xlsx_detail {

inline QByteArray part(const QString &file, const QString &name, bool *found = nullptr)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, name});
    unzip.waitForFinished(60000);
    if (found)
        *found = unzip.exitStatus() == QProcess::NormalExit && unzip.exitCode() == 0;
    return unzip.readAllStandardOutput();
}

inline QStringList partNames(const QString &file)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), file});
    unzip.waitForFinished(60000);
    QStringList names = QString::fromUtf8(unzip.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &n : names)
        n = n.trimmed();
    return names;
}

// "_x000A_" and the like, as the format escapes characters.
inline QString unescape(const QString &s)
{
    static const QRegularExpression re(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype last = 0;
    auto it = re.globalMatch(s);
    while (it.hasNext()) {
        const auto m = it.next();
        out += s.mid(last, m.capturedStart() - last);
        out += QChar(m.captured(1).toUShort(nullptr, 16));
        last = m.capturedEnd();
    }
    out += s.mid(last);
    return out;
}

inline void cellRef(const QString &ref, int &row, int &col)
{
    col = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i)
        col = col * 26 + (ref[i].unicode() - 'A' + 1);
    row = ref.mid(i).toInt();
}

// Text of the current element and its <t> descendants, until the element ends.
inline QString collectText(QXmlStreamReader &x)
{
    const QString end = x.name().toString();
    QString text;
    while (!x.atEnd()) {
        x.readNext();
        if (x.isStartElement() && x.name() == QLatin1String("t"))
            text += x.readElementText();
        else if (x.isEndElement() && x.name() == end)
            break;
    }
    return unescape(text);
}

inline void readStyles(const QByteArray &xml, XSheet &sheet)
{
    std::map<int, QString> numFmts = {{49, QStringLiteral("@")}};
    struct Font {
        QString name, color;
        double size = 0;
        bool b = false, i = false, u = false;
    };
    struct Border {
        QString left, right, top, bottom;
    };
    std::vector<Font> fonts;
    std::vector<QString> fills;
    std::vector<Border> borders;
    QXmlStreamReader x(xml);
    QString section;
    while (!x.atEnd()) {
        x.readNext();
        if (!x.isStartElement())
            continue;
        const QStringView n = x.name();
        const auto a = x.attributes();
        if (n == QLatin1String("numFmt")) {
            numFmts[a.value(QLatin1String("numFmtId")).toInt()] = a.value(QLatin1String("formatCode")).toString();
        } else if (n == QLatin1String("fonts") || n == QLatin1String("fills") || n == QLatin1String("borders") ||
                   n == QLatin1String("cellXfs") || n == QLatin1String("cellStyleXfs") ||
                   n == QLatin1String("cellStyles") || n == QLatin1String("dxfs")) {
            section = n.toString();
        } else if (section == QLatin1String("fonts")) {
            if (n == QLatin1String("font"))
                fonts.emplace_back();
            else if (n == QLatin1String("b"))
                fonts.back().b = true;
            else if (n == QLatin1String("i"))
                fonts.back().i = true;
            else if (n == QLatin1String("u"))
                fonts.back().u = true;
            else if (n == QLatin1String("sz"))
                fonts.back().size = a.value(QLatin1String("val")).toDouble();
            else if (n == QLatin1String("name"))
                fonts.back().name = a.value(QLatin1String("val")).toString();
            else if (n == QLatin1String("color"))
                fonts.back().color = a.value(QLatin1String("rgb")).toString();
        } else if (section == QLatin1String("fills")) {
            if (n == QLatin1String("fill"))
                fills.emplace_back();
            else if (n == QLatin1String("fgColor"))
                fills.back() = a.value(QLatin1String("rgb")).toString();
        } else if (section == QLatin1String("borders")) {
            if (n == QLatin1String("border"))
                borders.emplace_back();
            else if (n == QLatin1String("left"))
                borders.back().left = a.value(QLatin1String("style")).toString();
            else if (n == QLatin1String("right"))
                borders.back().right = a.value(QLatin1String("style")).toString();
            else if (n == QLatin1String("top"))
                borders.back().top = a.value(QLatin1String("style")).toString();
            else if (n == QLatin1String("bottom"))
                borders.back().bottom = a.value(QLatin1String("style")).toString();
        } else if (section == QLatin1String("cellXfs")) {
            if (n == QLatin1String("xf")) {
                XStyle s;
                const int font = a.value(QLatin1String("fontId")).toInt();
                if (font >= 0 && size_t(font) < fonts.size()) {
                    const Font &f = fonts[size_t(font)];
                    s.font = f.name;
                    s.size = f.size;
                    s.bold = f.b;
                    s.italic = f.i;
                    s.underline = f.u;
                    s.color = f.color;
                }
                const int fill = a.value(QLatin1String("fillId")).toInt();
                if (fill >= 0 && size_t(fill) < fills.size())
                    s.fill = fills[size_t(fill)];
                const int border = a.value(QLatin1String("borderId")).toInt();
                if (border >= 0 && size_t(border) < borders.size()) {
                    s.left = borders[size_t(border)].left;
                    s.right = borders[size_t(border)].right;
                    s.top = borders[size_t(border)].top;
                    s.bottom = borders[size_t(border)].bottom;
                }
                s.numFmtId = a.value(QLatin1String("numFmtId")).toInt();
                s.numFmt = numFmts.count(s.numFmtId) ? numFmts[s.numFmtId] : QString();
                sheet.styles.push_back(s);
            } else if (n == QLatin1String("alignment") && !sheet.styles.empty()) {
                XStyle &s = sheet.styles.back();
                s.hAlign = a.value(QLatin1String("horizontal")).toString();
                s.vAlign = a.value(QLatin1String("vertical")).toString();
                s.wrap = a.value(QLatin1String("wrapText")) == QLatin1String("1");
                s.rotation = a.value(QLatin1String("textRotation")).toInt();
            }
        }
    }
}

inline void readDrawing(const QByteArray &xml, XSheet &sheet)
{
    QXmlStreamReader x(xml);
    bool inFrom = false;
    while (!x.atEnd()) {
        x.readNext();
        if (x.isEndElement() && x.name() == QLatin1String("from"))
            inFrom = false;
        if (!x.isStartElement())
            continue;
        const QStringView n = x.name();
        if (n == QLatin1String("twoCellAnchor") || n == QLatin1String("oneCellAnchor")) {
            sheet.pictures.emplace_back();
        } else if (n == QLatin1String("from")) {
            inFrom = true;
        } else if (inFrom && n == QLatin1String("col") && !sheet.pictures.empty()) {
            sheet.pictures.back().col = x.readElementText().toInt() + 1;
        } else if (inFrom && n == QLatin1String("row") && !sheet.pictures.empty()) {
            sheet.pictures.back().row = x.readElementText().toInt() + 1;
        } else if (n == QLatin1String("ext") && !sheet.pictures.empty() && x.attributes().hasAttribute(QLatin1String("cx"))) {
            sheet.pictures.back().cx = x.attributes().value(QLatin1String("cx")).toLongLong();
            sheet.pictures.back().cy = x.attributes().value(QLatin1String("cy")).toLongLong();
        }
    }
}

} // namespace xlsx_detail

inline XSheet readXlsx(const QString &file)
{
    using namespace xlsx_detail;
    XSheet sheet;
    if (!QFile::exists(file)) {
        sheet.error = QStringLiteral("no file");
        return sheet;
    }
    sheet.parts = partNames(file);
    bool found = false;
    const QByteArray xml = part(file, QStringLiteral("xl/worksheets/sheet1.xml"), &found);
    if (!found) {
        sheet.error = QStringLiteral("no sheet1.xml");
        return sheet;
    }
    readStyles(part(file, QStringLiteral("xl/styles.xml")), sheet);
    std::vector<QString> shared;
    {
        QXmlStreamReader x(part(file, QStringLiteral("xl/sharedStrings.xml")));
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("si"))
                shared.push_back(collectText(x));
        }
    }
    QXmlStreamReader x(xml);
    while (!x.atEnd()) {
        x.readNext();
        if (!x.isStartElement())
            continue;
        const QStringView n = x.name();
        const auto a = x.attributes();
        if (n == QLatin1String("col")) {
            for (int c = a.value(QLatin1String("min")).toInt(); c <= a.value(QLatin1String("max")).toInt() && c <= 64;
                 ++c) {
                sheet.colWidths[c] = a.value(QLatin1String("width")).toDouble();
                sheet.colStyles[c] = a.value(QLatin1String("style")).toInt();
            }
        } else if (n == QLatin1String("row")) {
            if (a.hasAttribute(QLatin1String("ht")))
                sheet.rowHeights[a.value(QLatin1String("r")).toInt()] = a.value(QLatin1String("ht")).toDouble();
        } else if (n == QLatin1String("c")) {
            int row, col;
            cellRef(a.value(QLatin1String("r")).toString(), row, col);
            XCell c;
            c.style = a.value(QLatin1String("s")).toInt();
            const QString t = a.value(QLatin1String("t")).toString();
            if (t == QLatin1String("inlineStr")) {
                c.text = collectText(x);
                c.hasValue = true;
            } else {
                while (!x.atEnd()) {
                    x.readNext();
                    if (x.isStartElement() && x.name() == QLatin1String("v")) {
                        const QString v = x.readElementText();
                        c.hasValue = true;
                        if (t == QLatin1String("s")) {
                            const int i = v.toInt();
                            c.text = i >= 0 && size_t(i) < shared.size() ? shared[size_t(i)] : QString();
                        } else if (t == QLatin1String("str")) {
                            c.text = v;
                        } else {
                            c.isNumber = true;
                            c.number = v.toDouble();
                        }
                    } else if (x.isEndElement() && x.name() == QLatin1String("c")) {
                        break;
                    }
                }
            }
            sheet.cells[{row, col}] = c;
            sheet.maxRow = std::max(sheet.maxRow, row);
            sheet.maxCol = std::max(sheet.maxCol, col);
        } else if (n == QLatin1String("mergeCell")) {
            sheet.merges << a.value(QLatin1String("ref")).toString();
        } else if (n == QLatin1String("brk") && a.value(QLatin1String("man")) == QLatin1String("1")) {
            sheet.breaks.push_back(a.value(QLatin1String("id")).toInt());
        } else if (n == QLatin1String("pageMargins")) {
            for (const char *side : {"left", "right", "top", "bottom"})
                sheet.margins[QLatin1String(side)] = a.value(QLatin1String(side)).toDouble();
        } else if (n == QLatin1String("pageSetup")) {
            sheet.orientation = a.value(QLatin1String("orientation")).toString();
        }
    }
    if (x.hasError()) {
        sheet.error = x.errorString();
        return sheet;
    }
    bool drawing = false;
    const QByteArray d = part(file, QStringLiteral("xl/drawings/drawing1.xml"), &drawing);
    if (drawing)
        readDrawing(d, sheet);
    sheet.ok = true;
    return sheet;
}
