// A list of short text entries with add/edit/delete/up/down buttons and a hidden inline
// editor; the settings dialog holds two of them (executors and addressees).
#pragma once

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QToolButton;

class TListEditor : public QWidget {
    Q_OBJECT
public:
    // Object names of the parts, so each twin keeps the names the forms use.
    struct Names {
        const char *list, *edit, *add, *editEntry, *remove, *ok, *cancel, *up, *down;
    };
    // Entries typed here go to list files and to a 50-character journal field.
    static constexpr int kMaxEntryLength = 50;

    TListEditor(const Names &names, QWidget *parent = nullptr);
    ~TListEditor() override;

    // Entries that must not be blank (executors): OK with a blank text shows this
    // message and keeps the inline editor open. Empty: blank entries are accepted.
    void setBlankRefusal(const QString &message) { m_blankRefusal = message; }

    QListWidget *list() const { return m_list; }
    QLineEdit *editBox() const { return m_edit; }
    bool inlineEditorShown() const;

    QStringList entries() const;
    void setEntries(const QStringList &entries);
    // Index of the selected entry, -1 when none is.
    int selectedIndex() const;
    void selectIndex(int index);

    void AddClick();
    void EditClick();
    void DeleteClick();
    void OkClick();
    void CancelClick();
    void UpClick();
    void DownClick();
    void EditKeyUp(int key, Qt::KeyboardModifiers shift);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *addButton(const char *name, const QString &tip, int icon, void (TListEditor::*handler)());
    void showInlineEditor();
    void hideInlineEditor();
    // Edit, Delete, Up and Down are on only when they have an entry to work on.
    void updateButtons();

    QListWidget *m_list = nullptr;
    QLineEdit *m_edit = nullptr;
    QWidget *m_inline = nullptr;
    QToolButton *m_editButton = nullptr;
    QToolButton *m_deleteButton = nullptr;
    QToolButton *m_upButton = nullptr;
    QToolButton *m_downButton = nullptr;
    QString m_blankRefusal;
};

// What Edit and Down say when no entry is selected.
QString frNoListEntryText();
