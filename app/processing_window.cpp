#include "app/processing_window.h"

#include "app/application.h"
#include "app/cursor_model.h"
#include "app/main_dm.h"
#include "app/message_box.h"
#include "app/number_input.h"
#include "app/settings.h"
#include "report/eval/errors.h"
#include "report/eval/ini_file.h"
#include "report/ui/window_placement.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QList<TfrGridColumn> &workColumns()
{
    static const QList<TfrGridColumn> columns = {
        {QStringLiteral("NumPP"), QStringLiteral("#"), 36, 1, kMaxJournalNumber},
        {QStringLiteral("NumReis"), QStringLiteral("# 2"), 27, 1, kMaxRunNumber},
        {QStringLiteral("NameFile"), QStringLiteral("Имя файла"), 190},
        {QStringLiteral("DateCreateFile"), QStringLiteral("Дата создания"), 61},
        {QStringLiteral("TimeCreateFile"), QStringLiteral("Время Создания"), 49},
        {QStringLiteral("Size"), QStringLiteral("Размер"), 75, 0, kMaxFileSize, true},
        {QStringLiteral("DateProcesFile"), QStringLiteral("Дата обработки"), 60},
        {QStringLiteral("TimeProcesFile"), QStringLiteral("Время обработки"), 38},
        {QStringLiteral("Ispolnitel"), QStringLiteral("Исполнитель"), 93},
    };
    return columns;
}

QPushButton *makeButton(const char *name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// Where the window's size and place are kept between runs, beside the preview's.
const QString kPositionSection = QStringLiteral("FWork");

TMainDM &dataModule()
{
    if (!MainDM)
        throw EfrError(QStringLiteral("Модуль данных не создан"));
    return *MainDM;
}

} // namespace

QString TFWork::blankExecutorText()
{
    return QStringLiteral("Не указан текущий исполнитель.\n"
                          "Выберите его в поле «Текущий исполнитель» или введите имя и начните обработку снова.");
}

QString TFWork::noAddresseeText()
{
    return QStringLiteral("Не выбран получатель.\nВыберите его в списке получателей и нажмите «+» снова.");
}

QString TFWork::discardQuestionText()
{
    return QStringLiteral("Введённые краткое содержание, получатели и другие изменения рейса не сохранены.\n"
                          "Закрыть окно без сохранения?");
}

QString TFWork::emptyRunText()
{
    return QStringLiteral("В рейсе нет ни одного файла: сохранять нечего.\n"
                          "Журнал и нумерация рейсов не изменены.");
}

QString TFWork::dateWarningText()
{
    return QStringLiteral("Текущая дата меньше даты последней обработки.\nОбратите на это внимание.\n"
                          "Дальнейшая обработка может нарушить целостность журнала,\n"
                          "вызвав повторяемость рейсов и дат обработки.");
}

TFWork::TFWork(const TWorkInputs &inputs, QWidget *owner)
    : QDialog(owner), m_ini(frConfigPath()), m_clock(inputs.now)
{
    // Refused before anything runs: a run must say who processed it.
    if (inputs.executor.trimmed().isEmpty())
        throw EfrError(blankExecutorText());
    // Refused before anything runs: the journal's field would cut the name.
    if (inputs.executor.size() > kMaxExecutorLength)
        throw EfrError(QStringLiteral("Имя исполнителя «%1» длиннее %2 символов (%3).\n"
                                      "Сократите его в поле «Текущий исполнитель» и начните обработку снова.")
                           .arg(inputs.executor)
                           .arg(kMaxExecutorLength)
                           .arg(inputs.executor.size()));
    TMainDM &dm = dataModule();
    buildLayout();

    QStringList addressees;
    if (QFileInfo::exists(frReceptListPath()) && LoadListFile(frReceptListPath(), addressees))
        m_addressees->addItems(addressees);

    if (Cfg::RunBatFile(m_ini)) {
        const QString commandLine = Cfg::PathBatFile(m_ini);
        if (!commandLine.isEmpty())
            runCommandFile(commandLine, inputs.folder);
    }

    m_nextNumJrn = Cfg::NextNumJrnEdt(m_ini);
    const QDate today = now().date();
    const QDate lastWork = Cfg::WorkDate(m_ini, today);
    m_runNumber = today > lastWork ? 1 : Cfg::NextNumReisEdt(m_ini);
    if (today < lastWork)
        frWarning(this, dateWarningText());

    dm.CreateTempTable();
    m_tempCreated = true;
    try {
        fillTemp(inputs);
    } catch (...) {
        FormDestroy();
        throw;
    }

    m_model = new TfrCursorModel(table(), workColumns(), this);
    m_grid->setCursorModel(m_model);
    m_navigator->setGrid(m_grid);
    m_brief->bind(table(), QStringLiteral("BriefContents"));
    m_toWhom->bind(table(), QStringLiteral("ToWhom"));

    placeWindow();

    // What the run looks like before the operator touches it, so "Отмена" knows whether
    // there is work to lose.
    m_initialRows = runRows();
    auto updateAdd = [this] { updateAddButton(); };
    connect(m_addressees, &QListWidget::itemSelectionChanged, this, updateAdd);
    connect(m_addressees, &QListWidget::currentRowChanged, this, updateAdd);
    connect(table(), &TfrTableCursor::dataReset, this, updateAdd);
    connect(table(), &TfrTableCursor::currentRowChanged, this, updateAdd);
    connect(table(), &TfrTableCursor::rowInserted, this, updateAdd);
    connect(table(), &TfrTableCursor::rowRemoved, this, updateAdd);
    updateAddButton();
}

TFWork::~TFWork()
{
    FormDestroy();
    // The list and the shared cursor report their own teardown after "+" is gone.
    m_addressees->disconnect(this);
    if (MainDM)
        MainDM->ADOTable()->disconnect(this);
}

QDateTime TFWork::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

TfrTableCursor *TFWork::table() const
{
    return dataModule().ADOTable();
}

void TFWork::buildLayout()
{
    setObjectName(QStringLiteral("FWork"));
    setWindowTitle(QStringLiteral("FWork"));
    // A window of its own size: it can be resized and maximised, the grid taking the room.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_grid = new TfrDBGrid(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    layout->addWidget(m_grid, 3);

    m_navigator = new TfrDBNavigator(this);
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    layout->addWidget(m_navigator, 0, Qt::AlignLeft);

    auto *bottom = new QGridLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Краткое содержание"), this), 0, 0);
    m_brief = new TfrDBMemo(this);
    m_brief->setObjectName(QStringLiteral("DBMemo1"));
    bottom->addWidget(m_brief, 1, 0);

    bottom->addWidget(new QLabel(QStringLiteral("Кому предназначен документ"), this), 0, 1);
    m_toWhom = new TfrDBMemo(this);
    m_toWhom->setObjectName(QStringLiteral("DBMemo2"));
    bottom->addWidget(m_toWhom, 1, 1);

    auto *add = makeButton("BAddPol", QStringLiteral("+"), this);
    m_add = add;
    add->setFixedWidth(28);
    add->setToolTip(QStringLiteral("Добавить выбранного получателя"));
    bottom->addWidget(add, 1, 2, Qt::AlignVCenter);

    bottom->addWidget(new QLabel(QStringLiteral("Список получателей"), this), 0, 3);
    m_addressees = new QListWidget(this);
    m_addressees->setObjectName(QStringLiteral("LBPol"));
    bottom->addWidget(m_addressees, 1, 3);

    auto *buttons = new QVBoxLayout;
    auto *print = makeButton("BPrint", QStringLiteral("Печать"), this);
    auto *cancel = makeButton("BCancel", QStringLiteral("Отмена"), this);
    auto *save = makeButton("BSaveWork", QStringLiteral("Сохранить"), this);
    buttons->addWidget(print);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    bottom->addLayout(buttons, 1, 4);
    // The grid decides the window's width; the memos and the list share what is left.
    for (QWidget *w : {static_cast<QWidget *>(m_brief), static_cast<QWidget *>(m_toWhom),
                       static_cast<QWidget *>(m_addressees)}) {
        w->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        w->setMinimumSize(120, 72);
    }
    bottom->setColumnStretch(0, 3);
    bottom->setColumnStretch(1, 3);
    bottom->setColumnStretch(3, 2);
    bottom->setRowStretch(1, 1);
    layout->addLayout(bottom, 1);

    connect(add, &QPushButton::clicked, this, [this] { frGuard([&] { BAddPolClick(); }); });
    connect(print, &QPushButton::clicked, this, [this] { frGuard([&] { BPrintClick(); }); });
    connect(save, &QPushButton::clicked, this, [this] { frGuard([&] { BSaveWorkClick(); }); });
    connect(cancel, &QPushButton::clicked, this, [this] { frGuard([&] { BCancelClick(); }); });
}

void TFWork::keyPressEvent(QKeyEvent *event)
{
    // Esc leaves like the close box: a run with edits asks first (reject).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        frGuard([&] { reject(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

QRect TFWork::availableArea() const
{
    const QWidget *owner = parentWidget();
    QScreen *screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 720);
}

void TFWork::placeWindow()
{
    // Every column of the grid in view when the screen has room for it.
    int gridWidth = m_grid->verticalHeader()->sizeHint().width() + m_grid->frameWidth() * 2
                  + m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    for (int i = 0; i < m_model->columnCount(); ++i)
        gridWidth += m_grid->columnWidth(i);
    const QMargins margins = layout()->contentsMargins();
    const QRect area = availableArea();
    // The title bar and the frame come on top of the window's own size.
    const QSize room(area.width() - 16, area.height() - 40);
    setMinimumSize(minimumSizeHint().boundedTo(room));
    QSize size = QSize(gridWidth + margins.left() + margins.right(), 600).expandedTo(QSize(672, 373));
    size = size.boundedTo(room).expandedTo(minimumSize());

    bool maximized = false;
    // A size from a larger display is cut down to this one.
    if (const auto kept = frReadWindowPlacement(kPositionSection);
        kept && kept->geometry.width() > 0 && kept->geometry.height() > 0) {
        size = kept->geometry.size().boundedTo(room).expandedTo(minimumSize());
        maximized = kept->maximized;
    }
    resize(size);
    move(area.center() - QPoint(size.width() / 2, size.height() / 2 + 12));
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TFWork::savePlacement() { frSaveWindowPlacement(*this, kPositionSection); }

void TFWork::done(int result)
{
    savePlacement();
    QDialog::done(result);
}

void TFWork::runCommandFile(const QString &commandLine, const QString &folder)
{
    QProcess process;
    // The command works in the incoming folder, as it always has; the program itself
    // never changes its own working directory.
    if (QFileInfo(folder).isDir())
        process.setWorkingDirectory(folder);
    // The command's output goes where ours goes, so a chatty script never stalls on a pipe.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    process.start(QStringLiteral("cmd.exe"), {QStringLiteral("/c"), commandLine});
#else
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commandLine});
#endif
    // A command that cannot start is not reported; one that started is waited for to the end.
    if (!process.waitForStarted(-1))
        return;
    process.waitForFinished(-1);
}

void TFWork::fillTemp(const TWorkInputs &inputs)
{
    const QList<TJournalFileRecord> records = CollectRunFiles(inputs.folder, inputs.executor, m_clock);
    TfrTableCursor *cursor = table();
    cursor->Close();
    cursor->setTableName(TempTableName);
    AppendRunToTemp(dataModule(), records, m_nextNumJrn, m_runNumber);
    cursor->Open();
    cursor->First();
    m_nextNumJrn += records.size();
}

void TFWork::postPendingEdits()
{
    m_grid->commitOpenEditor();
    m_brief->updateRecord();
    m_toWhom->updateRecord();
    TfrTableCursor *cursor = table();
    if (!cursor->Active() || cursor->state() == TfrTableCursor::dsBrowse)
        return;
    // A row appended by the grid and never typed into is not part of the run.
    if (cursor->state() == TfrTableCursor::dsInsert && !cursor->Modified()) {
        cursor->Cancel();
        return;
    }
    cursor->Post();
}

int TFWork::selectedAddressee() const
{
    const int row = m_addressees->currentRow();
    return row >= 0 && m_addressees->item(row)->isSelected() ? row : -1;
}

void TFWork::updateAddButton()
{
    const TfrTableCursor *cursor = table();
    m_add->setEnabled(selectedAddressee() >= 0 && cursor->Active() && cursor->RowCount() > 0);
}

void TFWork::BAddPolClick()
{
    TfrTableCursor *cursor = table();
    if (!cursor->Active() || cursor->RowCount() == 0)
        return;
    const int selected = selectedAddressee();
    if (selected < 0)
        throw EfrError(noAddresseeText());
    m_grid->commitOpenEditor();
    if (cursor->state() == TfrTableCursor::dsBrowse)
        cursor->Edit();
    QString lines = cursor->FieldValue(QStringLiteral("ToWhom")).toString();
    if (!lines.isEmpty() && !lines.endsWith(QLatin1Char('\n')))
        lines += QLatin1Char('\n');
    lines += m_addressees->item(selected)->text();
    cursor->SetFieldValue(QStringLiteral("ToWhom"), TfrVariant(lines));
    cursor->Post();
}

void TFWork::BPrintClick()
{
    // The printout shows what is on screen, the row being typed into included.
    postPendingEdits();
    dataModule().PrintJournal(Cfg::BackwardOrder(m_ini));
}

void TFWork::BSaveWorkClick()
{
    // What the operator is still typing belongs to the run.
    postPendingEdits();
    // Nothing to save must not use up a run number: the journal would get a hole.
    if (!table()->Active() || table()->RowCount() == 0) {
        frNotice(this, emptyRunText());
        QDialog::reject();
        return;
    }
    const QList<TJournalDuplicate> duplicates = FindJournalDuplicates(dataModule());
    if (!duplicates.isEmpty()
        && frShowMessage({this, QMessageBox::Warning, QStringLiteral("Внимание!"), JournalDuplicatesText(duplicates),
                          QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Cancel})
               != QMessageBox::Save)
        return;
    try {
        dataModule().AddToJournal();
    } catch (...) {
        // The run stays in Temp and on screen, so Save can be tried again.
        frGuard([&] {
            table()->Open();
            table()->First();
        });
        throw;
    }
    Cfg::SetNextNumJrnEdt(m_ini, m_nextNumJrn);
    Cfg::SetWorkDate(m_ini, now().date());
    Cfg::SetNextNumReisEdt(m_ini, m_runNumber + 1);
    accept();
}

void TFWork::BCancelClick()
{
    reject();
}

QList<QStringList> TFWork::runRows() const
{
    QList<QStringList> rows;
    const TfrTableCursor *cursor = table();
    if (!cursor->Active())
        return rows;
    // A row the grid appended and nobody typed into is no work.
    const int untouched = cursor->state() == TfrTableCursor::dsInsert && !cursor->Modified() ? cursor->CurrentRow() : -1;
    for (int row = 0; row < cursor->RowCount(); ++row) {
        if (row == untouched)
            continue;
        QStringList values;
        for (int field = 0; field < cursor->FieldCount(); ++field)
            values << cursor->RowValue(row, field).toString();
        rows << values;
    }
    return rows;
}

bool TFWork::runEdited() const
{
    // A cell editor still open holds typing that has not reached the row yet.
    if (m_grid->cellEditorOpen()) {
        const QModelIndex cell = m_grid->currentIndex();
        if (auto *editor = qobject_cast<QLineEdit *>(m_grid->indexWidget(cell)))
            if (editor->text() != cell.data(Qt::EditRole).toString())
                return true;
    }
    return runRows() != m_initialRows;
}

void TFWork::reject()
{
    // The close box comes here too; a mis-click must not throw the typed work away.
    if (runEdited()
        && !frConfirm(this, QStringLiteral("Подтверждение"), discardQuestionText(), QMessageBox::No))
        return;
    QDialog::reject();
}

void TFWork::FormDestroy()
{
    if (!m_tempCreated)
        return;
    m_tempCreated = false;
    frGuard([] { dataModule().DeleteTempTable(); });
}
