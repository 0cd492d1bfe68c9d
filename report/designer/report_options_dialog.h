// "Параметры отчёта…": what the template keeps about the report as a whole: its name,
// author, description and version (readable in expressions as REPORTNAME, REPORTAUTOR,
// REPORTCOMMENT, VMAJOR…), two passes, the printer and whether the default printer is used
// instead, and a password for opening the file.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class TfrReport;

class TfrReportOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrReportOptionsDialog(const TfrReport &report, QWidget *parent = nullptr);

    // Writes the dialog's values into report (inside the caller's step). A printer other
    // than the selected one is selected, and the pages take its paper.
    void Apply(TfrReport &report) const;

    void accept() override;

private:
    QLineEdit *m_name, *m_author;
    QPlainTextEdit *m_comment;
    QLineEdit *m_version[4];
    QCheckBox *m_doublePass, *m_printToDefault, *m_protected;
    QComboBox *m_printer;
    QLineEdit *m_password;
    int m_printerIndex = -1;
    QString m_commentShown; // the description as first shown
};
