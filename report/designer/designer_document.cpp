#include "report/designer/designer_document.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QSaveFile>
#include <QUndoCommand>
#include <QUndoStack>

#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"
#include "report/model/view.h"

namespace {

// At least a hundred steps back, as people expect of an editor.
constexpr int kUndoLimit = 200;

// One step: the template's stream before and after. Consecutive steps share the state
// between them (implicitly shared byte arrays), so a step costs one copy of the template.
class TfrStateCommand : public QUndoCommand {
public:
    TfrStateCommand(TfrDesignerDocument &doc, const QString &text, QByteArray before, QByteArray after)
        : QUndoCommand(text), m_doc(doc), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void undo() override { m_doc.RestoreState(m_before); }
    void redo() override
    {
        // The first redo is the push: the template is already in that state.
        if (m_pushed)
            m_doc.RestoreState(m_after);
        m_pushed = true;
    }

private:
    TfrDesignerDocument &m_doc;
    QByteArray m_before, m_after;
    bool m_pushed = false;
};

// Runs fn with the engine's message box recording instead of showing, so a loader's
// message can be given back to the caller.
QString captureMessages(const std::function<void()> &fn)
{
    QString text;
    auto &hook = frUiHooks().MessageBox;
    auto saved = hook;
    hook = [&text](const QString &message, const QString &, int) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += message;
        return 1;
    };
    try {
        fn();
    } catch (const std::exception &e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        hook = saved;
        throw;
    }
    hook = saved;
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

TfrDesignerDocument::TfrDesignerDocument(QObject *parent)
    : QObject(parent), m_owned(std::make_unique<TfrReport>()), m_report(m_owned.get()),
      m_undo(std::make_unique<QUndoStack>())
{
    m_report->AddPage();
    attach();
}

TfrDesignerDocument::TfrDesignerDocument(TfrReport &borrowed, QObject *parent)
    : QObject(parent), m_report(&borrowed), m_undo(std::make_unique<QUndoStack>())
{
    if (m_report->PageCount() == 0)
        m_report->AddPage();
    attach();
}

TfrDesignerDocument::~TfrDesignerDocument()
{
    // The stack's commands must not outlive the report they restore.
    m_undo->clear();
    if (m_report->ChangeListener() == this)
        m_report->SetChangeListener(nullptr);
}

void TfrDesignerDocument::attach()
{
    m_undo->setUndoLimit(kUndoLimit);
    m_report->SetChangeListener(this);
    m_startState = Snapshot();
    connect(m_undo.get(), &QUndoStack::cleanChanged, this, [this](bool clean) { emit ModifiedChanged(!clean); });
    resetHistory();
}

void TfrDesignerDocument::resetHistory()
{
    m_undo->clear();
    m_state = Snapshot();
    m_stepDepth = 0;
    m_undo->setClean();
}

QByteArray TfrDesignerDocument::Snapshot() const
{
    TfrStream stream;
    const bool stamp = m_report->StampLastChange;
    m_report->StampLastChange = false;
    m_report->SaveToStream(stream);
    m_report->StampLastChange = stamp;
    return stream.data();
}

bool TfrDesignerDocument::IsModified() const { return !m_undo->isClean(); }

void TfrDesignerDocument::SetSavedState() { m_undo->setClean(); }

void TfrDesignerDocument::RevertToStart()
{
    if (Snapshot() == m_startState)
        return;
    const QByteArray before = m_state;
    RestoreState(m_startState);
    m_undo->push(new TfrStateCommand(*this, tr("Отменить изменения"), before, m_startState));
    m_undo->setClean();
}

// ---- recovery ----

bool TfrDesignerDocument::WriteRecovery(const QString &recoveryFile, QString *error) const
{
    const QByteArray bytes = Snapshot();
    QSaveFile file(recoveryFile);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

bool TfrDesignerDocument::Recover(const QString &recoveryFile, const QString &originalFile, QString *error)
{
    if (!Open(recoveryFile, error))
        return false;
    m_report->templateFileName = originalFile;
    m_fileName = originalFile;
    // Whatever the original file holds now, it is not what was recovered.
    m_openedBytes.clear();
    m_undo->resetClean();
    emit FileNameChanged(m_fileName);
    emit ModifiedChanged(true);
    return true;
}

// ---- files ----

void TfrDesignerDocument::NewReport()
{
    m_report->Clear();
    m_report->AddPage();
    m_report->templateFileName = QString();
    m_fileName.clear();
    m_openedBytes.clear();
    m_pageIndex = 0;
    setSelectionList({});
    resetHistory();
    emit Changed(TfrChange{});
    emit SelectionChanged();
    emit CurrentPageChanged(0);
    emit FileNameChanged(m_fileName);
    emit ModifiedChanged(false);
}

bool TfrDesignerDocument::Open(const QString &fileName, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo info(fileName);
    if (!info.isFile())
        return fail(tr("Файл «%1» не найден.").arg(fileName));

    // Loaded into a report of its own first, so a file that is refused leaves this one alone.
    TfrReport loaded(m_report->Owner);
    loaded.Dataset = m_report->Dataset;
    bool ok = false;
    const bool isTemplate = info.suffix().compare(QLatin1String("frt"), Qt::CaseInsensitive) == 0;
    const QString message = captureMessages([&] {
        if (isTemplate) {
            QStringList description;
            QImage picture;
            loaded.LoadTemplate(fileName, description, picture, true);
            ok = !ErrorFlag;
        } else {
            ok = loaded.LoadFromFile(fileName) && !loaded.templateFileName.isEmpty();
        }
    });
    if (!ok || !message.isEmpty())
        return fail(tr("Не удалось открыть «%1».\n%2").arg(fileName, message.isEmpty() ? tr("Это не шаблон отчёта.") : message));

    QFile file(fileName);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    setSelectionList({});
    {
        TfrQuietChanges quiet(*m_report);
        m_report->Assign(loaded);
    }
    if (m_report->PageCount() == 0)
        m_report->AddPage();
    m_report->templateFileName = isTemplate ? QString() : fileName;
    m_fileName = isTemplate ? QString() : fileName;
    m_openedBytes = isTemplate ? QByteArray() : bytes;
    m_pageIndex = 0;
    resetHistory();
    // A template read from a file older than the stream's version saves differently: the
    // bytes as read are only written back when they are what a save would write.
    if (m_openedBytes != m_state)
        m_openedBytes.clear();
    emit Changed(TfrChange{});
    emit SelectionChanged();
    emit CurrentPageChanged(0);
    emit FileNameChanged(m_fileName);
    emit ModifiedChanged(false);
    return true;
}

bool TfrDesignerDocument::Save(const QString &fileName, QString *error)
{
    QByteArray bytes;
    if (!IsModified() && !m_openedBytes.isEmpty()) {
        bytes = m_openedBytes;
    } else if (!IsModified()) {
        bytes = Snapshot();
    } else {
        TfrStream stream;
        m_report->StampLastChange = true;
        m_report->SaveToStream(stream);
        bytes = stream.data();
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = tr("Не удалось сохранить «%1»: %2").arg(fileName, file.errorString());
        return false;
    }
    m_report->templateFileName = fileName;
    m_openedBytes = bytes;
    // The stamped time is part of the template now: the state after a save is what undo
    // and the saved mark compare against.
    m_state = Snapshot();
    m_undo->setClean();
    if (m_fileName != fileName) {
        m_fileName = fileName;
        emit FileNameChanged(m_fileName);
    }
    return true;
}

// ---- pages ----

TfrPage *TfrDesignerDocument::CurrentPage() const { return m_report->Page(m_pageIndex); }

void TfrDesignerDocument::SetCurrentPage(int index)
{
    if (index < 0 || index >= m_report->PageCount() || index == m_pageIndex)
        return;
    m_pageIndex = index;
    if (!m_selection.isEmpty()) {
        setSelectionList({});
        emit SelectionChanged();
    }
    emit CurrentPageChanged(index);
}

// ---- selection ----

void TfrDesignerDocument::SetSelection(const QList<TfrView *> &views)
{
    QList<TfrView *> next;
    const TfrPage *page = CurrentPage();
    for (TfrView *v : views) {
        if (v && !next.contains(v) && page && page->FindObjectByID(v->objectNumber) >= 0)
            next.append(v);
    }
    if (next == m_selection)
        return;
    setSelectionList(next);
    emit SelectionChanged();
}

void TfrDesignerDocument::ToggleSelected(TfrView *view)
{
    QList<TfrView *> next = m_selection;
    if (!next.removeOne(view))
        next.append(view);
    SetSelection(next);
}

void TfrDesignerDocument::pruneSelection()
{
    // Deleted views are never dereferenced: a selected view stays when a view of its
    // identity is still at that address on the page.
    const TfrPage *page = CurrentPage();
    QList<TfrView *> kept;
    for (qsizetype i = 0; i < m_selection.size(); ++i) {
        const int at = page ? page->FindObjectByID(m_selectionIds.at(i)) : -1;
        if (at >= 0 && page->Objects[size_t(at)].get() == m_selection.at(i))
            kept.append(m_selection.at(i));
    }
    if (kept.size() == m_selection.size())
        return;
    setSelectionList(kept);
    emit SelectionChanged();
}

void TfrDesignerDocument::setSelectionList(const QList<TfrView *> &views)
{
    m_selection = views;
    m_selectionIds.clear();
    for (const TfrView *v : views)
        m_selectionIds.append(v->objectNumber);
}

// ---- steps ----

void TfrDesignerDocument::BeginStep(const QString &text)
{
    if (m_stepDepth++ > 0)
        return;
    m_stepText = text;
    m_stepBefore = m_state;
}

void TfrDesignerDocument::EndStep()
{
    if (m_stepDepth == 0 || --m_stepDepth > 0)
        return;
    QByteArray after = Snapshot();
    if (after == m_stepBefore)
        return;
    m_state = after;
    m_undo->push(new TfrStateCommand(*this, m_stepText, m_stepBefore, std::move(after)));
    m_stepBefore.clear();
    emit StepCommitted();
}

void TfrDesignerDocument::CancelStep()
{
    if (m_stepDepth == 0)
        return;
    m_stepDepth = 0;
    if (Snapshot() != m_stepBefore)
        RestoreState(m_stepBefore);
    m_stepBefore.clear();
}

void TfrDesignerDocument::Edit(const QString &text, const std::function<void()> &fn)
{
    TfrDesignStep step(*this, text);
    try {
        fn();
    } catch (...) {
        step.Cancel();
        throw;
    }
}

void TfrDesignerDocument::RestoreState(const QByteArray &state)
{
    QStringList selected;
    for (const TfrView *v : std::as_const(m_selection))
        selected.append(v->Name);
    setSelectionList({});
    const int page = m_pageIndex;
    m_restoring = true;
    {
        TfrQuietChanges quiet(*m_report);
        TfrStream stream(state);
        const QString fileName = m_report->templateFileName;
        m_report->LoadFromStream(stream);
        m_report->templateFileName = fileName;
    }
    m_restoring = false;
    m_state = state;
    m_pageIndex = std::clamp(page, 0, std::max(0, m_report->PageCount() - 1));
    QList<TfrView *> reselected;
    if (TfrPage *p = CurrentPage()) {
        for (const QString &name : std::as_const(selected))
            if (TfrView *v = p->FindObject(name))
                reselected.append(v);
    }
    setSelectionList(reselected);
    emit Changed(TfrChange{});
    if (m_pageIndex != page)
        emit CurrentPageChanged(m_pageIndex);
    emit SelectionChanged();
}

void TfrDesignerDocument::ReportChanged(const TfrChange &change)
{
    if (m_restoring)
        return;
    if (change.kind == frcReplaced && !m_selection.isEmpty()) {
        setSelectionList({});
        emit SelectionChanged();
    } else if (change.kind == frcObjectDeleted || change.kind == frcPageRemoved) {
        pruneSelection();
    }
    if (change.kind == frcPageRemoved && m_pageIndex >= m_report->PageCount()) {
        m_pageIndex = std::max(0, m_report->PageCount() - 1);
        emit CurrentPageChanged(m_pageIndex);
    }
    emit Changed(change);
}

// ---- clipboard ----
//
// The data of ClipboardMimeType:
// | Field                     | Bytes  | Notes                                        |
// |---------------------------|--------|----------------------------------------------|
// | mark                      | string | "TfrDesignerObjects"                         |
// | count                     | 4      |                                              |
// | per object: type code     | 1      | 0..4, or 10 for an add-in                    |
// |   class name              | string | type 10 only                                 |
// |   object record           |        | TfrView::SaveToStream, as stream version 25  |

namespace {

const QString kClipboardMark = QStringLiteral("TfrDesignerObjects");

// The engine's current report, page and stream version while objects are written or read
// for the clipboard; put back afterwards.
struct ClipboardScope {
    TfrReport *report = CurReport;
    TfrPage *page = CurPage;
    quint8 version = frVersion;
    ClipboardScope(TfrReport *r, TfrPage *p)
    {
        CurReport = r;
        CurPage = p;
        frVersion = 25;
    }
    ~ClipboardScope()
    {
        CurReport = report;
        CurPage = page;
        frVersion = version;
    }
};

} // namespace

QString TfrDesignerDocument::ClipboardMimeType() { return QStringLiteral("application/x-fr-report-objects"); }

std::unique_ptr<QMimeData> TfrDesignerDocument::MimeData(const QList<TfrView *> &views) const
{
    auto data = std::make_unique<QMimeData>();
    TfrStream stream;
    QStringList texts;
    {
        ClipboardScope scope(m_report, CurrentPage());
        frWriteString(stream, kClipboardMark);
        frWriteInteger(stream, qint32(views.size()));
        for (TfrView *v : views) {
            const bool prepared = v->inPreparedPage;
            v->inPreparedPage = false;
            v->WriteTypeAndRecord(stream);
            v->inPreparedPage = prepared;
            if (v->Typ == otMemo)
                texts.append(v->Memo.join(QLatin1Char('\n')));
        }
    }
    data->setData(ClipboardMimeType(), stream.data());
    if (!texts.isEmpty())
        data->setText(texts.join(QLatin1Char('\n')));
    return data;
}

bool TfrDesignerDocument::Copy()
{
    if (m_selection.isEmpty())
        return false;
    QGuiApplication::clipboard()->setMimeData(MimeData(m_selection).release());
    return true;
}

bool TfrDesignerDocument::Cut()
{
    if (!Copy())
        return false;
    DeleteSelection(tr("Вырезать"));
    return true;
}

bool TfrDesignerDocument::CanPaste(const QMimeData *data) const
{
    return data && data->hasFormat(ClipboardMimeType());
}

int TfrDesignerDocument::Paste(const QMimeData *data, std::optional<QPoint> at, int offset)
{
    TfrPage *page = CurrentPage();
    if (!page || !CanPaste(data))
        return 0;
    std::vector<std::unique_ptr<TfrView>> views;
    ClipboardScope scope(m_report, page);
    try {
        TfrStream stream(data->data(ClipboardMimeType()));
        if (frReadString(stream) != kClipboardMark)
            return 0;
        const qint32 count = frReadInteger(stream);
        for (qint32 i = 0; i < count; ++i) {
            const int typ = frReadByte(stream);
            const QString className = typ == otAddIn ? frReadString(stream) : QString();
            std::unique_ptr<TfrView> view = frCreateObject(typ, className);
            if (!view)
                return 0; // a class this program does not have: nothing half pasted
            view->LoadFromStream(stream);
            views.push_back(std::move(view));
        }
    } catch (const std::exception &) {
        return 0;
    }
    if (views.empty())
        return 0;

    int dx = offset, dy = offset;
    if (at) {
        int left = views.front()->Left, top = views.front()->Top;
        for (const auto &v : views) {
            left = std::min(left, v->Left);
            top = std::min(top, v->Top);
        }
        dx = at->x() - left;
        dy = at->y() - top;
    }
    QList<TfrView *> added;
    {
        TfrDesignStep step(*this, tr("Вставить"));
        for (auto &v : views) {
            v->Left += dx;
            v->Top += dy;
            // Named before it joins the page, so its own old name does not count as taken.
            v->CreateUniqueName();
            added.append(page->Add(std::move(v)));
        }
    }
    SetSelection(added);
    return int(added.size());
}

int TfrDesignerDocument::DeleteSelection(const QString &stepText)
{
    TfrPage *page = CurrentPage();
    if (!page || m_selection.isEmpty())
        return 0;
    QList<qint32> ids;
    for (const TfrView *v : std::as_const(m_selection))
        if (!(v->Restrictions & frrfDontDelete))
            ids.append(v->objectNumber);
    if (ids.isEmpty())
        return 0;
    TfrDesignStep step(*this, stepText);
    for (const qint32 id : std::as_const(ids)) {
        const int index = page->FindObjectByID(id);
        if (index >= 0)
            page->Delete(index);
    }
    return int(ids.size());
}
