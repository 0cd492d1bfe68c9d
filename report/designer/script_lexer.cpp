// The script language's styles and the lexer that paints them.
#include "report/designer/script_lexer.h"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <array>

namespace {

bool isLatin(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isKeyword(QByteArray word)
{
    static const std::array<const char *, 17> keywords = {
        "BEGIN", "END", "IF", "THEN", "ELSE", "REPEAT", "UNTIL", "WHILE", "DO",
        "FOR", "TO", "GOTO", "AND", "OR", "NOT", "MOD", "EXIT"};
    word = word.toUpper();
    return std::any_of(keywords.begin(), keywords.end(), [&](const char *k) { return word == k; });
}

} // namespace

std::vector<unsigned char> frScriptStyles(const QByteArray &s)
{
    const qsizetype n = s.size();
    std::vector<unsigned char> styles(size_t(n), frssDefault);
    auto paint = [&](qsizetype from, qsizetype to, unsigned char style) {
        std::fill(styles.begin() + from, styles.begin() + std::min(to, n), style);
    };
    qsizetype i = 0;
    while (i < n) {
        const char c = s[i];
        qsizetype j = i + 1;
        if (c == '{') {
            while (j < n && s[j] != '}')
                ++j;
            j = std::min(j + 1, n);
            paint(i, j, frssComment);
        } else if (c == '/' && j < n && s[j] == '/') {
            while (j < n && s[j] != '\n' && s[j] != '\r')
                ++j;
            paint(i, j, frssComment);
        } else if (c == '\'') {
            // A doubled quote stands for a quote and keeps the string open.
            while (j < n && s[j] != '\n' && s[j] != '\r') {
                if (s[j] == '\'') {
                    if (j + 1 < n && s[j + 1] == '\'') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            paint(i, j, frssString);
        } else if (c == '[') {
            int depth = 1;
            bool inSingle = false, inDouble = false;
            while (j < n && depth > 0) {
                const char d = s[j];
                if (!inSingle && !inDouble) {
                    if (d == '[')
                        ++depth;
                    else if (d == ']')
                        --depth;
                }
                if (!inSingle && d == '"')
                    inDouble = !inDouble;
                if (!inDouble && d == '\'')
                    inSingle = !inSingle;
                ++j;
            }
            paint(i, j, frssBracket);
        } else if (isDigit(c)) {
            while (j < n && isDigit(s[j]))
                ++j;
            if (j + 1 < n && s[j] == '.' && isDigit(s[j + 1])) {
                j += 2;
                while (j < n && isDigit(s[j]))
                    ++j;
            }
            paint(i, j, frssNumber);
        } else if (isLatin(c)) {
            while (j < n && (isLatin(s[j]) || isDigit(s[j]) || s[j] == '_' || s[j] == '.'))
                ++j;
            paint(i, j, isKeyword(s.mid(i, j - i)) ? frssKeyword : frssIdentifier);
        }
        i = j;
    }
    return styles;
}

TfrScriptLexer::TfrScriptLexer(QObject *parent) : QsciLexerCustom(parent) {}

const char *TfrScriptLexer::language() const { return "ReportScript"; }

QString TfrScriptLexer::description(int style) const
{
    switch (style) {
    case frssDefault: return QStringLiteral("Текст");
    case frssKeyword: return QStringLiteral("Ключевое слово");
    case frssString: return QStringLiteral("Строка");
    case frssComment: return QStringLiteral("Комментарий");
    case frssNumber: return QStringLiteral("Число");
    case frssBracket: return QStringLiteral("Выражение в скобках");
    case frssIdentifier: return QStringLiteral("Имя");
    default: return QString();
    }
}

QColor TfrScriptLexer::defaultColor(int style) const
{
    switch (style) {
    case frssKeyword: return QColor(0x00, 0x00, 0x90);
    case frssString: return QColor(0xA0, 0x20, 0x20);
    case frssComment: return QColor(0x2E, 0x7D, 0x32);
    case frssNumber: return QColor(0x8A, 0x2B, 0xE2);
    case frssBracket: return QColor(0x00, 0x6E, 0x8A);
    default: return QColor(Qt::black);
    }
}

QFont TfrScriptLexer::defaultFont(int style) const
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (style == frssKeyword)
        font.setBold(true);
    if (style == frssComment)
        font.setItalic(true);
    return font;
}

QColor TfrScriptLexer::defaultPaper(int style) const
{
    if (style == frssBracket)
        return QColor(0xEE, 0xF6, 0xFA);
    return QColor(Qt::white);
}

void TfrScriptLexer::styleText(int, int)
{
    QsciScintilla *ed = editor();
    if (!ed)
        return;
    const int length = int(ed->SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
    QByteArray text(length + 1, '\0');
    ed->SendScintilla(QsciScintillaBase::SCI_GETTEXT, static_cast<unsigned long>(length + 1), static_cast<void *>(text.data()));
    text.truncate(length);
    const std::vector<unsigned char> styles = frScriptStyles(text);
    startStyling(0);
    qsizetype i = 0;
    while (i < qsizetype(styles.size())) {
        qsizetype j = i + 1;
        while (j < qsizetype(styles.size()) && styles[size_t(j)] == styles[size_t(i)])
            ++j;
        setStyling(int(j - i), styles[size_t(i)]);
        i = j;
    }
}
