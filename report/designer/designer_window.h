// The designer's main window: menus, tool bars, the docks "Инспектор объектов" and
// "Структура отчёта", the canvas in a scroll area with page tabs under it, the status bar,
// files (open, save, recent files, the question on closing, recovery after a crash) and
// the preview of a copy of the report. Everything it changes goes through its document.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QMimeData;
class QSettings;
class QTabBar;
class QTreeWidget;
class TfrDesignerCanvas;
class TfrDesignerDocument;
class TfrObjectInspector;
class TfrReport;

// Where the designer keeps its layout and recovery files, and how often it writes them.
// Tests point these at temporary folders and shorten the interval.
struct TfrDesignerSettings {
    QString settingsFile;           // empty: the user's settings of the program
    QString recoveryFolder;         // empty: "recovery" in the user's data folder
    int recoveryIntervalMs = 60000; // while modified, the template is written this often
};
TfrDesignerSettings &frDesignerSettings();
// The designer's settings file: settingsFile, or the user's "frdesigner" settings of the program.
std::unique_ptr<QSettings> frOpenDesignerSettings();

// The file dialogs the window asks (tests answer them).
struct TfrDesignerDialogs {
    std::function<QString(QWidget *parent, const QString &caption, const QString &filter)> openFileName;
    std::function<QString(QWidget *parent, const QString &caption, const QString &filter, const QString &suggested)>
        saveFileName;
    // The plain editor of a text object's lines; false when cancelled.
    std::function<bool(QWidget *parent, QString &text)> editText;
};
TfrDesignerDialogs &frDesignerDialogs();

// Registers the designer as the report's designer: DesignReport opens it modally, and the
// preview shows its edit items (EditPreparedReport).
void frInstallDesigner();
// Runs a designer window modally on report (edited in place); its modal result.
int frRunDesigner(TfrReport &report, bool preparedPage);

class TfrDesignerWindow : public QMainWindow {
    Q_OBJECT
public:
    // A new report of its own with one empty page.
    explicit TfrDesignerWindow(QWidget *parent = nullptr);
    // Edits a report owned elsewhere (DesignReport; with preparedPage, one prepared page:
    // closing asks nothing, the caller decides).
    TfrDesignerWindow(TfrReport &report, bool preparedPage, QWidget *parent = nullptr);
    ~TfrDesignerWindow() override;

    TfrDesignerDocument &Document() const;
    TfrDesignerCanvas &Canvas() const;
    TfrObjectInspector &Inspector() const;
    QTreeWidget &Structure() const;
    QTabBar &PageTabs() const;
    // An action by its object name, or nullptr.
    QAction *Action(const QString &objectName) const;

    // ---- files ----
    // Asks about unsaved changes first; on failure the loader's message is shown and the
    // report stays as it was.
    bool OpenFile(const QString &fileName);
    // Save to the file the template belongs to (Save as when it has none); a failure says
    // why and keeps the old file.
    bool SaveFile();
    bool SaveFileAs(const QString &fileName);
    // "Сохранить изменения?" while modified: true when the caller may go on (saved or
    // dropped), false on Отмена or a failed save.
    bool MaybeSave();
    QStringList RecentFiles() const;

    // ---- recovery ----
    // The file this window writes while modified.
    QString RecoveryFile() const;
    void WriteRecovery();
    // Offers to restore a template left behind by a designer that did not close; true when
    // one was restored.
    bool OfferRecovery();

    // ---- view ----
    // Status bar units: 0 mm, 1 cm, 2 inches, 3 design pixels.
    // "Сервис → Настройки…": grid, snapping, guides, units.
    void EditSettings();
    int Units() const;
    void SetUnits(int units);
    QString PointerText() const;
    QString SelectionText() const;
    // Rebuilds the structure tree now (it otherwise follows changes a moment later).
    void RefreshStructure();

    // The result a modal run gives back: 1 when the template was changed and kept, 2 otherwise.
    int ModalResult() const;

signals:
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
    void setUp();
};
