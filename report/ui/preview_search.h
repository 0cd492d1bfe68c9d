// Text search in the preview: the search dialog, and the search over one prepared page,
// which draws the page onto a device that records its text runs (one record per text
// output, in drawing order) and looks for the text in them.
#pragma once

#include <QDialog>
#include <QRectF>
#include <QString>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TfrEMFPages;

class TfrPreviewSearchForm : public QDialog {
public:
    explicit TfrPreviewSearchForm(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;        // "Искать &текст"
    QLineEdit *Edit1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;  // "Опции поиска"
    QCheckBox *CB1 = nullptr;        // "Различать &регистр"
    QGroupBox *GroupBox2 = nullptr;  // "Искать"
    QRadioButton *RB1 = nullptr;     // "С &начала" (checked)
    QRadioButton *RB2 = nullptr;     // "&Продолжить"
    QPushButton *Button1 = nullptr;  // "ОК"
    QPushButton *Button2 = nullptr;  // "Отмена"

    void Localize();
};

// One text output of a drawn page: its text and where it landed, in the units of the
// rectangle the page was drawn into.
struct TfrTextRun {
    QString text;
    QRectF bounds;
};

// Draws prepared page `index` into `target` on a text-recording device of `deviceSize`
// and answers its text runs in drawing order. The page is unpacked for the drawing and
// left unpacked; the caller decides whether to release it.
std::vector<TfrTextRun> frPageTextRuns(TfrEMFPages &pages, int index, const QRect &target, QSize deviceSize);

// The first run at or after `from` whose text contains `text`: runs are upper-cased
// first unless caseSensitive (the caller passes `text` already upper-cased then). -1
// when none does.
int frFindTextRun(const std::vector<TfrTextRun> &runs, int from, const QString &text, bool caseSensitive);
