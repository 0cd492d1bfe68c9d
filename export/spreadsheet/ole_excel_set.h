// TfrOLEExcelSet: the options dialog of the spreadsheet export. Page settings (margins and
// scale), the page range, and the quality boxes with the "Лучше" and "Быстрее" presets.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrOLEExcelSet : public QDialog {
public:
    explicit TfrOLEExcelSet(QWidget *parent = nullptr);

    QGroupBox *GroupPageSettings;
    QLabel *TopM, *LeftM, *ScX, *ScY;
    QLineEdit *E_TMargin, *E_LMargin, *E_ScaleX, *E_ScaleY;
    QGroupBox *GroupPageRange;
    QLabel *Pages, *Descr;
    QLineEdit *E_Range;
    QGroupBox *GroupCellProp;
    QPushButton *Better, *Faster;
    QCheckBox *CB_Merged, *CB_WrapWords, *CB_FillColor, *CB_Borders, *CB_Align, *CB_PageBreaks;
    QCheckBox *CB_FontName, *CB_FontSize, *CB_FontStyle, *CB_FontColor, *CB_Pictures, *CB_OpenExcel;
    QPushButton *OK, *Cancel;
    // Says in red which field cannot be read; hidden while every field reads.
    QLabel *Hint;

    void FormCreate();
    // Every caption from the string table.
    void Localize();
    // All eleven quality boxes ticked.
    void BetterClick();
    // Merged, wrap words and page breaks ticked, the other eight cleared.
    void FasterClick();
    // The first field that does not read as its number (or page list), with the words the
    // hint shows; null when every field reads.
    QLineEdit *InvalidField(QString &problem) const;
    // OK with a field that does not read keeps the dialog open with the hint, so the
    // operator's choices are not lost.
    void done(int result) override;
};

// Runs the dialog modally and answers its result; tests replace it to fill the dialog in.
using TfrOLEExcelSetExec = std::function<int(TfrOLEExcelSet &dialog)>;
TfrOLEExcelSetExec &frOLEExcelSetExec();
