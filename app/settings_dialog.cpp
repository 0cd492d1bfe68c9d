#include "app/settings_dialog.h"

#include "app/application.h"
#include "app/connection_dialog.h"
#include "app/message_box.h"
#include "app/settings.h"
#include "app/number_input.h"
#include "report/eval/errors.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPushButton *makeButton(const char *name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    // Enter belongs to the inline list editors, never to a dialog button.
    button->setAutoDefault(false);
    return button;
}

QLineEdit *makeEdit(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

} // namespace

TFNastr::TFNastr(QWidget *owner) : QDialog(owner), m_ini(frConfigPath())
{
    setObjectName(QStringLiteral("FNastr"));
    setWindowTitle(QStringLiteral("Настройки"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);

    auto *layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->setDocumentMode(true);
    m_pages->addTab(makeJournalTab(), QStringLiteral("Журнал"));
    m_pages->addTab(makeProcessingTab(), QStringLiteral("Обработка"));

    m_isp = new TListEditor({"LBIsp", "EdtIsp", "AddIsp", "EdtListIsp", "DelIsp", "OKAddIsp", "NoAddIsp",
                             "IspUp", "IstDwn"},
                            m_pages);
    m_isp->setObjectName(QStringLiteral("TShUsers"));
    m_isp->setBlankRefusal(blankExecutorText());
    m_pages->addTab(m_isp, QStringLiteral("Пользователи"));
    m_pol = new TListEditor({"LBPol", "EdtPol", "AddPol", "EditPol", "DelPol", "OKAddPol", "NoAddPol",
                             "PolUp", "PolDwn"},
                            m_pages);
    m_pol->setObjectName(QStringLiteral("TShRecipients"));
    m_pages->addTab(m_pol, QStringLiteral("Получатели"));
    layout->addWidget(m_pages, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *save = makeButton("BSave", QStringLiteral("Сохранить"), this);
    auto *cancel = makeButton("BCancel", QStringLiteral("Отмена"), this);
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    // Numbers that cannot be saved are found before anything is written, and the dialog
    // stays open for the operator to put them right. Past that check Save carries the
    // result OK before its handler runs: a failure in it (a list file that cannot be
    // written) is reported and the dialog still closes, with the keys written so far kept.
    m_save = save;
    connect(save, &QPushButton::clicked, this, [this] {
        if (!frGuard([&] { checkNumbers(); }))
            return;
        setResult(QDialog::Accepted);
        frGuard([&] { BSaveClick(); });
        done(QDialog::Accepted);
    });
    connect(cancel, &QPushButton::clicked, this, [this] { frGuard([&] { BCancelClick(); }); });

    setFixedSize(sizeHint().expandedTo(QSize(478, 261)));
    load();
}

QWidget *TFNastr::makeJournalTab()
{
    auto *tab = new QWidget;
    tab->setObjectName(QStringLiteral("TShJournal"));
    auto *grid = new QGridLayout(tab);
    grid->addWidget(new QLabel(QStringLiteral("Строка подключения к базе данных"), tab), 0, 0, 1, 2);
    m_connectString = makeEdit("EConnectString", tab);
    grid->addWidget(m_connectString, 1, 0);
    auto *change = makeButton("BBDConnectString", QStringLiteral("Изменить"), tab);
    connect(change, &QPushButton::clicked, this, [this] { frGuard([&] { BBDConnectStringClick(); }); });
    grid->addWidget(change, 1, 1);

    auto *numbers = new QGridLayout;
    numbers->addWidget(new QLabel(QStringLiteral("Следующий номер по журналу"), tab), 0, 0);
    m_nextNumJrn = makeNumberEdit("EdtNextNumJrn", 1, kMaxJournalNumber, tab);
    numbers->addWidget(m_nextNumJrn, 0, 1);
    numbers->addWidget(new QLabel(QStringLiteral("Следующий номер рейса"), tab), 1, 0);
    m_nextNumReis = makeNumberEdit("EdtNextNumReis", 1, kMaxRunNumber, tab);
    numbers->addWidget(m_nextNumReis, 1, 1);
    // Said next to the field as soon as a key is refused, not when Save is pressed.
    m_numbersHint = new QLabel(tab);
    m_numbersHint->setObjectName(QStringLiteral("LNumbersHint"));
    m_numbersHint->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_numbersHint->setWordWrap(true);
    m_numbersHint->hide();
    numbers->addWidget(m_numbersHint, 2, 0, 1, 3);
    numbers->setColumnStretch(2, 1);
    grid->addLayout(numbers, 2, 0, 1, 2);

    m_backOrder = new QCheckBox(QStringLiteral("Обратный порядок сортировки записей при печати"), tab);
    m_backOrder->setObjectName(QStringLiteral("ChBBackOrder"));
    grid->addWidget(m_backOrder, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    return tab;
}

QWidget *TFNastr::makeProcessingTab()
{
    auto *tab = new QWidget;
    tab->setObjectName(QStringLiteral("TShProcessing"));
    auto *grid = new QGridLayout(tab);
    m_runBatFile = new QCheckBox(QStringLiteral("Выполнять перед обработкой"), tab);
    m_runBatFile->setObjectName(QStringLiteral("ChBRunBatFile"));
    grid->addWidget(m_runBatFile, 0, 0, 1, 2);
    m_pathBatFile = makeEdit("EPathBatFile", tab);
    grid->addWidget(m_pathBatFile, 1, 0);
    auto *browse = makeButton("BBrouseBat", QStringLiteral("..."), tab);
    browse->setFixedWidth(32);
    connect(browse, &QPushButton::clicked, this, [this] { frGuard([&] { BBrouseBatClick(); }); });
    grid->addWidget(browse, 1, 1);
    grid->setRowStretch(2, 1);
    return tab;
}

void TFNastr::load()
{
    m_nextNumJrn->setText(QString::number(Cfg::NextNumJrnEdt(m_ini)));
    m_nextNumReis->setText(QString::number(Cfg::NextNumReisEdt(m_ini)));
    m_connectString->setText(Cfg::ConnectString(m_ini));
    m_backOrder->setChecked(Cfg::BackwardOrder(m_ini));
    m_runBatFile->setChecked(Cfg::RunBatFile(m_ini));
    m_pathBatFile->setText(Cfg::PathBatFile(m_ini));

    QStringList entries;
    if (QFileInfo::exists(frUsersListPath()) && LoadListFile(frUsersListPath(), entries))
        m_isp->setEntries(entries);
    entries.clear();
    if (QFileInfo::exists(frReceptListPath()) && LoadListFile(frReceptListPath(), entries))
        m_pol->setEntries(entries);

    // A tab control always shows a page: an index beyond the tabs opens the first one.
    const int page = Cfg::ActPageInd(m_ini);
    m_pages->setCurrentIndex(page >= 0 && page < m_pages->count() ? page : 0);
}

QString TFNastr::blankExecutorText()
{
    return QStringLiteral("Имя исполнителя не может быть пустым.\n"
                          "Введите имя или откажитесь от добавления кнопкой «Отмена» рядом с полем.");
}

QString TFNastr::numberFieldName(const QLineEdit *edit) const
{
    return edit == m_nextNumJrn ? QStringLiteral("Следующий номер по журналу")
                                : QStringLiteral("Следующий номер рейса");
}

QLineEdit *TFNastr::makeNumberEdit(const char *name, qint64 minimum, qint64 maximum, QWidget *parent)
{
    QLineEdit *edit = makeEdit(name, parent);
    edit->setValidator(new TfrNumberValidator(minimum, maximum, edit));
    edit->setMaxLength(QString::number(maximum).size());
    edit->setToolTip(QStringLiteral("Только цифры, %1").arg(frNumberRangeText(minimum, maximum)));
    connect(edit, &QLineEdit::inputRejected, this, [this, edit] { showNumberHint(edit); });
    connect(edit, &QLineEdit::textChanged, this, [this, edit] {
        if (edit->hasAcceptableInput())
            m_numbersHint->hide();
        else
            showNumberHint(edit);
        updateSaveButton();
    });
    return edit;
}

void TFNastr::showNumberHint(QLineEdit *edit)
{
    const auto *validator = static_cast<const TfrNumberValidator *>(edit->validator());
    m_numbersHint->setText(QStringLiteral("«%1»: только цифры, %2.")
                               .arg(numberFieldName(edit), frNumberRangeText(validator->minimum(), validator->maximum())));
    m_numbersHint->show();
}

void TFNastr::updateSaveButton()
{
    if (m_save)
        m_save->setEnabled(m_nextNumJrn->hasAcceptableInput() && m_nextNumReis->hasAcceptableInput());
}

void TFNastr::checkNumbers()
{
    for (QLineEdit *edit : {m_nextNumJrn, m_nextNumReis}) {
        if (edit->hasAcceptableInput())
            continue;
        m_pages->setCurrentIndex(0);
        edit->setFocus();
        const auto *validator = static_cast<const TfrNumberValidator *>(edit->validator());
        throw EfrError(QStringLiteral("Поле «%1» заполнено неверно.\nВведите целое число %2 и сохраните снова.")
                           .arg(numberFieldName(edit), frNumberRangeText(validator->minimum(), validator->maximum())));
    }
}

void TFNastr::BSaveClick()
{
    // Nothing is written while a number cannot be saved.
    checkNumbers();
    Cfg::SetConnectString(m_ini, m_connectString->text());
    Cfg::SetNextNumJrnEdt(m_ini, m_nextNumJrn->text().toLongLong());
    Cfg::SetNextNumReisEdt(m_ini, m_nextNumReis->text().toInt());
    Cfg::SetBackwardOrder(m_ini, m_backOrder->isChecked());
    Cfg::SetRunBatFile(m_ini, m_runBatFile->isChecked());
    Cfg::SetPathBatFile(m_ini, m_pathBatFile->text());
    // An emptied list is not written: the file keeps its previous entries.
    if (m_isp->list()->count() > 0)
        SaveListFile(frUsersListPath(), m_isp->entries());
    if (m_pol->list()->count() > 0)
        SaveListFile(frReceptListPath(), m_pol->entries());
    Cfg::SetActPageInd(m_ini, m_pages->currentIndex());
    done(QDialog::Accepted);
}

void TFNastr::BCancelClick()
{
    done(QDialog::Rejected);
}

void TFNastr::BBDConnectStringClick()
{
    TConnectionDialog dialog(m_connectString->text(), this);
    if (frExecDialog(dialog) != QDialog::Accepted)
        return;
    m_connectString->setText(dialog.connectionString());
}

void TFNastr::BBrouseBatClick()
{
    // An empty field opens where the operator last was, not in the program's folder.
    const QString current = m_pathBatFile->text().trimmed();
    const QString path = frGetOpenFileName(
        this, QStringLiteral("Командный файл"), current.isEmpty() ? QString() : QFileInfo(current).absolutePath(),
        {QStringLiteral("Командные файлы (*.bat *.cmd *.sh)"), QStringLiteral("Все файлы (*)")});
    if (path.isEmpty())
        return;
    m_pathBatFile->setText(path);
}
