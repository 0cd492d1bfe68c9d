// "Параметры страницы…": the paper (the printer's sizes or a size of one's own), the
// orientation, margins, page columns, printing on the previous page and the printable area
// of a report page. The dialog only reads the page; Apply changes it as one step.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class TfrDesignerDocument;
class TfrPage;

// What the dialog shows and hands back; paper in tenths of a millimetre, the rest in
// design pixels as the page stores it.
struct TfrPageOptions {
    int paperSize = 9;
    int paperWidth = 2100, paperHeight = 2970; // as the page is seen (landscape: swapped)
    int orientation = 0;
    int margins[4] = {0, 0, 0, 0};             // left, top, right, bottom; 0 = printable edge
    int columns = 1;
    int columnGap = 0;
    bool printToPrevPage = false;
    bool stretchToPrintable = false;
};

// Design pixels and millimetres (one decimal, as the dialog shows them).
double frPixelsToMm(int pixels);
int frMmToPixels(double mm);

class TfrPageOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrPageOptionsDialog(const TfrPage &page, QWidget *parent = nullptr);

    TfrPageOptions Options() const;
    // Empty when the values make a page, else why not (a dialog does not accept then).
    QString Check() const;
    // The changes against the page the dialog was made for, as one step of doc; false
    // when nothing differs (no step).
    bool Apply(TfrDesignerDocument &doc, TfrPage &page) const;

    void accept() override;

private:
    void paperChosen();
    void orientationChosen();
    void updateColumnWidth();
    void columnWidthEdited();
    // The width columns share: the paper between the margins (or the printable area).
    double usableWidthMm() const;

    TfrPageOptions m_start;
    int m_printableLeft = 0, m_printableRight = 0; // design pixels of the printer's border
    QComboBox *m_paper;
    QDoubleSpinBox *m_width, *m_height;
    QRadioButton *m_portrait, *m_landscape;
    QDoubleSpinBox *m_margins[4];
    QSpinBox *m_columns;
    QDoubleSpinBox *m_columnWidth, *m_columnGap;
    QCheckBox *m_prevPage, *m_stretch;
    QLabel *m_printable;
};
