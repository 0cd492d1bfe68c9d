// The report a designer window edits: the template, the current page, the selection, and
// the one path through which the template changes (steps that can be undone and redone).
//
// Every change of the template happens inside a step (TfrDesignStep, or Edit()): the step
// takes the template's stream before and after and keeps both on the undo stack, so undo
// and redo put back exactly the bytes they had, and undoing everything gives the template
// as it was opened. Restoring a state replaces the template's objects, so nobody keeps
// view pointers across Changed(frcReplaced): the selection is carried over by name.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QPoint>
#include <functional>
#include <memory>
#include <optional>

#include "report/model/change_notice.h"

class QMimeData;
class QUndoStack;
class TfrPage;
class TfrReport;
class TfrView;

class TfrDesignerDocument : public QObject, private TfrChangeListener {
    Q_OBJECT
public:
    // A new report with one empty page, owned by the document.
    explicit TfrDesignerDocument(QObject *parent = nullptr);
    // Edits a report someone else owns (DesignReport, EditPreparedReport); it must outlive
    // the document. A report without pages is given one (not an undo step).
    explicit TfrDesignerDocument(TfrReport &borrowed, QObject *parent = nullptr);
    ~TfrDesignerDocument() override;

    TfrReport &Report() const { return *m_report; }

    // ---- files ----
    // The file the template came from or was last saved to; empty for a new report.
    QString FileName() const { return m_fileName; }
    // Replaces the template by an empty one-page report (undo history cleared).
    void NewReport();
    // Loads a template file (.frf, or .frt whose pages block is read); on failure the
    // current report stays as it was and error says why.
    bool Open(const QString &fileName, QString *error = nullptr);
    // Writes through a temporary file beside the target that replaces it only when
    // complete; on failure the old file stays and error says why. An unmodified template
    // is written byte for byte as it was read; a modified one is stamped with the time.
    bool Save(const QString &fileName, QString *error = nullptr);
    // The template stream as a save would write it now, without stamping the time.
    QByteArray Snapshot() const;

    bool IsModified() const;
    // Marks the current state as saved (the modified mark goes).
    void SetSavedState();
    // The template differs from the one the document was made with (what a caller of
    // DesignReport gets back: saved edits count as changes too).
    bool ChangedSinceStart() const { return Snapshot() != m_startState; }
    // Puts that template back (a caller's report whose changes were not kept); one step.
    void RevertToStart();

    // ---- recovery ----
    // Writes the template to a recovery file (through a temporary file).
    bool WriteRecovery(const QString &recoveryFile, QString *error = nullptr) const;
    // Loads a recovery file as the template that belongs to originalFile (empty for a report
    // that had none); the template counts as modified, since nothing has saved it yet.
    bool Recover(const QString &recoveryFile, const QString &originalFile, QString *error = nullptr);

    // ---- clipboard ----
    // Our own MIME type: the objects' template records, so a paste gives back the objects.
    static QString ClipboardMimeType();
    // The views as clipboard data: their records, plus the text of the text objects.
    std::unique_ptr<QMimeData> MimeData(const QList<TfrView *> &views) const;
    // Puts the selection on the system clipboard; false when nothing is selected.
    bool Copy();
    // Copy, then delete what may be deleted (one step).
    bool Cut();
    bool CanPaste(const QMimeData *data) const;
    // Adds the objects of data to the current page as one step, each with a new unique
    // name; their group's top-left lands at `at` (design pixels) or, without one, they are
    // offset from the originals by offset. The pasted objects become the selection.
    int Paste(const QMimeData *data, std::optional<QPoint> at = std::nullopt, int offset = 8);
    // Deletes the selected views that allow it, as one step; how many went.
    int DeleteSelection(const QString &stepText);

    // ---- pages ----
    int CurrentPageIndex() const { return m_pageIndex; }
    TfrPage *CurrentPage() const;
    void SetCurrentPage(int index);

    // ---- selection: views of the current page, in the order they were selected ----
    const QList<TfrView *> &Selection() const { return m_selection; }
    bool IsSelected(const TfrView *view) const { return m_selection.contains(const_cast<TfrView *>(view)); }
    void SetSelection(const QList<TfrView *> &views);
    void Select(TfrView *view) { SetSelection({view}); }
    // Adds or removes one view.
    void ToggleSelected(TfrView *view);
    void ClearSelection() { SetSelection({}); }

    // ---- steps ----
    // Opens a step (steps nest; the outermost one counts). Changes made through the report's
    // editing operations (SetProperty, SetObjectBounds, page and object Add/Delete/Move)
    // inside it become one undo step named text when it ends; a step that changed nothing
    // leaves no trace.
    void BeginStep(const QString &text);
    void EndStep();
    // Ends the outermost step, putting the template back as it was when the step began.
    void CancelStep();
    bool InStep() const { return m_stepDepth > 0; }
    // fn inside one step.
    void Edit(const QString &text, const std::function<void()> &fn);

    QUndoStack &UndoStack() const { return *m_undo; }
    // Replaces the template by a stored state (used by undo and redo).
    void RestoreState(const QByteArray &state);

signals:
    // A change of the template: one per editing operation while a step runs, and
    // frcReplaced after undo, redo, open and new (every view pointer is stale then).
    void Changed(const TfrChange &change);
    // A step ended that changed the template.
    void StepCommitted();
    void SelectionChanged();
    void CurrentPageChanged(int index);
    void ModifiedChanged(bool modified);
    void FileNameChanged(const QString &fileName);

private:
    void ReportChanged(const TfrChange &change) override;
    void attach();
    void resetHistory();
    void pruneSelection();
    void setSelectionList(const QList<TfrView *> &views);

    std::unique_ptr<TfrReport> m_owned;
    TfrReport *m_report = nullptr;
    std::unique_ptr<QUndoStack> m_undo;
    QString m_fileName;
    QByteArray m_openedBytes;   // the file as read, written back while unmodified
    QByteArray m_state;         // the template's stream after the last step, undo or load
    QByteArray m_startState;    // the template the document was made with
    QByteArray m_stepBefore;
    QString m_stepText;
    int m_stepDepth = 0;
    bool m_restoring = false;
    int m_pageIndex = 0;
    QList<TfrView *> m_selection;
    QList<qint32> m_selectionIds; // identities of m_selection, index for index
};

// A step for the lifetime of a scope.
class TfrDesignStep {
public:
    TfrDesignStep(TfrDesignerDocument &doc, const QString &text) : m_doc(doc) { m_doc.BeginStep(text); }
    ~TfrDesignStep()
    {
        if (!m_cancelled)
            m_doc.EndStep();
    }
    void Cancel()
    {
        if (!m_cancelled)
            m_doc.CancelStep();
        m_cancelled = true;
    }
    TfrDesignStep(const TfrDesignStep &) = delete;
    TfrDesignStep &operator=(const TfrDesignStep &) = delete;

private:
    TfrDesignerDocument &m_doc;
    bool m_cancelled = false;
};
