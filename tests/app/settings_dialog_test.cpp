#include "app/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QValidator>
#include <gtest/gtest.h>

#include "app/connection_dialog.h"
#include "report/eval/errors.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TIniFile ini = home.ini();
        Cfg::SetNextNumJrnEdt(ini, 120);
        Cfg::SetNextNumReisEdt(ini, 3);
        Cfg::SetBackwardOrder(ini, true);
        Cfg::SetPathBatFile(ini, QStringLiteral("/opt/fetch-mail.sh"));
        SaveListFile(frUsersListPath(), {QStringLiteral("Иванов"), QStringLiteral(" Петров ")});
        SaveListFile(frReceptListPath(), {QStringLiteral("Бухгалтерия")});
    }
    template <class T>
    T *child(TFNastr &dialog, const char *name)
    {
        T *w = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    void clickSave(TFNastr &dialog) { child<QPushButton>(dialog, "BSave")->click(); }

    TTestHome home;
    THooks hooks;
};

TEST_F(SettingsDialogTest, OpenAndSaveWithoutChangesKeepsEverything)
{
    const QByteArray users = readFile(frUsersListPath());
    const QByteArray recept = readFile(frReceptListPath());
    TFNastr dialog;
    EXPECT_EQ(dialog.windowTitle(), "Настройки");
    EXPECT_EQ(child<QLineEdit>(dialog, "EdtNextNumJrn")->text(), "120");
    EXPECT_EQ(child<QLineEdit>(dialog, "EdtNextNumReis")->text(), "3");
    EXPECT_EQ(child<QLineEdit>(dialog, "EConnectString")->text(), "Provider=SQLite;Data Source=journal.db");
    EXPECT_TRUE(child<QCheckBox>(dialog, "ChBBackOrder")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(dialog, "ChBRunBatFile")->isChecked());
    EXPECT_EQ(child<QLineEdit>(dialog, "EPathBatFile")->text(), "/opt/fetch-mail.sh");
    EXPECT_EQ(dialog.executors()->entries(), QStringList({"Иванов", " Петров "}));
    EXPECT_EQ(dialog.pages()->currentIndex(), 0);
    const QStringList tabs = {"Журнал", "Обработка", "Пользователи", "Получатели"};
    for (int i = 0; i < tabs.size(); ++i)
        EXPECT_EQ(dialog.pages()->tabText(i), tabs[i]);

    clickSave(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    TIniFile ini = home.ini();
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 120);
    EXPECT_EQ(Cfg::NextNumReisEdt(ini), 3);
    EXPECT_TRUE(Cfg::BackwardOrder(ini));
    EXPECT_EQ(readFile(frUsersListPath()), users);
    EXPECT_EQ(readFile(frReceptListPath()), recept);
    EXPECT_TRUE(hooks.messages.empty());
}

TEST_F(SettingsDialogTest, ChangesAreWrittenOnSaveOnly)
{
    {
        TFNastr dialog;
        child<QLineEdit>(dialog, "EdtNextNumJrn")->setText(QStringLiteral("500000000"));
        child<QCheckBox>(dialog, "ChBRunBatFile")->setChecked(true);
        dialog.pages()->setCurrentIndex(3);
        dialog.AddPolClick();
        dialog.addressees()->editBox()->setText(QStringLiteral("Канцелярия"));
        dialog.OKAddPolClick();
        dialog.BCancelClick();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    TIniFile ini = home.ini();
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 120);
    EXPECT_FALSE(Cfg::RunBatFile(ini));
    {
        TFNastr dialog;
        child<QLineEdit>(dialog, "EdtNextNumJrn")->setText(QStringLiteral("500000000"));
        child<QCheckBox>(dialog, "ChBRunBatFile")->setChecked(true);
        dialog.pages()->setCurrentIndex(3);
        dialog.AddPolClick();
        dialog.addressees()->editBox()->setText(QStringLiteral("Канцелярия"));
        dialog.OKAddPolClick();
        clickSave(dialog);
    }
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), Q_INT64_C(500000000));
    EXPECT_TRUE(Cfg::RunBatFile(ini));
    EXPECT_EQ(Cfg::ActPageInd(ini), 3);
    QStringList recept;
    LoadListFile(frReceptListPath(), recept);
    EXPECT_EQ(recept, QStringList({"Бухгалтерия", "Канцелярия"}));

    // Saved on the addressee tab, the dialog opens there again.
    TFNastr again;
    EXPECT_EQ(again.pages()->currentIndex(), 3);
    // An index the tabs do not have opens the first tab.
    Cfg::SetActPageInd(ini, 9);
    TFNastr first;
    EXPECT_EQ(first.pages()->currentIndex(), 0);
}

TEST_F(SettingsDialogTest, EmptiedListIsNotWritten)
{
    const QByteArray users = readFile(frUsersListPath());
    TFNastr dialog;
    TListEditor *isp = dialog.executors();
    while (isp->list()->count() > 0) {
        isp->selectIndex(0);
        dialog.DelIspClick();
    }
    clickSave(dialog);
    EXPECT_EQ(readFile(frUsersListPath()), users);
}

TEST_F(SettingsDialogTest, NumberThatCannotBeSavedWritesNothingAndKeepsTheDialogOpen)
{
    TFNastr dialog;
    dialog.show();
    dialog.pages()->setCurrentIndex(2);
    child<QLineEdit>(dialog, "EConnectString")->setText(QStringLiteral("Provider=SQLite;Data Source=other.db"));
    child<QLineEdit>(dialog, "EdtNextNumJrn")->setText(QString()); // typed out: nothing left
    child<QLineEdit>(dialog, "EdtNextNumReis")->setText(QStringLiteral("9"));
    child<QCheckBox>(dialog, "ChBBackOrder")->setChecked(false);
    const QByteArray config = readFile(frConfigPath());

    auto *save = child<QPushButton>(dialog, "BSave");
    EXPECT_FALSE(save->isEnabled()) << "Save is off while a number is missing";
    try {
        dialog.BSaveClick();
        ADD_FAILURE() << "saved without a journal number";
    } catch (const EfrError &e) {
        EXPECT_EQ(e.message(), "Поле «Следующий номер по журналу» заполнено неверно.\n"
                               "Введите целое число от 1 до 999\u00A0999\u00A0999 и сохраните снова.");
    }
    EXPECT_EQ(readFile(frConfigPath()), config) << "nothing is written, not even the keys before it";
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.pages()->currentIndex(), 0) << "the field is shown";

    child<QLineEdit>(dialog, "EdtNextNumJrn")->setText(QStringLiteral("121"));
    EXPECT_TRUE(save->isEnabled());
    save->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    TIniFile ini = home.ini();
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 121);
    EXPECT_EQ(Cfg::NextNumReisEdt(ini), 9);
    EXPECT_TRUE(hooks.messages.empty());
}

TEST_F(SettingsDialogTest, NumberFieldsTakeDigitsOnlyWithinARange)
{
    TFNastr dialog;
    QLineEdit *journal = child<QLineEdit>(dialog, "EdtNextNumJrn");
    QLineEdit *run = child<QLineEdit>(dialog, "EdtNextNumReis");
    struct Case {
        QLineEdit *edit;
        const char *text;
        QValidator::State state;
    };
    const Case cases[] = {
        {journal, "двенадцать", QValidator::Invalid}, {journal, "12", QValidator::Acceptable},
        {journal, "-3", QValidator::Invalid},         {journal, "99999999999", QValidator::Invalid},
        {journal, "999999999", QValidator::Acceptable}, {journal, "1000000000", QValidator::Invalid},
        {journal, "0", QValidator::Intermediate},     {journal, "", QValidator::Intermediate},
        {journal, "1e3", QValidator::Invalid},        {journal, " 7", QValidator::Invalid},
        {run, "99999", QValidator::Acceptable},       {run, "100000", QValidator::Invalid},
        {run, "+3", QValidator::Invalid},
    };
    for (const Case &c : cases) {
        QString text = QString::fromUtf8(c.text);
        int pos = 0;
        ASSERT_TRUE(c.edit->validator());
        EXPECT_EQ(c.edit->validator()->validate(text, pos), c.state) << c.edit->objectName().toStdString() << " \"" << c.text << '"';
    }

    // Letters typed into the field do not get in, and a hint under it says why.
    auto *hint = child<QLabel>(dialog, "LNumbersHint");
    EXPECT_TRUE(hint->isHidden());
    journal->setFocus();
    journal->end(false);
    for (QChar letter : QStringLiteral("дв")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(letter));
        QCoreApplication::sendEvent(journal, &press);
    }
    EXPECT_EQ(journal->text(), "120");
    EXPECT_FALSE(hint->isHidden());
    EXPECT_EQ(hint->text(), "«Следующий номер по журналу»: только цифры, от 1 до 999\u00A0999\u00A0999.");
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
    QCoreApplication::sendEvent(journal, &digit);
    EXPECT_EQ(journal->text(), "1205");
    EXPECT_TRUE(hint->isHidden());
}

TEST_F(SettingsDialogTest, BlankExecutorIsRefusedButABlankAddresseeIsAnEntry)
{
    TFNastr dialog;
    TListEditor *isp = dialog.executors();
    const QStringList before = isp->entries();
    for (const QString &blank : {QString(), QStringLiteral("   ")}) {
        hooks.messages.clear();
        dialog.AddIspClick();
        isp->editBox()->setText(blank);
        dialog.OKAddIspClick();
        ASSERT_EQ(hooks.messages.size(), 1u);
        EXPECT_EQ(hooks.messages[0].text, TFNastr::blankExecutorText());
        EXPECT_EQ(hooks.messages[0].caption, "Внимание!");
        EXPECT_TRUE(isp->inlineEditorShown()) << "the operator can type the name now";
        EXPECT_EQ(isp->entries(), before);
    }
    // Editing an entry down to nothing is refused the same way.
    isp->selectIndex(0);
    dialog.EdtListIspClick();
    isp->editBox()->clear();
    dialog.OKAddIspClick();
    EXPECT_EQ(isp->entries(), before);

    dialog.AddPolClick();
    dialog.OKAddPolClick();
    EXPECT_EQ(dialog.addressees()->entries(), QStringList({"Бухгалтерия", ""}));
}

TEST_F(SettingsDialogTest, ListButtonsNeedAnEntryToWorkOn)
{
    TFNastr dialog;
    TListEditor *isp = dialog.executors();
    auto enabled = [&](const char *name) { return child<QToolButton>(dialog, name)->isEnabled(); };
    struct Case {
        int selected;
        bool edit, remove, up, down;
    };
    // Two entries: none selected, the first, the last.
    const Case cases[] = {{-1, false, false, false, false}, {0, true, true, false, true}, {1, true, true, true, false}};
    for (const Case &c : cases) {
        isp->selectIndex(c.selected);
        EXPECT_EQ(enabled("EdtListIsp"), c.edit) << c.selected;
        EXPECT_EQ(enabled("DelIsp"), c.remove) << c.selected;
        EXPECT_EQ(enabled("IspUp"), c.up) << c.selected;
        EXPECT_EQ(enabled("IstDwn"), c.down) << c.selected;
    }
    EXPECT_TRUE(enabled("AddIsp"));
    // A moved entry keeps the buttons in step with its new place.
    isp->selectIndex(0);
    dialog.IstDwnClick();
    EXPECT_TRUE(enabled("IspUp"));
    EXPECT_FALSE(enabled("IstDwn"));
}

TEST_F(SettingsDialogTest, MissingReportsFolderFailsOnTheListsAfterTheKeys)
{
    QDir(frReportsFolder()).removeRecursively();
    TFNastr dialog;
    dialog.pages()->setCurrentIndex(2);
    dialog.AddIspClick();
    dialog.executors()->editBox()->setText(QStringLiteral("Иванов"));
    dialog.OKAddIspClick();
    child<QLineEdit>(dialog, "EdtNextNumReis")->setText(QStringLiteral("4"));
    clickSave(dialog);
    ASSERT_EQ(hooks.messages.size(), 1u);
    TIniFile ini = home.ini();
    EXPECT_EQ(Cfg::NextNumReisEdt(ini), 4);
    EXPECT_EQ(Cfg::ActPageInd(ini), 0) << "not written after the failure";
    EXPECT_FALSE(ini.ValueExists(Cfg::Nastr, Cfg::KeyActPageInd));
}

TEST_F(SettingsDialogTest, ListEditorStates)
{
    TFNastr dialog;
    TListEditor *isp = dialog.executors();
    QListWidget *list = isp->list();
    EXPECT_FALSE(isp->inlineEditorShown());
    EXPECT_EQ(isp->editBox()->maxLength(), 50);

    // Add clears the selection and appends.
    isp->selectIndex(1);
    dialog.AddIspClick();
    EXPECT_TRUE(isp->inlineEditorShown());
    EXPECT_EQ(isp->selectedIndex(), -1);
    EXPECT_EQ(isp->editBox()->text(), QString());
    isp->editBox()->setText(QStringLiteral("Сидоров"));
    dialog.OKAddIspClick();
    EXPECT_FALSE(isp->inlineEditorShown());
    EXPECT_EQ(isp->entries(), QStringList({"Иванов", " Петров ", "Сидоров"}));

    // Edit copies the entry; Enter released in the box replaces it.
    isp->selectIndex(0);
    dialog.EdtListIspClick();
    EXPECT_EQ(isp->editBox()->text(), "Иванов");
    isp->editBox()->setText(QStringLiteral("Иванова"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(isp->editBox(), &release);
    EXPECT_FALSE(isp->inlineEditorShown());
    EXPECT_EQ(list->item(0)->text(), "Иванова");

    // Cancel empties the box and changes nothing.
    dialog.EdtListIspClick();
    dialog.NoAddIspClick();
    EXPECT_EQ(isp->editBox()->text(), QString());
    EXPECT_EQ(list->item(0)->text(), "Иванова");
    dialog.AddIspClick();
    isp->editBox()->setText(QStringLiteral("Кузнецов"));
    dialog.OKAddIspClick();
    EXPECT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(3)->text(), "Кузнецов");

    // Up on the first and Down on the last do nothing; a moved entry stays selected.
    isp->selectIndex(0);
    dialog.IspUpClick();
    EXPECT_EQ(list->item(0)->text(), "Иванова");
    dialog.IstDwnClick();
    EXPECT_EQ(list->item(1)->text(), "Иванова");
    EXPECT_EQ(isp->selectedIndex(), 1);
    dialog.IspUpClick();
    EXPECT_EQ(isp->selectedIndex(), 0);
    isp->selectIndex(3);
    dialog.IstDwnClick();
    EXPECT_EQ(isp->selectedIndex(), 3);

    // Without a selection: Delete and Up do nothing, Edit and Down say what to do; their
    // buttons are off, so a click does nothing at all.
    isp->selectIndex(-1);
    const QStringList before = isp->entries();
    dialog.DelIspClick();
    dialog.IspUpClick();
    for (void (TFNastr::*handler)() : {&TFNastr::EdtListIspClick, &TFNastr::IstDwnClick}) {
        try {
            (dialog.*handler)();
            ADD_FAILURE() << "no error without a selection";
        } catch (const EfrError &e) {
            EXPECT_EQ(e.message(), frNoListEntryText());
            EXPECT_TRUE(e.message().startsWith("Не выбрана строка списка."));
        }
    }
    EXPECT_EQ(isp->entries(), before);
    EXPECT_FALSE(isp->inlineEditorShown());
    child<QToolButton>(dialog, "IstDwn")->click();
    child<QToolButton>(dialog, "EdtListIsp")->click();
    EXPECT_TRUE(hooks.messages.empty());

    // The addressee twin has its own controls.
    for (const char *name : {"LBPol", "EdtPol", "AddPol", "EditPol", "DelPol", "OKAddPol", "NoAddPol", "PolUp", "PolDwn"})
        EXPECT_TRUE(dialog.addressees()->findChild<QWidget *>(QString::fromLatin1(name))) << name;
}

TEST_F(SettingsDialogTest, ConnectionDialogBehindChange)
{
    TFNastr dialog;
    QLineEdit *edit = child<QLineEdit>(dialog, "EConnectString");

    hooks.onDialog = [](QDialog &d) {
        auto &c = dynamic_cast<TConnectionDialog &>(d);
        EXPECT_EQ(c.findChild<QLineEdit *>("EDataSource")->text(), "journal.db");
        c.findChild<QComboBox *>("CmbProvider")->setCurrentIndex(1);
        c.findChild<QLineEdit *>("EHost")->setText(QStringLiteral("db.office"));
        c.findChild<QLineEdit *>("EDatabase")->setText(QStringLiteral("journal"));
        c.findChild<QLineEdit *>("EUser")->setText(QStringLiteral("clerk"));
        c.findChild<QLineEdit *>("EPassword")->setText(QStringLiteral("a;b"));
        return int(QDialog::Rejected);
    };
    dialog.BBDConnectStringClick();
    EXPECT_EQ(edit->text(), "Provider=SQLite;Data Source=journal.db") << "cancel keeps the text";

    hooks.onDialog = [](QDialog &d) {
        auto &c = dynamic_cast<TConnectionDialog &>(d);
        c.findChild<QComboBox *>("CmbProvider")->setCurrentIndex(1);
        c.findChild<QLineEdit *>("EHost")->setText(QStringLiteral("db.office"));
        c.findChild<QLineEdit *>("EDatabase")->setText(QStringLiteral("journal"));
        c.findChild<QLineEdit *>("EUser")->setText(QStringLiteral("clerk"));
        c.findChild<QLineEdit *>("EPassword")->setText(QStringLiteral("a;b"));
        return int(QDialog::Accepted);
    };
    dialog.BBDConnectStringClick();
    const TfrConnectString built = TfrConnectString::parse(edit->text());
    EXPECT_EQ(built.engine(), TfrDbEngine::dePostgreSQL);
    EXPECT_EQ(built.host(), "db.office");
    EXPECT_EQ(built.port(), 5432);
    EXPECT_EQ(built.database(), "journal");
    EXPECT_EQ(built.userName(), "clerk");
    EXPECT_EQ(built.password(), "a;b") << "the password is part of the string";
    EXPECT_FALSE(built.contains("Data Source"));

    // Reopened on that string, the dialog shows the server fields.
    TConnectionDialog reopened(edit->text());
    EXPECT_EQ(reopened.findChild<QComboBox *>("CmbProvider")->currentIndex(), 1);
    EXPECT_EQ(reopened.findChild<QLineEdit *>("EPassword")->text(), "a;b");
    EXPECT_EQ(TfrConnectString::parse(reopened.connectionString()).pairs(), built.pairs());
}

TEST_F(SettingsDialogTest, TestConnectionSaysWhetherItWorks)
{
    TConnectionDialog good(QStringLiteral("Provider=SQLite;Data Source=journal.db"));
    good.findChild<QPushButton *>("BTestConnection")->click();
    ASSERT_EQ(hooks.messages.size(), 1u);
    EXPECT_EQ(hooks.messages[0].icon, QMessageBox::NoIcon);

    TConnectionDialog bad(QStringLiteral("Provider=SQLite;Data Source=/no/such/folder/j.db"));
    bad.findChild<QPushButton *>("BTestConnection")->click();
    ASSERT_EQ(hooks.messages.size(), 2u);
    EXPECT_EQ(hooks.messages[1].icon, QMessageBox::Critical);
}

TEST_F(SettingsDialogTest, CommandFileBrowseOffersShellScripts)
{
    TFNastr dialog;
    hooks.chosenFile = QString();
    dialog.BBrouseBatClick();
    EXPECT_EQ(child<QLineEdit>(dialog, "EPathBatFile")->text(), "/opt/fetch-mail.sh") << "nothing chosen";
    ASSERT_EQ(hooks.lastFilters.size(), 2);
    EXPECT_TRUE(hooks.lastFilters[0].contains("*.sh"));
    EXPECT_TRUE(hooks.lastFilters[0].contains("*.bat"));
    EXPECT_TRUE(hooks.lastFilters[1].startsWith("Все файлы"));

    hooks.chosenFile = QStringLiteral("/usr/local/bin/get-files.sh");
    dialog.BBrouseBatClick();
    EXPECT_EQ(child<QLineEdit>(dialog, "EPathBatFile")->text(), "/usr/local/bin/get-files.sh");
}

} // namespace
