// The designer's editors: modal dialogs over the document. Each one's OK is one step of the
// document (one undo), Cancel changes nothing; each returns true only when it changed the
// template (or, for the value editors, when the caller got a value back).
#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class TfrDesignerDocument;
class TfrReport;

// ---- editors of objects ----

// The editor of an object (double-click or Enter on the page): a text object's text editor,
// a picture's picture editor, a data band's data source editor. False when the object has
// none or the editor was cancelled.
bool frEditObject(QWidget *parent, TfrDesignerDocument &doc, const QString &objectName);

// True when the designer has an editor of its own for the property (the inspector's "…"):
// Memo, DisplayFormat, Highlight, Picture, DataSource.
bool frHasPropertyEditor(const QString &property);
// Runs that editor on the inspected objects: the selection, or the current page when
// nothing is selected.
bool frEditProperty(QWidget *parent, TfrDesignerDocument &doc, const QString &property);

// The expression builder: fields, variables, system variables and the functions with their
// descriptions; the expression is checked by the parser before OK. True and the expression
// (without brackets) on OK.
bool frBuildExpression(QWidget *parent, TfrReport &report, QString &expression);

// A data band's (or cross band's) data source: a data set of the list, or a virtual data set
// with a record count.
bool frEditBandDataSource(QWidget *parent, TfrDesignerDocument &doc, const QString &bandName);
// A picture object's picture: load from a file, clear; the picture's options.
bool frEditPicture(QWidget *parent, TfrDesignerDocument &doc, const QString &objectName);

// ---- editors of the report ----

// "Словарь данных…": categories and variables, their values, the data sets known to the report.
bool frEditDataDictionary(QWidget *parent, TfrDesignerDocument &doc);
// "Параметры страницы…" of the current page.
bool frEditPageOptions(QWidget *parent, TfrDesignerDocument &doc);
// "Параметры отчёта…".
bool frEditReportOptions(QWidget *parent, TfrDesignerDocument &doc);
// The script editor on lines (line numbers, highlighting, bracket matching, a syntax check
// that puts the cursor on the failing line). True and the lines on OK.
bool frEditScript(QWidget *parent, const QString &title, QStringList &script);
// "Скрипт отчёта…": the script editor on the current page's script.
bool frEditReportScript(QWidget *parent, TfrDesignerDocument &doc);

// ---- templates ----

// Where "Новый из шаблона…" looks for .frt files and "Сохранить как шаблон…" suggests to write.
QString frTemplatesFolder();
// "Новый из шаблона…": false when cancelled; otherwise the chosen .frt file, or empty for an
// empty report.
bool frChooseTemplate(QWidget *parent, QString &fileName);
// "Сохранить как шаблон…": an .frt with a description and a picture of the first page.
bool frSaveAsTemplate(QWidget *parent, TfrDesignerDocument &doc);
