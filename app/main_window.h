// The main window: the folder of received files and its file list, the current executor,
// and the entries to processing, settings, the journal and the about box.
#pragma once

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

#include "report/eval/ini_file.h"

class QAction;
class QComboBox;
class QListWidget;
class QPushButton;

// A folder tree of one volume, filled as folders are opened; the current item is the
// current folder. Hidden folders (names starting with ".") are not shown. The folders it
// has read are watched: folders made or removed by other programs appear and go by
// themselves, and when the current folder goes its nearest remaining parent takes over.
class TfrDirectoryTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TfrDirectoryTree(QWidget *parent = nullptr);

    // Shows the tree of the volume whose top folder is root.
    void setDrive(const QString &root);
    const QString &drive() const { return m_root; }
    // Opens the tree down to dir (inside the drive) and makes it current.
    void setDirectory(const QString &dir);
    QString directory() const;
    // Reads the tree again from the disk, keeping the current folder when it still exists.
    void rebuild();

    // Brings the read folders in line with the disk now (the watcher does it shortly
    // after a change by itself).
    void syncWatched();
    // True while the tree moves away from a folder that went, not at the operator's word.
    bool movingByItself() const { return m_movingByItself; }

signals:
    void directoryChanged(const QString &dir);
    // The current folder has gone; the tree is about to make `replacement` current.
    void folderGone(const QString &gone, const QString &replacement);

private:
    QTreeWidgetItem *itemFor(const QString &dir);
    // The item of a folder the tree has read, without reading anything; null if none.
    QTreeWidgetItem *loadedItem(const QString &dir) const;
    void loadChildren(QTreeWidgetItem *item);
    void syncChildren(QTreeWidgetItem *item);
    void unwatchBelow(const QString &dir);

    QString m_root;
    QFileSystemWatcher m_watcher;
    QSet<QString> m_changed;
    QTimer m_syncTimer;
    bool m_movingByItself = false;
};

class TFMain : public QMainWindow {
    Q_OBJECT
public:
    // Reads config.ini, opens the journal database (its errors travel out) and fills the
    // executor list.
    explicit TFMain(QWidget *parent = nullptr);
    ~TFMain() override;

    // For the windows the main window opens.
    QString currentFolder() const;
    QString executor() const;
    void setCurrentFolder(const QString &dir);
    void setExecutor(const QString &text);
    bool groupMode() const;

    QListWidget *fileList() const { return m_files; }
    QComboBox *executorBox() const { return m_executor; }
    TfrDirectoryTree *folderTree() const { return m_tree; }

    void ALFileStartWorkExecute();
    void ALFileExitExecute();
    void ALOptionsSettingsExecute();
    void ALHelpAboutExecute();
    void ALFileShowJournalExecute();
    void PUMOpenFileExecute();
    void PUMDeleteFilesExecute();
    void PUMEnableMultiOpExecute();
    void FormKeyUp(int key, Qt::KeyboardModifiers shift);

    // Re-reads the file list of the current folder, keeping the selected names selected.
    void refreshFiles();

    static QString deleteErrorText();
    static QString deleteAbortedText();
    // The folder the program chose in place of the operator's (gone, or missing from the
    // settings); a run is refused until the operator picks a folder.
    bool folderChosenByProgram() const { return !m_programFolderNote.isEmpty(); }

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QAction *addAction(const char *name, const QString &caption, void (TFMain::*handler)());
    void buildLayout();
    void fillDrives();
    void selectDriveOf(const QString &dir);
    void folderChanged(const QString &dir);
    void DriveChange(int index);
    void loadExecutors();
    void updateFileActions();
    void folderTookOver(const QString &gone, const QString &replacement);
    void saveExecutor();

    TIniFile m_ini;
    TfrDirectoryTree *m_tree = nullptr;
    QComboBox *m_drives = nullptr;
    QListWidget *m_files = nullptr;
    QComboBox *m_executor = nullptr;
    QPushButton *m_start = nullptr;
    QAction *m_startWork = nullptr;
    QAction *m_exit = nullptr;
    QAction *m_settings = nullptr;
    QAction *m_about = nullptr;
    QAction *m_journal = nullptr;
    QAction *m_open = nullptr;
    QAction *m_delete = nullptr;
    QAction *m_group = nullptr;
    bool m_fillingDrives = false;
    // The current folder, so the file list follows what other programs do in it.
    QFileSystemWatcher m_folderWatcher;
    QTimer m_filesTimer;
    // What the operator is told when the program picked the folder; empty once they pick.
    QString m_programFolderNote;
    bool m_noteShown = true;
    bool m_applyingSettings = false;
    QTimer m_executorTimer;
};

extern TFMain *FMain;
