// The script editor's lexer: the styles of script_styles.h with their colours and fonts.
#pragma once

#include <Qsci/qscilexercustom.h>

#include "report/designer/script_styles.h"

class TfrScriptLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    explicit TfrScriptLexer(QObject *parent = nullptr);

    const char *language() const override;
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QFont defaultFont(int style) const override;
    QColor defaultPaper(int style) const override;
    // Restyles the whole text: a comment or a bracket group opened above the change can
    // change everything below it, and scripts are short.
    void styleText(int start, int end) override;
};
