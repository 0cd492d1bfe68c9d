#include "app/about_box.h"

#include "app/message_box.h"
#include "app/settings.h"

#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char *const kContactAddress = "journal-support@example.org";
const char *const kMailSubject = "Журнал принятых файлов";

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

QString TAboutBox::productName()
{
    return QStringLiteral("Журнал принятых файлов");
}

QString TAboutBox::versionLine()
{
    return QStringLiteral("Версия программы ") + QStringLiteral(FR_VERSION_STRING);
}

TAboutBox::TAboutBox(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе ") + productName());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);

    auto *outer = new QVBoxLayout(this);
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    // Labels and the frame leave mouse clicks to the box, which closes on them.
    outer->addWidget(panel);

    auto *grid = new QGridLayout(panel);
    auto *picture = makeLabel(panel, "ProgramIcon", QString());
    picture->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(48, 48));
    grid->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);

    auto *title = makeLabel(panel, "ProductName", productName());
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    title->setFont(big);
    grid->addWidget(title, 0, 1);
    grid->addWidget(makeLabel(panel, "SubTitle", QStringLiteral("Учёт электронных документов")), 1, 1);
    grid->addWidget(makeLabel(panel, "Comments",
                              QStringLiteral("Нумерация, журналирование и печать журнала принятых файлов")),
                    2, 0, 1, 2);
    grid->addWidget(makeLabel(panel, "Version", versionLine()), 3, 0, 1, 2);
    // Installed, the settings and lists live in the user's data folder: say where.
    auto *folder = makeLabel(panel, "DataFolder", QStringLiteral("Файлы программы: %1").arg(QDir::toNativeSeparators(frAppFolder())));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(folder, 10, 0, 1, 2);

    grid->addWidget(makeLabel(panel, "LContact", QStringLiteral("Для справок обращайтесь")), 4, 0, 1, 2);
    // The link takes clicks itself; everything else in the box closes it.
    auto *link = new QLabel(QStringLiteral("<a href=\"mailto\" style=\"color:blue;font-weight:bold\">%1</a>")
                                .arg(QString::fromLatin1(kContactAddress)),
                            panel);
    link->setObjectName(QStringLiteral("LMail"));
    link->setCursor(Qt::PointingHandCursor);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(link, &QLabel::linkActivated, this, [this] { ContactLinkClick(); });
    grid->addWidget(link, 5, 0, 1, 2);
    // A second address and phone labels the form keeps for later use.
    auto *link2 = makeLabel(panel, "LMail2", QString());
    link2->hide();
    auto *work = makeLabel(panel, "LWork", QStringLiteral("Раб."));
    work->hide();
    auto *home = makeLabel(panel, "LHome", QStringLiteral("Дом."));
    home->hide();

    grid->addWidget(makeLabel(panel, "LAuthor", QStringLiteral("Автор: ")), 6, 0, 1, 2);
    grid->addWidget(makeLabel(panel, "LAuthorName", QStringLiteral("Отдел информационных технологий")), 7, 0, 1, 2);
    grid->addWidget(makeLabel(panel, "LAuthorPost", QStringLiteral("Разработчик")), 8, 0, 1, 2);
    grid->addWidget(makeLabel(panel, "LAuthorOrg", QStringLiteral("Канцелярия")), 9, 0, 1, 2);

    grid->setColumnStretch(1, 1);
    setFixedSize(sizeHint());
}

void TAboutBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void TAboutBox::ContactLinkClick()
{
    QUrl url(QStringLiteral("mailto:") + QString::fromLatin1(kContactAddress));
    url.setQuery(QStringLiteral("subject=") + QString::fromUtf8(kMailSubject));
    frOpenUrl(url);
}
