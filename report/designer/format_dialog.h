// The display format of text objects: the category of the format word (text, number, date,
// time, boolean), its standard formats or a format of one's own, the number of decimals and
// the decimal separator, and a sample formatted the way the report will format it.
#pragma once

#include <QDialog>
#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class TfrDesignerDocument;
class TfrView;

class TfrFormatDialog : public QDialog {
    Q_OBJECT
public:
    TfrFormatDialog(quint32 format, const QString &formatText, QWidget *parent = nullptr);

    // The format word and string the controls describe.
    quint32 Format() const;
    QString FormatText() const;
    // The sample as the report would show it with that format.
    QString SampleText() const;

    void accept() override;

    // The values the sample shows, per category.
    static double SampleNumber() { return 1234.5678; }
    static double SampleDateTime();

private:
    void fillVariants(int category, int variant);
    void updateControls();
    quint32 separatorCode() const;

    QListWidget *m_category = nullptr;
    QListWidget *m_variant = nullptr;
    QLineEdit *m_custom = nullptr;
    QSpinBox *m_decimals = nullptr;
    QComboBox *m_separator = nullptr;
    QLabel *m_sample = nullptr;
    QLabel *m_message = nullptr;
    bool m_filling = false;
};

// The dialog on the text objects among views (the first one's format is shown); OK is one
// step that gives each of them the format. True when something changed.
bool frEditDisplayFormat(QWidget *parent, TfrDesignerDocument &doc, const QList<TfrView *> &views);

// How the inspector shows a text's display format: the category and a sample ("Число:
// 1 234,57"); empty for text without formatting.
QString frDisplayFormatText(quint32 format, const QString &formatText);
