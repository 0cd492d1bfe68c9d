// The highlight of text objects: the condition under which it applies (checked by the
// parser, "…" opens the expression builder), the font style, the font colour and the fill
// colour used then, and a sample.
#pragma once

#include <QDialog>
#include <QList>

#include "report/model/memo_view.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class TfrColorCombo;
class TfrDesignerDocument;

class TfrHighlightDialog : public QDialog {
    Q_OBJECT
public:
    TfrHighlightDialog(TfrDesignerDocument &doc, const TfrMemoView &memo, QWidget *parent = nullptr);

    QString Condition() const;
    TfrHighlightAttr Attributes() const;

    void accept() override;

private:
    void updateSample();

    TfrDesignerDocument &m_doc;
    TfrFont m_font;
    QLineEdit *m_condition = nullptr;
    QLabel *m_message = nullptr;
    QCheckBox *m_bold = nullptr;
    QCheckBox *m_italic = nullptr;
    QCheckBox *m_underline = nullptr;
    QCheckBox *m_strikeOut = nullptr;
    TfrColorCombo *m_fontColor = nullptr;
    TfrColorCombo *m_fillColor = nullptr;
    QLabel *m_sample = nullptr;
};

// The dialog on the text objects among views (the first one's highlight is shown); OK is one
// step that gives each of them the highlight. True when something changed.
bool frEditHighlight(QWidget *parent, TfrDesignerDocument &doc, const QList<TfrView *> &views);
