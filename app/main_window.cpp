#include "app/main_window.h"

#include "app/about_box.h"
#include "app/application.h"
#include "app/journal_run.h"
#include "app/journal_view.h"
#include "app/main_dm.h"
#include "app/message_box.h"
#include "app/processing_window.h"
#include "app/settings.h"
#include "app/settings_dialog.h"
#include "report/eval/errors.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QUrl>

#include <algorithm>

TFMain *FMain = nullptr;

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int LoadedRole = Qt::UserRole + 1;

QString cleanFolder(const QString &dir)
{
    return QDir::cleanPath(QDir(dir).absolutePath());
}

QString childPath(const QString &parent, const QString &name)
{
    return parent.endsWith(QLatin1Char('/')) ? parent + name : parent + QLatin1Char('/') + name;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TfrDirectoryTree

TfrDirectoryTree::TfrDirectoryTree(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setIndentation(12);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) { loadChildren(item); });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        if (current)
            emit directoryChanged(current->data(0, PathRole).toString());
    });
    // A program that makes a hundred folders is one update, not a hundred.
    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(150);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString &dir) {
        m_changed.insert(dir);
        m_syncTimer.start();
    });
    connect(&m_syncTimer, &QTimer::timeout, this, &TfrDirectoryTree::syncWatched);
}

void TfrDirectoryTree::setDrive(const QString &root)
{
    {
        const QSignalBlocker quiet(this);
        clear();
    }
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_changed.clear();
    m_root = cleanFolder(root);
    auto *top = new QTreeWidgetItem(QStringList(m_root));
    top->setData(0, PathRole, m_root);
    top->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    top->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    addTopLevelItem(top);
}

void TfrDirectoryTree::loadChildren(QTreeWidgetItem *item)
{
    if (item->data(0, LoadedRole).toBool())
        return;
    item->setData(0, LoadedRole, true);
    const QString path = item->data(0, PathRole).toString();
    const QStringList names =
        QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
    for (const QString &name : names) {
        auto *child = new QTreeWidgetItem(item, QStringList(name));
        child->setData(0, PathRole, childPath(path, name));
        child->setIcon(0, icon);
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (names.isEmpty())
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    if (QFileInfo(path).isDir())
        m_watcher.addPath(path);
}

QTreeWidgetItem *TfrDirectoryTree::loadedItem(const QString &dir) const
{
    if (topLevelItemCount() == 0)
        return nullptr;
    QTreeWidgetItem *item = topLevelItem(0);
    const QString relative = QDir(m_root).relativeFilePath(dir);
    if (relative.startsWith(QStringLiteral("..")) || QFileInfo(relative).isAbsolute())
        return nullptr;
    if (relative == QStringLiteral("."))
        return item;
    for (const QString &part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (item->child(i)->text(0) == part)
                next = item->child(i);
        if (!next)
            return nullptr;
        item = next;
    }
    return item;
}

void TfrDirectoryTree::unwatchBelow(const QString &dir)
{
    const QString prefix = dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
    QStringList gone;
    for (const QString &watched : m_watcher.directories())
        if (watched == dir || watched.startsWith(prefix))
            gone << watched;
    if (!gone.isEmpty())
        m_watcher.removePaths(gone);
}

void TfrDirectoryTree::syncChildren(QTreeWidgetItem *item)
{
    if (!item->data(0, LoadedRole).toBool())
        return;
    const QString path = item->data(0, PathRole).toString();
    const QStringList names =
        QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    const QString current = directory();
    // The current folder and the folders above it stay while they exist, hidden or not.
    QSet<QTreeWidgetItem *> onCurrentPath;
    for (QTreeWidgetItem *up = currentItem(); up; up = up->parent())
        onCurrentPath.insert(up);
    bool currentGone = false;
    QStringList present;
    for (int i = item->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem *child = item->child(i);
        const QString childFolder = child->data(0, PathRole).toString();
        const bool exists = QFileInfo(childFolder).isDir();
        if (exists && (names.contains(child->text(0)) || onCurrentPath.contains(child))) {
            present << child->text(0);
            continue;
        }
        if (onCurrentPath.contains(child))
            currentGone = true;
        unwatchBelow(childFolder);
        const QSignalBlocker quiet(this);
        delete item->takeChild(i);
    }
    const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
    for (const QString &name : names) {
        if (present.contains(name))
            continue;
        auto *child = new QTreeWidgetItem(QStringList(name));
        child->setData(0, PathRole, childPath(path, name));
        child->setIcon(0, icon);
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        // In the order the folder lists them.
        int at = 0;
        while (at < item->childCount() && item->child(at)->text(0).compare(name, Qt::CaseInsensitive) < 0)
            ++at;
        item->insertChild(at, child);
    }
    item->setChildIndicatorPolicy(item->childCount() > 0 ? QTreeWidgetItem::ShowIndicator
                                                         : QTreeWidgetItem::DontShowIndicator);
    if (!currentGone)
        return;
    // The current folder went away: this folder takes over.
    emit folderGone(current, path);
    m_movingByItself = true;
    if (currentItem() == item)
        emit directoryChanged(path);
    else
        setCurrentItem(item);
    m_movingByItself = false;
}

void TfrDirectoryTree::syncWatched()
{
    m_syncTimer.stop();
    QStringList changed(m_changed.begin(), m_changed.end());
    m_changed.clear();
    // Parents first, so a folder removed together with its parent is not read twice.
    std::sort(changed.begin(), changed.end(), [](const QString &a, const QString &b) { return a.size() < b.size(); });
    for (const QString &dir : changed) {
        QTreeWidgetItem *item = loadedItem(dir);
        if (!item)
            continue;
        if (!QFileInfo(dir).isDir()) {
            // The parent's own change notice removes it; keep the watch list clean meanwhile.
            unwatchBelow(dir);
            if (QTreeWidgetItem *parentItem = item->parent())
                syncChildren(parentItem);
            continue;
        }
        syncChildren(item);
    }
}

QTreeWidgetItem *TfrDirectoryTree::itemFor(const QString &dir)
{
    if (topLevelItemCount() == 0)
        return nullptr;
    QTreeWidgetItem *item = topLevelItem(0);
    const QString relative = QDir(m_root).relativeFilePath(dir);
    if (relative.startsWith(QStringLiteral("..")) || QFileInfo(relative).isAbsolute())
        return nullptr;
    if (relative == QStringLiteral("."))
        return item;
    for (const QString &part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        loadChildren(item);
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (item->child(i)->text(0) == part)
                next = item->child(i);
        if (!next) {
            // A hidden folder the tree does not list may still be the one to show.
            next = new QTreeWidgetItem(item, QStringList(part));
            next->setData(0, PathRole, childPath(item->data(0, PathRole).toString(), part));
            next->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        }
        item = next;
    }
    return item;
}

void TfrDirectoryTree::setDirectory(const QString &dir)
{
    QTreeWidgetItem *item = itemFor(cleanFolder(dir));
    if (!item)
        return;
    for (QTreeWidgetItem *up = item->parent(); up; up = up->parent())
        up->setExpanded(true);
    loadChildren(item);
    item->setExpanded(true);
    setCurrentItem(item);
    scrollToItem(item);
}

QString TfrDirectoryTree::directory() const
{
    return currentItem() ? currentItem()->data(0, PathRole).toString() : m_root;
}

void TfrDirectoryTree::rebuild()
{
    const QString before = directory();
    QString dir = before;
    while (!QFileInfo(dir).isDir() && dir != m_root && !dir.isEmpty())
        dir = QFileInfo(dir).path();
    if (dir != before)
        emit folderGone(before, dir);
    m_movingByItself = dir != before;
    setDrive(m_root);
    setDirectory(dir);
    m_movingByItself = false;
}

// ---------------------------------------------------------------------------------------
// TFMain

QString TFMain::deleteErrorText()
{
    return QStringLiteral("Ошибка удаления файлов");
}

QString TFMain::deleteAbortedText()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Процедура удаления была отменена.\nУдаленные файлы были помещены в Корзину Windows.");
#else
    // The desktop's trash, whatever the desktop calls it.
    return QStringLiteral("Процедура удаления была отменена.\nУдаленные файлы были помещены в Корзину.");
#endif
}

TFMain::TFMain(QWidget *parent) : QMainWindow(parent), m_ini(frConfigPath())
{
    setObjectName(QStringLiteral("FMain"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildLayout();
    setWindowTitle(QStringLiteral("Журнал"));

    m_applyingSettings = true;
    const QString stored = Cfg::CurrentDir(m_ini);
    setCurrentFolder(stored);
    setExecutor(Cfg::Ispoln(m_ini));
    m_applyingSettings = false;
    // On a first start nothing was stored: the default folder opens without a word (a run
    // still waits until the operator picks a folder).
    if (Cfg::HasCurrentDir(m_ini) && (cleanFolder(stored) != currentFolder() || !QFileInfo(stored).isDir())) {
        // Said once the window is on the screen.
        m_programFolderNote = QStringLiteral("Папка «%1», указанная в настройках, не найдена.\n"
                                             "Открыта папка «%2». Выберите папку с принятыми файлами.")
                                  .arg(QDir::toNativeSeparators(stored), QDir::toNativeSeparators(currentFolder()));
        m_noteShown = false;
    }

    if (!MainDM)
        throw EfrError(QStringLiteral("Модуль данных не создан"));
    MainDM->CloseConnection();
    MainDM->setConnectionString(Cfg::ConnectString(m_ini));
    MainDM->OpenConnection();

    loadExecutors();
    m_start->setFocus();
    if (!FMain)
        FMain = this;
}

TFMain::~TFMain()
{
    // An executor typed a moment ago is kept however the window goes.
    if (m_executorTimer.isActive())
        frGuard([&] { saveExecutor(); });
    // The file list reports its own teardown after the actions are gone.
    m_files->disconnect(this);
    if (FMain == this)
        FMain = nullptr;
}

QAction *TFMain::addAction(const char *name, const QString &caption, void (TFMain::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, handler] { frGuard([&] { (this->*handler)(); }); });
    return action;
}

void TFMain::buildLayout()
{
    m_startWork = addAction("ALFileStartWork", QStringLiteral("Начать обработку"), &TFMain::ALFileStartWorkExecute);
    m_journal = addAction("ALFileShowJournal", QStringLiteral("Журнал"), &TFMain::ALFileShowJournalExecute);
    m_exit = addAction("ALFileExit", QStringLiteral("Вы&ход"), &TFMain::ALFileExitExecute);
    m_settings = addAction("ALOptionsSettings", QStringLiteral("Н&астройки"), &TFMain::ALOptionsSettingsExecute);
    m_about = addAction("ALHelpAbout", QStringLiteral("&О программе"), &TFMain::ALHelpAboutExecute);
    m_open = addAction("PUMOpenFile", QStringLiteral("Открыть"), &TFMain::PUMOpenFileExecute);
    m_delete = addAction("PUMDeleteFiles", QStringLiteral("Удалить файл(ы)"), &TFMain::PUMDeleteFilesExecute);
    m_group = new QAction(QStringLiteral("Группа"), this);
    m_group->setObjectName(QStringLiteral("PUMEnableMultiOp"));
    m_group->setCheckable(true);
    connect(m_group, &QAction::triggered, this, [this] {
        // The handler owns the check mark; undo the toggle the action made by itself.
        m_group->setChecked(!m_group->isChecked());
        frGuard([&] { PUMEnableMultiOpExecute(); });
    });

    QMenu *file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("MFile"));
    file->addAction(m_startWork);
    file->addAction(m_journal);
    file->addSeparator();
    file->addAction(m_exit);
    QMenu *options = menuBar()->addMenu(QStringLiteral("Н&астройки"));
    options->setObjectName(QStringLiteral("MOptions"));
    options->addAction(m_settings);
    QMenu *help = menuBar()->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("MHelp"));
    help->addAction(m_about);

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(4);

    m_drives = new QComboBox(central);
    m_drives->setObjectName(QStringLiteral("DriveComboBox1"));
    grid->addWidget(m_drives, 0, 0);
    m_tree = new TfrDirectoryTree(central);
    m_tree->setObjectName(QStringLiteral("DirectoryListBox1"));
    grid->addWidget(m_tree, 1, 0);

    m_files = new QListWidget(central);
    m_files->setObjectName(QStringLiteral("FileListBox1"));
    m_files->setSelectionMode(QAbstractItemView::SingleSelection);
    m_files->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_files->addAction(m_open);
    m_files->addAction(m_delete);
    m_files->addAction(m_group);
    grid->addWidget(m_files, 0, 1, 2, 1);

    auto *label = new QLabel(QStringLiteral("Текущий исполнитель"), central);
    grid->addWidget(label, 2, 0, 1, 2);
    m_executor = new QComboBox(central);
    m_executor->setObjectName(QStringLiteral("CmbBIsp"));
    m_executor->setEditable(true);
    m_executor->setInsertPolicy(QComboBox::NoInsert);
    label->setBuddy(m_executor);
    grid->addWidget(m_executor, 3, 0, 1, 2);

    auto *buttons = new QHBoxLayout;
    m_start = new QPushButton(m_startWork->text(), central);
    m_start->setObjectName(QStringLiteral("BStartWork"));
    connect(m_start, &QPushButton::clicked, m_startWork, &QAction::trigger);
    auto *exitButton = new QPushButton(QStringLiteral("Выход"), central);
    exitButton->setObjectName(QStringLiteral("Button1"));
    connect(exitButton, &QPushButton::clicked, m_exit, &QAction::trigger);
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(exitButton);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    setCentralWidget(central);

    connect(m_tree, &TfrDirectoryTree::directoryChanged, this, [this](const QString &dir) {
        frGuard([&] { folderChanged(dir); });
    });
    connect(m_tree, &TfrDirectoryTree::folderGone, this,
            [this](const QString &gone, const QString &replacement) { folderTookOver(gone, replacement); });
    // Picking the folder the program chose is choosing it.
    connect(m_tree, &QTreeWidget::itemClicked, this, [this] {
        if (!m_tree->movingByItself() && folderChosenByProgram()) {
            m_programFolderNote.clear();
            Cfg::SetCurrentDir(m_ini, currentFolder());
        }
    });
    // The executor is kept as it is typed: a logout must not lose it. A short pause first,
    // so typing a name is one write, not one per key.
    m_executorTimer.setSingleShot(true);
    m_executorTimer.setInterval(400);
    connect(m_executor, &QComboBox::editTextChanged, this, [this] {
        if (!m_applyingSettings)
            m_executorTimer.start();
    });
    connect(&m_executorTimer, &QTimer::timeout, this, [this] { saveExecutor(); });
    connect(m_drives, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_fillingDrives)
            frGuard([&] { DriveChange(index); });
    });
    connect(m_files, &QListWidget::itemDoubleClicked, this, [this] { frGuard([&] { PUMOpenFileExecute(); }); });
    connect(m_files, &QListWidget::itemSelectionChanged, this, &TFMain::updateFileActions);
    connect(m_files, &QListWidget::currentItemChanged, this, &TFMain::updateFileActions);
    m_filesTimer.setSingleShot(true);
    m_filesTimer.setInterval(150);
    connect(&m_folderWatcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_filesTimer.start(); });
    connect(&m_filesTimer, &QTimer::timeout, this, [this] { frGuard([&] { refreshFiles(); }); });

    fillDrives();
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(QSize(353, 264 + menuBar()->sizeHint().height()).expandedTo(sizeHint()).expandedTo(QSize(520, 380)));
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFMain::fillDrives()
{
    m_fillingDrives = true;
    m_drives->clear();
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || !QFileInfo(volume.rootPath()).isDir())
            continue;
        if (!roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    roots.sort();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString &root : roots)
        m_drives->addItem(icon, root, root);
    m_fillingDrives = false;
}

void TFMain::selectDriveOf(const QString &dir)
{
    QString root = QStorageInfo(dir).rootPath();
    if (root.isEmpty())
        root = QDir::rootPath();
    int index = m_drives->findData(root);
    m_fillingDrives = true;
    if (index < 0) {
        m_drives->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), root, root);
        index = m_drives->count() - 1;
    }
    m_drives->setCurrentIndex(index);
    m_fillingDrives = false;
    if (m_tree->drive() != cleanFolder(root))
        m_tree->setDrive(root);
}

void TFMain::DriveChange(int index)
{
    const QString root = m_drives->itemData(index).toString();
    if (root.isEmpty() || cleanFolder(root) == m_tree->drive())
        return;
    m_tree->setDrive(root);
    m_tree->setDirectory(root);
}

void TFMain::folderChanged(const QString &dir)
{
    // The operator's choice is kept at once (a logout must not lose it); a folder the
    // program fell back to is not.
    if (!m_applyingSettings && !m_tree->movingByItself()) {
        m_programFolderNote.clear();
        Cfg::SetCurrentDir(m_ini, dir);
    }
    // The process's working directory stays where it was: nothing may land in the
    // incoming folder by being written to "here".
    if (!m_folderWatcher.directories().isEmpty())
        m_folderWatcher.removePaths(m_folderWatcher.directories());
    if (QFileInfo(dir).isDir())
        m_folderWatcher.addPath(dir);
    refreshFiles();
}

QString TFMain::currentFolder() const
{
    return m_tree->directory();
}

void TFMain::setCurrentFolder(const QString &dir)
{
    // A folder that is gone (or the classic "c:\" on a system without drives) gives home.
    QString target = dir;
    if (target.isEmpty() || !QFileInfo(target).isDir())
        target = QDir::homePath();
    target = cleanFolder(target);
    {
        const QSignalBlocker quiet(m_tree);
        selectDriveOf(target);
        m_tree->setDirectory(target);
    }
    folderChanged(m_tree->directory());
}

QString TFMain::executor() const
{
    return m_executor->currentText();
}

void TFMain::setExecutor(const QString &text)
{
    m_executor->setEditText(text);
}

bool TFMain::groupMode() const
{
    return m_group->isChecked();
}

void TFMain::loadExecutors()
{
    QStringList names;
    if (!QFileInfo::exists(frUsersListPath()) || !LoadListFile(frUsersListPath(), names))
        return;
    // Filling the list must not replace what the operator typed.
    const QString typed = executor();
    const QSignalBlocker quiet(m_executor);
    m_executor->clear();
    m_executor->addItems(names);
    m_executor->setCurrentIndex(-1);
    m_executor->setEditText(typed);
}

void TFMain::refreshFiles()
{
    m_filesTimer.stop();
    const QStringList names = JournalFolderFiles(currentFolder());
    QStringList shown;
    QSet<QString> selected;
    for (int i = 0; i < m_files->count(); ++i) {
        shown << m_files->item(i)->text();
        if (m_files->item(i)->isSelected())
            selected.insert(m_files->item(i)->text());
    }
    if (names == shown) {
        updateFileActions();
        return;
    }
    // A file appearing beside the ones the operator picked must not undo the picking.
    const QString current = m_files->currentItem() ? m_files->currentItem()->text() : QString();
    {
        const QSignalBlocker quiet(m_files);
        m_files->clear();
        m_files->addItems(names);
        for (int i = 0; i < m_files->count(); ++i) {
            QListWidgetItem *item = m_files->item(i);
            if (item->text() == current)
                m_files->setCurrentItem(item, QItemSelectionModel::NoUpdate);
            if (selected.contains(item->text()))
                item->setSelected(true);
        }
    }
    updateFileActions();
}

void TFMain::updateFileActions()
{
    m_open->setEnabled(m_files->currentItem() != nullptr);
    m_delete->setEnabled(!m_files->selectedItems().isEmpty());
}

void TFMain::folderTookOver(const QString &gone, const QString &replacement)
{
    m_programFolderNote = QStringLiteral("Папка «%1» больше не существует.\nВыбрана папка «%2». "
                                         "Выберите папку с принятыми файлами.")
                              .arg(QDir::toNativeSeparators(gone), QDir::toNativeSeparators(replacement));
    // Over a run or a dialog it waits for the start button.
    m_noteShown = QApplication::activeModalWidget() == nullptr && isVisible();
    if (m_noteShown)
        QTimer::singleShot(0, this, [this, note = m_programFolderNote] { frWarning(this, note); });
}

void TFMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_noteShown || m_programFolderNote.isEmpty())
        return;
    m_noteShown = true;
    QTimer::singleShot(0, this, [this, note = m_programFolderNote] { frWarning(this, note); });
}

void TFMain::saveExecutor()
{
    m_executorTimer.stop();
    Cfg::SetIspoln(m_ini, executor());
}

void TFMain::ALFileStartWorkExecute()
{
    const QString folder = currentFolder();
    // Never a run on a folder the operator did not choose.
    if (!QFileInfo(folder).isDir()) {
        frWarning(this, QStringLiteral("Папка «%1» не найдена: она удалена или переименована.\n"
                                       "Выберите папку с принятыми файлами и начните обработку снова.")
                            .arg(QDir::toNativeSeparators(folder)));
        return;
    }
    if (folderChosenByProgram()) {
        m_noteShown = true;
        frWarning(this, m_programFolderNote + QStringLiteral("\nОбработка не начата."));
        return;
    }
    TFWork work({executor(), folder, {}}, this);
    frExecDialog(work);
}

void TFMain::ALFileExitExecute()
{
    // A folder the program fell back to does not replace the operator's in the settings.
    if (!folderChosenByProgram())
        Cfg::SetCurrentDir(m_ini, currentFolder());
    saveExecutor();
    // The main window is the last one: closing it ends the event loop.
    close();
}

void TFMain::ALOptionsSettingsExecute()
{
    {
        TFNastr settings(this);
        frExecDialog(settings);
    }
    loadExecutors();
}

void TFMain::ALHelpAboutExecute()
{
    TAboutBox about(this);
    frExecDialog(about);
}

void TFMain::ALFileShowJournalExecute()
{
    if (!MainDM)
        throw EfrError(QStringLiteral("Модуль данных не создан"));
    TJournalView view(MainDM->Database(), this);
    frExecDialog(view);
}

void TFMain::PUMOpenFileExecute()
{
    QListWidgetItem *item = m_files->currentItem();
    if (!item)
        throw EfrError(QStringLiteral("Не выбран файл.\nВыберите файл в списке и откройте его снова."));
    frOpenUrl(QUrl::fromLocalFile(childPath(currentFolder(), item->text())));
}

void TFMain::PUMDeleteFilesExecute()
{
    QStringList paths;
    for (int i = 0; i < m_files->count(); ++i) {
        QListWidgetItem *item = m_files->item(i);
        const QString path = childPath(currentFolder(), item->text());
        // Another program may have removed a file since the list was read.
        if (item->isSelected() && QFileInfo::exists(path))
            paths << path;
    }
    if (paths.isEmpty()) {
        refreshFiles();
        return;
    }
    const bool one = paths.size() == 1;
    const QString caption = one ? QStringLiteral("Удаление файла") : QStringLiteral("Удаление группы файлов");
    const QString question = one ? QStringLiteral("Вы действительно хотите отправить \"%1\" в корзину?")
                                       .arg(QFileInfo(paths.first()).fileName())
                                 : QStringLiteral("Вы действительно хотите отправить эти объекты (%1) в корзину?")
                                       .arg(paths.size());
    if (!frConfirm(this, caption, question)) {
        frNotice(this, deleteAbortedText());
        refreshFiles();
        return;
    }
    QStringList failures;
    for (const QString &path : paths) {
        QString reason;
        if (!frMoveToTrash(path, &reason))
            failures << QStringLiteral("«%1»: %2").arg(QFileInfo(path).fileName(),
                                                       reason.isEmpty() ? QStringLiteral("причина неизвестна") : reason);
    }
    if (!failures.isEmpty())
        frWarning(this, deleteErrorText() + QStringLiteral(":\n") + failures.join(u'\n'));
    refreshFiles();
}

void TFMain::PUMEnableMultiOpExecute()
{
    if (m_group->isChecked()) {
        m_group->setChecked(false);
        QListWidgetItem *current = m_files->currentItem();
        m_files->setSelectionMode(QAbstractItemView::SingleSelection);
        m_files->clearSelection();
        if (current)
            current->setSelected(true);
        return;
    }
    m_group->setChecked(true);
    m_files->setSelectionMode(QAbstractItemView::MultiSelection);
}

void TFMain::FormKeyUp(int key, Qt::KeyboardModifiers)
{
    if (key != Qt::Key_F5)
        return;
    refreshFiles();
    m_tree->rebuild();
}

void TFMain::keyReleaseEvent(QKeyEvent *event)
{
    // Key releases the controls leave alone reach the window, so F5 works everywhere.
    frGuard([&] { FormKeyUp(event->key(), event->modifiers()); });
    QMainWindow::keyReleaseEvent(event);
}
