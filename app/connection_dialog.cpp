#include "app/connection_dialog.h"

#include "app/application.h"
#include "app/message_box.h"
#include "app/settings.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

enum { kSQLitePage, kPostgresPage };

const QStringList kServerKeys = {
    QStringLiteral("Host"),    QStringLiteral("Port"), QStringLiteral("Database"),
    QStringLiteral("Initial Catalog"), QStringLiteral("User ID"), QStringLiteral("User"),
    QStringLiteral("UID"),     QStringLiteral("Password"), QStringLiteral("PWD"),
};

QLineEdit *namedEdit(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

} // namespace

TConnectionDialog::TConnectionDialog(const QString &connectString, QWidget *parent)
    : QDialog(parent), m_initial(TfrConnectString::parse(connectString))
{
    setObjectName(QStringLiteral("ConnectionDialog"));
    setWindowTitle(QStringLiteral("Свойства связи с данными"));
    // Wide enough for the whole title beside the title bar's buttons.
    const QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) * 5 / 4 + 160);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QFormLayout;
    m_provider = new QComboBox(this);
    m_provider->setObjectName(QStringLiteral("CmbProvider"));
    m_provider->addItems({QStringLiteral("SQLite"), QStringLiteral("PostgreSQL")});
    top->addRow(QStringLiteral("Поставщик данных:"), m_provider);
    layout->addLayout(top);

    m_pages = new QStackedWidget(this);
    auto *filePage = new QWidget(m_pages);
    auto *fileForm = new QFormLayout(filePage);
    auto *fileRow = new QHBoxLayout;
    m_file = namedEdit("EDataSource", filePage);
    auto *browse = new QToolButton(filePage);
    browse->setObjectName(QStringLiteral("BBrowseFile"));
    browse->setText(QStringLiteral("..."));
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);
    fileForm->addRow(QStringLiteral("Файл базы данных:"), fileRow);
    m_pages->addWidget(filePage);

    auto *serverPage = new QWidget(m_pages);
    auto *serverForm = new QFormLayout(serverPage);
    m_host = namedEdit("EHost", serverPage);
    m_port = new QSpinBox(serverPage);
    m_port->setObjectName(QStringLiteral("EPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(5432);
    m_database = namedEdit("EDatabase", serverPage);
    m_user = namedEdit("EUser", serverPage);
    m_password = namedEdit("EPassword", serverPage);
    m_password->setEchoMode(QLineEdit::Password);
    serverForm->addRow(QStringLiteral("Сервер:"), m_host);
    serverForm->addRow(QStringLiteral("Порт:"), m_port);
    serverForm->addRow(QStringLiteral("База данных:"), m_database);
    serverForm->addRow(QStringLiteral("Пользователь:"), m_user);
    serverForm->addRow(QStringLiteral("Пароль:"), m_password);
    m_pages->addWidget(serverPage);
    layout->addWidget(m_pages);

    auto *test = new QPushButton(QStringLiteral("Проверить подключение"), this);
    test->setObjectName(QStringLiteral("BTestConnection"));
    test->setAutoDefault(false);
    layout->addWidget(test, 0, Qt::AlignLeft);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BOK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BCancel"));
    layout->addWidget(buttons);

    connect(m_provider, &QComboBox::currentIndexChanged, this,
            [this](int index) { frGuard([&] { ProviderChange(index); }); });
    connect(browse, &QToolButton::clicked, this, [this] { frGuard([&] { BBrowseFileClick(); }); });
    connect(test, &QPushButton::clicked, this, [this] { frGuard([&] { BTestConnectionClick(); }); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Fill the fields from the string; an unknown provider starts on the file page.
    const bool server = m_initial.provider().compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) == 0;
    m_provider->setCurrentIndex(server ? kPostgresPage : kSQLitePage);
    ProviderChange(m_provider->currentIndex());
    if (server) {
        m_host->setText(m_initial.host());
        m_port->setValue(m_initial.port());
        m_database->setText(m_initial.database());
        m_user->setText(m_initial.userName());
        m_password->setText(m_initial.password());
    } else {
        m_file->setText(m_initial.value(QStringLiteral("Data Source")));
    }
}

void TConnectionDialog::ProviderChange(int index)
{
    m_pages->setCurrentIndex(index);
}

QString TConnectionDialog::connectionString() const
{
    TfrConnectString s = m_initial;
    if (m_provider->currentIndex() == kPostgresPage) {
        s.setValue(QStringLiteral("Data Source"), QString());
        for (const QString &key : kServerKeys)
            s.setValue(key, QString());
        s.setValue(QStringLiteral("Provider"), QStringLiteral("PostgreSQL"));
        s.setValue(QStringLiteral("Host"), m_host->text().trimmed());
        s.setValue(QStringLiteral("Port"), QString::number(m_port->value()));
        s.setValue(QStringLiteral("Database"), m_database->text().trimmed());
        s.setValue(QStringLiteral("User ID"), m_user->text().trimmed());
        s.setValue(QStringLiteral("Password"), m_password->text());
    } else {
        for (const QString &key : kServerKeys)
            s.setValue(key, QString());
        s.setValue(QStringLiteral("Provider"), QStringLiteral("SQLite"));
        s.setValue(QStringLiteral("Data Source"), m_file->text().trimmed());
    }
    return s.compose();
}

void TConnectionDialog::BBrowseFileClick()
{
    // The folder of the file named, else where the operator last was.
    QString dir = m_file->text().trimmed();
    if (!dir.isEmpty() && QFileInfo(dir).isRelative())
        dir = frAppFolder() + dir;
    if (!dir.isEmpty())
        dir = QFileInfo(dir).absolutePath();
    const QString path = frGetOpenFileName(this, QStringLiteral("Файл базы данных"), dir,
                                           {QStringLiteral("Базы данных SQLite (*.db *.sqlite *.sqlite3)"),
                                            QStringLiteral("Все файлы (*)")});
    if (path.isEmpty())
        return;
    // A file in the program's folder stays relative, so the folder can move as a whole.
    const QString app = frAppFolder();
    m_file->setText(path.startsWith(app) ? path.mid(app.size()) : path);
}

void TConnectionDialog::BTestConnectionClick()
{
    frTestConnection(connectionString());
    frNotice(this, QStringLiteral("Проверка подключения выполнена успешно."));
}
