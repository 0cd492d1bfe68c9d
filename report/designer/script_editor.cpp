// The script editing area on QScintilla.
#include "report/designer/script_editor.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <Qsci/qsciscintilla.h>
#include <algorithm>

#include "report/designer/script_lexer.h"
#include "report/designer/script_styles.h"
#include "report/eval/interpreter.h"

namespace {

// The interpreter stops compiling, without a word, at a statement that begins with a name
// whose first letter is not Latin; such names belong in bracket groups ([Сумма]). The
// first non-Latin letter outside strings, comments and bracket groups, or false.
bool findNonLatinName(const QStringList &lines, QString &name, int &line, int &column)
{
    const QByteArray utf8 = lines.join(QLatin1Char('\n')).toUtf8();
    const std::vector<unsigned char> styles = frScriptStyles(utf8);
    int lineStart = 0;
    line = 0;
    for (int i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte == '\n') {
            ++line;
            lineStart = i + 1;
            continue;
        }
        if (byte < 0xC0 || styles[size_t(i)] == frssString || styles[size_t(i)] == frssComment ||
            styles[size_t(i)] == frssBracket)
            continue;
        const QString rest = QString::fromUtf8(utf8.mid(i, 64));
        if (rest.isEmpty() || !rest.front().isLetter())
            continue;
        int end = 0;
        while (end < rest.size() && (rest[end].isLetterOrNumber() || rest[end] == QLatin1Char('_')))
            ++end;
        name = rest.left(end);
        column = int(QString::fromUtf8(utf8.mid(lineStart, i - lineStart)).size());
        return true;
    }
    return false;
}

} // namespace

bool frCheckScript(const QStringList &lines, QString *message, int *line, int *column)
{
    // A private interpreter: compiling touches only its own label table and output.
    TfrInterpretator interpreter;
    QStringList compiled, errors;
    interpreter.PrepareScript(lines, compiled, errors);
    if (errors.isEmpty()) {
        QString name;
        int l = 0, c = 0;
        if (!findNonLatinName(lines, name, l, c))
            return true;
        if (message)
            *message = QObject::tr("Строка %1/%2: имя «%3» не из латинских букв — скрипт с этого места не "
                                   "выполняется; в выражении пишите его в скобках: [%3].")
                           .arg(l + 1)
                           .arg(c + 1)
                           .arg(name);
        if (line)
            *line = l;
        if (column)
            *column = c;
        return false;
    }
    const QString error = errors.first();
    if (message)
        *message = error;
    static const QRegularExpression where(QStringLiteral("^Line (\\d+)/(\\d+):"));
    const QRegularExpressionMatch m = where.match(error);
    int l = m.hasMatch() ? m.captured(1).toInt() - 1 : 0;
    int c = m.hasMatch() ? m.captured(2).toInt() - 1 : 0;
    // An error at the very end of the text lies past the last line.
    if (l >= lines.size()) {
        l = std::max<int>(0, int(lines.size()) - 1);
        c = int(lines.value(l).size());
    }
    if (line)
        *line = std::max(0, l);
    if (column)
        *column = std::clamp(c, 0, int(lines.value(std::max(0, l)).size()));
    return false;
}

bool frScriptHasIgnoredText(const QStringList &lines)
{
    TfrInterpretator interpreter;
    QStringList compiled, errors;
    interpreter.PrepareScript(lines, compiled, errors);
    if (!errors.isEmpty())
        return false;
    // Inside one more block every statement counts: more commands, or an error where the
    // first statement ended, show that something followed it.
    QStringList wrapped = lines;
    wrapped.prepend(QStringLiteral("begin"));
    wrapped.append(QStringLiteral("end"));
    QStringList compiledWrapped, errorsWrapped;
    interpreter.PrepareScript(wrapped, compiledWrapped, errorsWrapped);
    return !errorsWrapped.isEmpty() || compiledWrapped.size() > compiled.size();
}

struct TfrScriptEditor::Private {
    QsciScintilla *edit = nullptr;
    TfrScriptLexer *lexer = nullptr;
    // The lines as given, returned as they were while the text is unchanged (a line may
    // hold characters the editor would split on).
    QStringList given;
    QString givenText;
};

TfrScriptEditor::TfrScriptEditor(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    d->edit = new QsciScintilla(this);
    d->edit->setObjectName(QStringLiteral("script_text"));
    d->edit->setUtf8(true);
    d->edit->setEolMode(QsciScintilla::EolUnix);
    d->lexer = new TfrScriptLexer(d->edit);
    d->edit->setLexer(d->lexer);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    d->edit->setMarginType(0, QsciScintilla::NumberMargin);
    d->edit->setMarginLineNumbers(0, true);
    d->edit->setMarginsFont(fixed);
    d->edit->setMarginWidth(0, QStringLiteral("00000"));
    d->edit->setMarginsBackgroundColor(QColor(0xF0, 0xF0, 0xF0));
    d->edit->setMarginsForegroundColor(QColor(0x70, 0x70, 0x70));
    d->edit->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    d->edit->setMatchedBraceBackgroundColor(QColor(0xC8, 0xE6, 0xC9));
    d->edit->setUnmatchedBraceForegroundColor(QColor(Qt::red));
    d->edit->setCaretLineVisible(true);
    d->edit->setCaretLineBackgroundColor(QColor(0xFF, 0xFB, 0xE6));
    d->edit->setAutoIndent(true);
    d->edit->setIndentationsUseTabs(false);
    d->edit->setTabWidth(2);
    d->edit->setWrapMode(QsciScintilla::WrapNone);
    // A horizontal scroll bar only for lines that need it.
    d->edit->setScrollWidth(1);
    d->edit->setScrollWidthTracking(true);
    layout->addWidget(d->edit);
    setFocusProxy(d->edit);

    connect(d->edit, &QsciScintilla::textChanged, this, &TfrScriptEditor::Changed);
    connect(d->edit, &QsciScintilla::cursorPositionChanged, this, &TfrScriptEditor::CursorMoved);
}

TfrScriptEditor::~TfrScriptEditor() = default;

QStringList TfrScriptEditor::Lines() const
{
    const QString text = d->edit->text();
    if (text == d->givenText)
        return d->given;
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

void TfrScriptEditor::SetLines(const QStringList &lines)
{
    d->given = lines;
    d->givenText = lines.join(QLatin1Char('\n'));
    d->edit->setText(d->givenText);
    // setText may normalise what it was given; compare with what the editor holds.
    d->givenText = d->edit->text();
    d->edit->setCursorPosition(0, 0);
}

bool TfrScriptEditor::Check(QString *message)
{
    QString text;
    int line = 0, column = 0;
    const bool ok = frCheckScript(Lines(), &text, &line, &column);
    if (message)
        *message = ok ? QString() : text;
    if (ok)
        return true;
    SetCursor(line, column);
    d->edit->ensureLineVisible(line);
    d->edit->setFocus();
    return false;
}

int TfrScriptEditor::CursorLine() const
{
    int line = 0, index = 0;
    d->edit->getCursorPosition(&line, &index);
    return line;
}

int TfrScriptEditor::CursorColumn() const
{
    int line = 0, index = 0;
    d->edit->getCursorPosition(&line, &index);
    return index;
}

void TfrScriptEditor::SetCursor(int line, int column)
{
    line = std::clamp(line, 0, std::max(0, d->edit->lines() - 1));
    const QString text = d->edit->text(line);
    int length = int(text.size());
    while (length > 0 && (text[length - 1] == QLatin1Char('\n') || text[length - 1] == QLatin1Char('\r')))
        --length;
    d->edit->setCursorPosition(line, std::clamp(column, 0, length));
}

int TfrScriptEditor::StyleAt(int line, int column) const
{
    // Styling happens lazily, when the text is shown; make sure all of it is styled.
    d->edit->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    const long pos = d->edit->positionFromLineIndex(line, column);
    return int(d->edit->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(pos)));
}

QWidget *TfrScriptEditor::EditArea() const { return d->edit; }
