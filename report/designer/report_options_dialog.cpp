// The report options dialog.
#include "report/designer/report_options_dialog.h"

#include "report/designer/dialog_buttons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "report/eval/datetime.h"
#include "report/eval/ui_hooks.h"
#include "report/model/paper.h"
#include "report/model/report.h"

namespace {
constexpr int kMbIconWarning = 48;

QString dateText(TDateTime date)
{
    TfrDateParts p;
    if (date == 0 || !frTryDecodeDateTime(date, p))
        return QStringLiteral("—");
    const QDateTime when(QDate(p.year, p.month, p.day), QTime(p.hour, p.min, p.sec));
    return QLocale().toString(when, QLocale::ShortFormat);
}
} // namespace

TfrReportOptionsDialog::TfrReportOptionsDialog(const TfrReport &report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("report_options_dialog"));
    setWindowTitle(tr("Параметры отчёта"));
    auto *layout = new QVBoxLayout(this);

    auto *doc = new QGroupBox(tr("Документ"), this);
    auto *form = new QFormLayout(doc);
    m_name = new QLineEdit(report.DocInfo.name, doc);
    m_name->setObjectName(QStringLiteral("report_name"));
    form->addRow(tr("Название:"), m_name);
    m_author = new QLineEdit(report.DocInfo.author, doc);
    m_author->setObjectName(QStringLiteral("report_author"));
    form->addRow(tr("Автор:"), m_author);
    m_comment = new QPlainTextEdit(QString(report.DocInfo.comment).replace(QLatin1String("\r\n"), QLatin1String("\n")), doc);
    m_commentShown = m_comment->toPlainText();
    m_comment->setObjectName(QStringLiteral("report_comment"));
    m_comment->setTabChangesFocus(true);
    m_comment->setFixedHeight(m_comment->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(tr("Описание:"), m_comment);
    auto *versions = new QHBoxLayout;
    const QString parts[4] = {report.DocInfo.versionMajor, report.DocInfo.versionMinor,
                              report.DocInfo.versionRelease, report.DocInfo.versionBuild};
    const char *names[4] = {"version_major", "version_minor", "version_release", "version_build"};
    for (int i = 0; i < 4; ++i) {
        m_version[i] = new QLineEdit(parts[i], doc);
        m_version[i]->setObjectName(QLatin1String(names[i]));
        m_version[i]->setMaximumWidth(70);
        versions->addWidget(m_version[i]);
        if (i < 3)
            versions->addWidget(new QLabel(QStringLiteral("."), doc));
    }
    versions->addStretch(1);
    form->addRow(tr("Версия:"), versions);
    auto *created = new QLabel(dateText(report.DocInfo.created), doc);
    created->setObjectName(QStringLiteral("report_created"));
    form->addRow(tr("Создан:"), created);
    auto *changed = new QLabel(dateText(report.DocInfo.lastChange), doc);
    changed->setObjectName(QStringLiteral("report_changed"));
    form->addRow(tr("Изменён:"), changed);
    layout->addWidget(doc);

    auto *build = new QGroupBox(tr("Построение и печать"), this);
    auto *buildForm = new QFormLayout(build);
    m_doublePass = new QCheckBox(tr("Два прохода (известно число страниц, TOTALPAGES)"), build);
    m_doublePass->setObjectName(QStringLiteral("double_pass"));
    m_doublePass->setChecked(report.DoublePassReport);
    buildForm->addRow(m_doublePass);
    m_printer = new QComboBox(build);
    m_printer->setObjectName(QStringLiteral("printer"));
    const TfrPaperService &paper = frPaper();
    m_printer->addItems(paper.Printers());
    m_printerIndex = paper.PrinterIndex();
    m_printer->setCurrentIndex(m_printerIndex);
    buildForm->addRow(tr("Принтер:"), m_printer);
    m_printToDefault = new QCheckBox(tr("Печатать на принтере по умолчанию"), build);
    m_printToDefault->setObjectName(QStringLiteral("print_to_default"));
    m_printToDefault->setChecked(report.PrintToDefault);
    m_printToDefault->setToolTip(tr("Принтер, выбранный в отчёте, при открытии не выбирается"));
    buildForm->addRow(m_printToDefault);
    layout->addWidget(build);

    auto *security = new QGroupBox(tr("Пароль"), this);
    auto *securityForm = new QFormLayout(security);
    m_protected = new QCheckBox(tr("Спрашивать пароль при открытии файла"), security);
    m_protected->setObjectName(QStringLiteral("password_protected"));
    m_protected->setChecked(report.docPasswordProtected);
    securityForm->addRow(m_protected);
    m_password = new QLineEdit(report.docPassword, security);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setEnabled(report.docPasswordProtected);
    securityForm->addRow(tr("Пароль:"), m_password);
    connect(m_protected, &QCheckBox::toggled, m_password, &QWidget::setEnabled);
    layout->addWidget(security);

    auto *buttons = frDialogButtons(this);
    layout->addWidget(buttons);
    resize(560, sizeHint().height());
}

void TfrReportOptionsDialog::accept()
{
    if (m_protected->isChecked() && m_password->text().isEmpty()) {
        frMessageBox(tr("Введите пароль или снимите отметку «Спрашивать пароль при открытии файла»."),
                     tr("Параметры отчёта"), kMbIconWarning);
        m_password->setFocus();
        return;
    }
    QDialog::accept();
}

void TfrReportOptionsDialog::Apply(TfrReport &report) const
{
    report.DocInfo.name = m_name->text();
    report.DocInfo.author = m_author->text();
    // Lines of the description are kept as the template keeps them, CR LF apart.
    if (m_comment->toPlainText() != m_commentShown)
        report.DocInfo.comment = m_comment->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    report.DocInfo.versionMajor = m_version[0]->text();
    report.DocInfo.versionMinor = m_version[1]->text();
    report.DocInfo.versionRelease = m_version[2]->text();
    report.DocInfo.versionBuild = m_version[3]->text();
    report.DoublePassReport = m_doublePass->isChecked();
    report.PrintToDefault = m_printToDefault->isChecked();
    // A password is dropped when protection is switched off here; one stored without
    // protection stays as it was.
    if (m_protected->isChecked())
        report.docPassword = m_password->text();
    else if (report.docPasswordProtected)
        report.docPassword.clear();
    report.docPasswordProtected = m_protected->isChecked();
    if (m_printer->currentIndex() >= 0 && m_printer->currentIndex() != m_printerIndex)
        report.ChangePrinter(m_printerIndex, m_printer->currentIndex());
}
