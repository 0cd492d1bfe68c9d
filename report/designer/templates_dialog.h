// "Новый из шаблона…" and "Сохранить как шаблон…": the .frt files of the templates folder
// with their descriptions and pictures, and the dialog that writes one.
#pragma once

#include <QDialog>
#include <QImage>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class TfrReport;

// What a template file says about itself; ok false when it cannot be read.
struct TfrTemplateInfo {
    QString fileName;
    QStringList description;
    QImage picture;
    bool ok = false;
    // The first line of the description, or the file's name without its extension.
    QString Title() const;
};
TfrTemplateInfo frReadTemplateInfo(const QString &fileName);

// The first page as the designer draws it (no grid, no selection), scaled to width pixels.
QImage frTemplatePicture(const TfrReport &report, int width = 240);

// The settings key that points "Новый из шаблона…" at a folder of one's own.
inline constexpr char kFrTemplatesFolderKey[] = "Designer/TemplatesFolder";

class TfrTemplateChooser : public QDialog {
    Q_OBJECT
public:
    // The .frt files of folder, sorted by name, after the empty report.
    explicit TfrTemplateChooser(const QString &folder, QWidget *parent = nullptr);

    QListWidget *List() const { return m_list; }
    // The chosen file; empty for the empty report.
    QString FileName() const;
    const QList<TfrTemplateInfo> &Templates() const { return m_templates; }

private:
    void showCurrent();

    QList<TfrTemplateInfo> m_templates;
    QListWidget *m_list;
    QLabel *m_preview, *m_description;
};

class TfrSaveTemplateDialog : public QDialog {
    Q_OBJECT
public:
    TfrSaveTemplateDialog(const QString &suggestedFile, const QImage &picture, QWidget *parent = nullptr);

    QString FileName() const;
    QStringList Description() const;
    const QImage &Picture() const { return m_picture; }

    void accept() override;

private:
    void browse();

    QImage m_picture;
    QLineEdit *m_file;
    QPlainTextEdit *m_description;
};
