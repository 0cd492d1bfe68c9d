// The processing window: one run of the journal. It runs the command file, numbers the
// run, fills Temp with one row per file of the folder, lets the operator complete the rows,
// and on Save appends them to the journal and advances the numbering in config.ini.
#pragma once

#include <QDialog>

#include "app/journal_run.h"
#include "report/eval/ini_file.h"

class QListWidget;
class QPushButton;
class TfrCursorModel;
class TfrDBGrid;
class TfrDBMemo;
class TfrDBNavigator;
class TfrTableCursor;

// What the window takes from the main window when it is created.
struct TWorkInputs {
    QString executor;
    QString folder;
    TJournalClock now; // empty: the system clock
};

class TFWork : public QDialog {
    Q_OBJECT
public:
    // The journal field for the executor holds 50 characters; a longer name is refused.
    static constexpr int kMaxExecutorLength = 50;

    // Raises EfrError when the run cannot start (executor too long, Temp not created, the
    // folder's rows not appended); nothing is left behind then.
    explicit TFWork(const TWorkInputs &inputs, QWidget *owner = nullptr);
    ~TFWork() override;

    qint64 nextJournalNumber() const { return m_nextNumJrn; }
    int runNumber() const { return m_runNumber; }
    TfrDBGrid *grid() const { return m_grid; }

    // "+" works only with an addressee chosen (the button is off without one).
    void BAddPolClick();
    // Prints the run forward or backward as Nastr/BackwardOrder says.
    void BPrintClick();
    void BSaveWorkClick();
    // Asks first when the operator has changed the run (see reject).
    void BCancelClick();
    void FormDestroy();
    // Whether the run differs from what the window made of the folder: typed brief
    // contents or addressees, edited or deleted rows, a cell editor with typing in it.
    bool runEdited() const;
    // "Отмена" and the close box: with an edited run the operator confirms first
    // (No is the default); without edits the window closes at once.
    void reject() override;
    // Keeps the window's size and place for the next run, however it closes.
    void done(int result) override;

    static QString dateWarningText();
    static QString blankExecutorText();
    static QString noAddresseeText();
    static QString discardQuestionText();
    static QString emptyRunText();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildLayout();
    // Opens fitting the screen's available area, at the size kept from the last run.
    void placeWindow();
    void savePlacement();
    QRect availableArea() const;
    QDateTime now() const;
    void runCommandFile(const QString &commandLine, const QString &folder);
    QList<QStringList> runRows() const;
    int selectedAddressee() const;
    void updateAddButton();
    void fillTemp(const TWorkInputs &inputs);
    TfrTableCursor *table() const;
    void postPendingEdits();

    TIniFile m_ini;
    TJournalClock m_clock;
    qint64 m_nextNumJrn = 1;
    int m_runNumber = 1;
    bool m_tempCreated = false;

    TfrCursorModel *m_model = nullptr;
    TfrDBGrid *m_grid = nullptr;
    TfrDBNavigator *m_navigator = nullptr;
    TfrDBMemo *m_brief = nullptr;
    TfrDBMemo *m_toWhom = nullptr;
    QListWidget *m_addressees = nullptr;
    QPushButton *m_add = nullptr;
    QList<QStringList> m_initialRows;
};
