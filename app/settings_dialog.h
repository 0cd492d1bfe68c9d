// "Настройки": connection string, numbering, print order, the command file run before
// processing, and the executor and addressee lists. Nothing is written until Save.
#pragma once

#include <QDialog>
#include <memory>

#include "app/list_editor.h"
#include "report/eval/ini_file.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TFNastr : public QDialog {
    Q_OBJECT
public:
    explicit TFNastr(QWidget *owner = nullptr);

    TListEditor *executors() const { return m_isp; }
    TListEditor *addressees() const { return m_pol; }
    QTabWidget *pages() const { return m_pages; }

    // Refuses (EfrError, nothing written) while a number field holds no number it can save.
    void BSaveClick();
    void BCancelClick();
    void BBDConnectStringClick();
    void BBrouseBatClick();

    // The list editors' handlers under the forms' names.
    void AddIspClick() { m_isp->AddClick(); }
    void EdtListIspClick() { m_isp->EditClick(); }
    void DelIspClick() { m_isp->DeleteClick(); }
    void OKAddIspClick() { m_isp->OkClick(); }
    void NoAddIspClick() { m_isp->CancelClick(); }
    void IspUpClick() { m_isp->UpClick(); }
    void IstDwnClick() { m_isp->DownClick(); }
    void EdtIspKeyUp(int key, Qt::KeyboardModifiers shift) { m_isp->EditKeyUp(key, shift); }
    void AddPolClick() { m_pol->AddClick(); }
    void EditPolClick() { m_pol->EditClick(); }
    void DelPolClick() { m_pol->DeleteClick(); }
    void OKAddPolClick() { m_pol->OkClick(); }
    void NoAddPolClick() { m_pol->CancelClick(); }
    void PolUpClick() { m_pol->UpClick(); }
    void PolDwnClick() { m_pol->DownClick(); }
    void EdtPolKeyUp(int key, Qt::KeyboardModifiers shift) { m_pol->EditKeyUp(key, shift); }

    static QString blankExecutorText();

private:
    QWidget *makeJournalTab();
    QLineEdit *makeNumberEdit(const char *name, qint64 minimum, qint64 maximum, QWidget *parent);
    QString numberFieldName(const QLineEdit *edit) const;
    void showNumberHint(QLineEdit *edit);
    void updateSaveButton();
    // EfrError naming the first number field that cannot be saved, with that field shown.
    void checkNumbers();
    QWidget *makeProcessingTab();
    void load();

    TIniFile m_ini;
    QTabWidget *m_pages = nullptr;
    QLineEdit *m_connectString = nullptr;
    QLineEdit *m_nextNumJrn = nullptr;
    QLineEdit *m_nextNumReis = nullptr;
    QCheckBox *m_backOrder = nullptr;
    QCheckBox *m_runBatFile = nullptr;
    QLineEdit *m_pathBatFile = nullptr;
    TListEditor *m_isp = nullptr;
    TListEditor *m_pol = nullptr;
    QLabel *m_numbersHint = nullptr;
    QPushButton *m_save = nullptr;
};
