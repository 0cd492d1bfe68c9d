#include "export/spreadsheet/xlsx_file.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include <xlsxwriter.h>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include "export/spreadsheet/excel_constants.h"
#include "export/spreadsheet/workbook_model.h"
#include "report/eval/c_locale.h"
#include "report/eval/errors.h"
#include "report/eval/output_file.h"
#include "report/model/geometry.h"

namespace {

// 0x00BBGGRR (or a system colour) as the library's 0xRRGGBB, where 0 means "not set".
lxw_color_t rgbOf(qint32 color)
{
    const QColor c = frQColor(color);
    const lxw_color_t rgb = (lxw_color_t(c.red()) << 16) | (lxw_color_t(c.green()) << 8) | lxw_color_t(c.blue());
    return rgb == 0 ? lxw_color_t(LXW_COLOR_BLACK) : rgb;
}

uint8_t horizontalOf(int code)
{
    switch (code) {
    case xlLeft:
        return LXW_ALIGN_LEFT;
    case xlRight:
        return LXW_ALIGN_RIGHT;
    case xlCenter:
        return LXW_ALIGN_CENTER;
    case xlJustify:
        return LXW_ALIGN_JUSTIFY;
    default:
        return LXW_ALIGN_NONE;
    }
}

uint8_t verticalOf(int code)
{
    switch (code) {
    case xlTop:
        return LXW_ALIGN_VERTICAL_TOP;
    case xlCenter:
        return LXW_ALIGN_VERTICAL_CENTER;
    case xlBottom:
        return LXW_ALIGN_VERTICAL_BOTTOM;
    case xlJustify:
        return LXW_ALIGN_VERTICAL_JUSTIFY;
    default:
        return LXW_ALIGN_NONE;
    }
}

// UTF-16 to UTF-8 straight into the reused buffer: no allocation per cell once it has grown.
// A lone half of a surrogate pair becomes U+FFFD. Answers whether the text holds "_x".
bool appendUtf8(QStringView text, std::string &out)
{
    bool escapeLike = false;
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    for (; p < end; ++p) {
        char32_t c = p->unicode();
        if (c < 0x80) {
            escapeLike = escapeLike || (c == u'_' && p + 1 < end && p[1] == QLatin1Char('x'));
            out += char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && p + 1 < end && p[1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), p[1].unicode());
            ++p;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
        }
        out += char(0x80 | (c & 0x3F));
    }
    return escapeLike;
}

// Text as the file stores it. A literal "_xHHHH_" would read back as the character it
// names, so its underscore is escaped the way the format escapes it.
void toUtf8(QStringView text, std::string &out)
{
    out.clear();
    if (!appendUtf8(text, out))
        return;
    static const QRegularExpression escapeLike(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
    if (!escapeLike.match(text).hasMatch())
        return;
    QString escaped = text.toString();
    escaped.replace(escapeLike, QStringLiteral("_x005F_\\1"));
    out.clear();
    appendUtf8(escaped, out);
}

class XlsxWriter {
public:
    XlsxWriter(const TfrWorksheetModel &sheet, lxw_workbook *workbook, lxw_worksheet *worksheet)
        : m_sheet(sheet), m_workbook(workbook), m_worksheet(worksheet), m_formats(size_t(sheet.formatCount()), nullptr)
    {
    }

    lxw_format *format(TfrXlsFormatId id)
    {
        lxw_format *&f = m_formats[id];
        if (!f)
            f = make(m_sheet.format(id));
        return f;
    }

    void check(lxw_error error)
    {
        if (error != LXW_NO_ERROR && m_firstError == LXW_NO_ERROR)
            m_firstError = error;
    }
    lxw_error firstError() const { return m_firstError; }

    // The sheet's columns take its default format as their style, so cells typed into them
    // later look the same. Only the columns in use: a style on every column of the sheet
    // makes its used range the whole width, which readers then walk through for each row.
    void columns()
    {
        lxw_format *style =
            m_sheet.defaultFormat() == frXlsPlainFormat ? nullptr : format(m_sheet.defaultFormat());
        const int count = m_sheet.columnCount();
        for (int c = 1; c <= count; ++c) {
            const double w = m_sheet.columnWidth(c);
            check(worksheet_set_column(m_worksheet, lxw_col_t(c - 1), lxw_col_t(c - 1), w < 0 ? LXW_DEF_COL_WIDTH : w,
                                       style));
        }
    }

    void rows()
    {
        // With constant memory a row is final once a later row is written, so a merged area
        // is declared when its last row comes, without a format (it then writes nothing
        // into the cells, which take their own formats below), and the cells of every row
        // are written once, in order.
        std::vector<TfrXlsMerge> merges = m_sheet.merges();
        std::stable_sort(merges.begin(), merges.end(),
                         [](const TfrXlsMerge &a, const TfrXlsMerge &b) { return a.lastRow < b.lastRow; });
        auto merge = merges.begin();
        for (int r = 1; r <= m_sheet.rowCount(); ++r) {
            const TfrWorksheetModel::Row &row = *m_sheet.rowAt(r);
            const lxw_row_t xr = lxw_row_t(r - 1);
            if (row.height >= 0)
                check(worksheet_set_row(m_worksheet, xr, row.height, nullptr));
            for (; merge != merges.end() && merge->lastRow <= r; ++merge)
                check(worksheet_merge_range(m_worksheet, lxw_row_t(merge->firstRow - 1),
                                            lxw_col_t(merge->firstCol - 1), lxw_row_t(merge->lastRow - 1),
                                            lxw_col_t(merge->lastCol - 1), "", nullptr));
            cells(r, row);
        }
    }

    void pageSetup()
    {
        std::vector<lxw_row_t> breaks;
        for (int r = 2; r <= m_sheet.rowCount() && breaks.size() < LXW_BREAKS_MAX; ++r)
            if (m_sheet.rowAt(r)->pageBreak)
                breaks.push_back(lxw_row_t(r - 1));
        if (!breaks.empty()) {
            breaks.push_back(0);
            check(worksheet_set_h_pagebreaks(m_worksheet, breaks.data()));
        }
        if (m_sheet.orientation == xlLandscape)
            worksheet_set_landscape(m_worksheet);
        else if (m_sheet.orientation == xlPortrait)
            worksheet_set_portrait(m_worksheet);
        if (m_sheet.marginsSet)
            worksheet_set_margins(m_worksheet, m_sheet.leftMargin / 72, m_sheet.rightMargin / 72,
                                  m_sheet.topMargin / 72, m_sheet.bottomMargin / 72);
    }

    void pictures()
    {
        for (const TfrXlsPicture &p : m_sheet.pictures) {
            if (p.png.isEmpty() || p.pixelWidth <= 0 || p.pixelHeight <= 0)
                continue;
            // The sheet measures 96 pixels to the inch, 72 points.
            lxw_image_options options{};
            options.x_scale = std::max(p.width * 96 / 72 / p.pixelWidth, 1e-4);
            options.y_scale = std::max(p.height * 96 / 72 / p.pixelHeight, 1e-4);
            options.object_position = LXW_OBJECT_MOVE_DONT_SIZE;
            check(worksheet_insert_image_buffer_opt(m_worksheet, lxw_row_t(p.row - 1), lxw_col_t(p.col - 1),
                                                    reinterpret_cast<const unsigned char *>(p.png.constData()),
                                                    size_t(p.png.size()), &options));
        }
    }

private:
    lxw_format *make(const TfrXlsFormat &x)
    {
        lxw_format *f = workbook_add_format(m_workbook);
        if (x.fontName >= 0) {
            std::string name;
            // The application's font names are at most 31 characters long.
            toUtf8(m_sheet.fontNames()[size_t(x.fontName)].left(31), name);
            format_set_font_name(f, name.c_str());
        }
        if (x.fontSize > 0)
            format_set_font_size(f, x.fontSize);
        if (x.bold)
            format_set_bold(f);
        if (x.italic)
            format_set_italic(f);
        if (x.underline)
            format_set_underline(f, LXW_UNDERLINE_SINGLE);
        if (x.fontColor != -1)
            format_set_font_color(f, rgbOf(x.fontColor));
        if (x.textFormat)
            format_set_num_format(f, "@");
        if (x.wrap)
            format_set_text_wrap(f);
        if (x.borders & frXlsBorderLeft)
            format_set_left(f, LXW_BORDER_THIN);
        if (x.borders & frXlsBorderRight)
            format_set_right(f, LXW_BORDER_THIN);
        if (x.borders & frXlsBorderTop)
            format_set_top(f, LXW_BORDER_THIN);
        if (x.borders & frXlsBorderBottom)
            format_set_bottom(f, LXW_BORDER_THIN);
        if (const uint8_t h = horizontalOf(x.hAlign))
            format_set_align(f, h);
        if (const uint8_t v = verticalOf(x.vAlign))
            format_set_align(f, v);
        if (x.orientation != 0)
            format_set_rotation(f, std::clamp<int>(x.orientation, -90, 90));
        if (x.fillColor != -1) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_fg_color(f, rgbOf(x.fillColor));
        }
        return f;
    }

    void writeValue(lxw_row_t r, const TfrXlsValue &v, lxw_format *f)
    {
        const lxw_col_t c = lxw_col_t(v.col - 1);
        if (v.isNumber) {
            check(worksheet_write_number(m_worksheet, r, c, v.number, f));
            return;
        }
        toUtf8(m_sheet.text(v), m_text);
        check(worksheet_write_string(m_worksheet, r, c, m_text.c_str(), f));
    }

    // Every cell with a value, and every empty cell whose format is not the sheet's default.
    void cells(int r, const TfrWorksheetModel::Row &row)
    {
        const lxw_row_t xr = lxw_row_t(r - 1);
        auto v = row.values.begin();
        const auto vEnd = row.values.end();
        if (row.spans.empty()) {
            lxw_format *f = format(m_sheet.defaultFormat());
            for (; v != vEnd; ++v)
                writeValue(xr, *v, f);
            return;
        }
        for (size_t i = 0; i < row.spans.size(); ++i) {
            const int start = row.spans[i].start;
            const int end = i + 1 < row.spans.size() ? row.spans[i + 1].start - 1 : frXlsMaxCols;
            const TfrXlsFormatId id = row.spans[i].format;
            lxw_format *f = format(id);
            if (id == m_sheet.defaultFormat()) {
                for (; v != vEnd && v->col <= end; ++v)
                    writeValue(xr, *v, f);
                continue;
            }
            for (int c = start; c <= end; ++c) {
                if (v != vEnd && v->col == c)
                    writeValue(xr, *v++, f);
                else
                    check(worksheet_write_blank(m_worksheet, xr, lxw_col_t(c - 1), f));
            }
        }
    }

    const TfrWorksheetModel &m_sheet;
    lxw_workbook *m_workbook;
    lxw_worksheet *m_worksheet;
    std::vector<lxw_format *> m_formats;
    std::string m_text;
    lxw_error m_firstError = LXW_NO_ERROR;
};

// libxlsxwriter prints its own diagnostics ("[ERROR][./src/packager.c:...]") to standard
// error; the caller reports the failure in the program's words instead.
class QuietLibrary {
public:
    QuietLibrary()
    {
#ifdef Q_OS_UNIX
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
#endif
    }
    ~QuietLibrary()
    {
#ifdef Q_OS_UNIX
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
#endif
    }
    QuietLibrary(const QuietLibrary &) = delete;
    QuietLibrary &operator=(const QuietLibrary &) = delete;

private:
    int m_saved = -1;
};

// The library's failure in the program's words; the system's reason where the library met one.
QString reasonOf(lxw_error error, int systemError)
{
    if (systemError != 0)
        return QString::fromLocal8Bit(std::strerror(systemError));
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("не хватает памяти");
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return QStringLiteral("ошибка записи на диск");
    default:
        return QString::fromUtf8(lxw_strerror(error));
    }
}

} // namespace

void frWriteXlsx(const TfrWorksheetModel &sheet, const QString &fileName, const QString &sheetName)
{
    // The workbook goes to a new name in the target's folder and replaces the target when
    // complete: a full disk or a kill half way leaves a file that was there as it was.
    TfrReplacingPath target(fileName);
    // The library writes its XML numbers with printf: "5.42578125", never the desktop's "5,42578125".
    const TfrCNumericScope cNumbers;
    const QByteArray name = QFile::encodeName(target.path());
    const QByteArray tmp = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(tmp.constData());
    QuietLibrary quiet;
    lxw_workbook *workbook = workbook_new_opt(name.constData(), &options);
    if (!workbook)
        throw EfrError(reasonOf(LXW_ERROR_MEMORY_MALLOC_FAILED, 0));
    std::string sheetUtf8;
    toUtf8(sheetName, sheetUtf8);
    lxw_worksheet *worksheet = workbook_add_worksheet(workbook, sheetUtf8.c_str());
    lxw_error error = LXW_NO_ERROR;
    if (!worksheet) {
        workbook_close(workbook);
        throw EfrError(reasonOf(LXW_ERROR_MEMORY_MALLOC_FAILED, 0));
    }
    {
        XlsxWriter writer(sheet, workbook, worksheet);
        writer.columns();
        writer.pageSetup();
        writer.pictures();
        writer.rows();
        error = writer.firstError();
    }
    errno = 0;
    const lxw_error closed = workbook_close(workbook);
    const int systemError = errno;
    if (closed != LXW_NO_ERROR)
        throw EfrError(reasonOf(closed, systemError));
    if (error != LXW_NO_ERROR)
        throw EfrError(reasonOf(error, 0));
    target.commit();
}
