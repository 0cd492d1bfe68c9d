// "Новый из шаблона…" and "Сохранить как шаблон…".
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <filesystem>

#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/designer_window.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/page_editors_p.h"
#include "report/designer/templates_dialog.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/ui_hooks.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

const QString kFrtFilter = QStringLiteral("Шаблоны отчётов (*.frt)");

// The engine's globals that reading and writing template files set; put back afterwards so
// the designer's own report stays the current one.
class TfrKeepGlobals {
public:
    TfrKeepGlobals() : m_report(CurReport), m_page(CurPage), m_mode(DocMode), m_version(frVersion) {}
    ~TfrKeepGlobals()
    {
        CurReport = m_report;
        CurPage = m_page;
        DocMode = m_mode;
        frVersion = m_version;
    }
    TfrKeepGlobals(const TfrKeepGlobals &) = delete;
    TfrKeepGlobals &operator=(const TfrKeepGlobals &) = delete;

private:
    TfrReport *m_report;
    TfrPage *m_page;
    TfrDocMode m_mode;
    quint8 m_version;
};

// The empty report's picture: a blank sheet.
QImage blankSheet(QSize size)
{
    QImage image(size, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(Qt::gray);
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

} // namespace

// ---- where templates are -------------------------------------------------------------

QString frTemplatesFolder()
{
    // A folder of one's own, set in the designer's settings, comes first.
    const QString own = frOpenDesignerSettings()->value(QLatin1String(kFrTemplatesFolderKey)).toString();
    if (!own.isEmpty() && QFileInfo(own).isDir())
        return QDir(own).absolutePath();
    const QDir programs(QCoreApplication::applicationDirPath());
    const QString installed = programs.absoluteFilePath(QStringLiteral("../share/journal/templates"));
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    // An uninstalled build keeps its copy next to the programs.
    return programs.absoluteFilePath(QStringLiteral("templates"));
}

QString TfrTemplateInfo::Title() const
{
    for (const QString &line : description)
        if (!line.trimmed().isEmpty())
            return line.trimmed();
    return QFileInfo(fileName).completeBaseName();
}

TfrTemplateInfo frReadTemplateInfo(const QString &fileName)
{
    TfrTemplateInfo info;
    info.fileName = fileName;
    TfrKeepGlobals keep;
    try {
        TfrReport report;
        report.LoadTemplate(fileName, info.description, info.picture, false);
        info.ok = true;
    } catch (const std::exception &) {
        info.description.clear();
        info.picture = QImage();
    }
    return info;
}

QImage frTemplatePicture(const TfrReport &report, int width)
{
    TfrKeepGlobals keep;
    // A copy, so drawing leaves the template (and its listener) alone.
    std::unique_ptr<TfrReport> copy = report.Clone();
    if (copy->PageCount() == 0)
        return QImage();
    TfrDesignerDocument doc(*copy);
    TfrDesignerCanvas canvas(doc);
    canvas.SetShowGrid(false);
    canvas.SetZoom(100);
    canvas.resize(canvas.sizeHint());
    QImage whole(canvas.size(), QImage::Format_RGB888);
    whole.fill(Qt::white);
    canvas.render(&whole);
    const TfrPage &page = *copy->Page(0);
    const QRect paper = QRectF(canvas.ToWidget(QPointF(0, 0)),
                               canvas.ToWidget(QPointF(page.PrnInfo.Pgw, page.PrnInfo.Pgh)))
                            .toRect()
                            .intersected(whole.rect());
    if (paper.isEmpty())
        return QImage();
    return whole.copy(paper).scaledToWidth(std::max(16, width), Qt::SmoothTransformation);
}

// ---- "Новый из шаблона…" ---------------------------------------------------------------

TfrTemplateChooser::TfrTemplateChooser(const QString &folder, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TemplateChooser"));
    setWindowTitle(QStringLiteral("Новый из шаблона"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("templates"));
    m_list->setIconSize(QSize(48, 64));
    m_list->setMinimumWidth(300);
    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setFixedSize(260, 360);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_description->setMinimumWidth(260);
    m_description->setTextFormat(Qt::PlainText);

    auto *empty = new QListWidgetItem(QIcon(QPixmap::fromImage(blankSheet(QSize(45, 64)))),
                                      QStringLiteral("Пустой отчёт"), m_list);
    empty->setData(Qt::UserRole, QString());
    const QDir dir(folder);
    for (const QFileInfo &f : dir.entryInfoList({QStringLiteral("*.frt")}, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        TfrTemplateInfo info = frReadTemplateInfo(f.absoluteFilePath());
        auto *item = new QListWidgetItem(m_list);
        item->setData(Qt::UserRole, info.fileName);
        item->setData(Qt::UserRole + 1, int(m_templates.size()));
        if (info.ok) {
            item->setText(info.Title());
            if (!info.picture.isNull())
                item->setIcon(QIcon(QPixmap::fromImage(info.picture.scaled(m_list->iconSize(), Qt::KeepAspectRatio,
                                                                              Qt::SmoothTransformation))));
        } else {
            // Shown, so nobody wonders where the file went, but it cannot be chosen.
            item->setText(QStringLiteral("%1 (файл не читается)").arg(f.fileName()));
            item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        }
        m_templates.append(std::move(info));
    }
    m_list->setCurrentRow(0);

    auto *side = new QVBoxLayout;
    side->addWidget(m_preview);
    side->addWidget(m_description, 1);
    auto *top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto *layout = new QVBoxLayout(this);
    auto *where = new QLabel(QStringLiteral("Папка шаблонов: %1").arg(QDir::toNativeSeparators(folder)), this);
    where->setObjectName(QStringLiteral("folder"));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);
    layout->addLayout(top, 1);
    layout->addWidget(frDialogButtons(this));
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { showCurrent(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    showCurrent();
}

QString TfrTemplateChooser::FileName() const
{
    const QListWidgetItem *item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void TfrTemplateChooser::showCurrent()
{
    const QListWidgetItem *item = m_list->currentItem();
    const QVariant index = item ? item->data(Qt::UserRole + 1) : QVariant();
    if (!item || !index.isValid()) {
        m_preview->setPixmap(QPixmap::fromImage(blankSheet(QSize(180, 254))));
        m_description->setText(QStringLiteral("Новый отчёт с одной пустой страницей."));
        return;
    }
    const TfrTemplateInfo &info = m_templates.at(index.toInt());
    if (info.picture.isNull())
        m_preview->setText(QStringLiteral("Нет рисунка"));
    else
        m_preview->setPixmap(QPixmap::fromImage(info.picture.scaled(m_preview->size() - QSize(6, 6), Qt::KeepAspectRatio,
                                                                   Qt::SmoothTransformation)));
    m_description->setText(info.description.join(QLatin1Char('\n')));
}

bool frChooseTemplate(QWidget *parent, QString &fileName)
{
    TfrTemplateChooser dialog(frTemplatesFolder(), parent);
    dialog.resize(720, 560);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    fileName = dialog.FileName();
    return true;
}

// ---- "Сохранить как шаблон…" -------------------------------------------------------------

TfrSaveTemplateDialog::TfrSaveTemplateDialog(const QString &suggestedFile, const QImage &picture, QWidget *parent)
    : QDialog(parent), m_picture(picture)
{
    setObjectName(QStringLiteral("SaveTemplate"));
    setWindowTitle(QStringLiteral("Сохранить как шаблон"));
    m_file = new QLineEdit(suggestedFile, this);
    m_file->setObjectName(QStringLiteral("file_name"));
    m_file->setMinimumWidth(380);
    auto *browse = new QPushButton(QStringLiteral("Обзор…"), this);
    browse->setObjectName(QStringLiteral("browse"));
    connect(browse, &QPushButton::clicked, this, [this] { this->browse(); });
    m_description = new QPlainTextEdit(this);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setPlaceholderText(QStringLiteral("Первая строка — название шаблона, далее — описание"));
    m_description->setTabChangesFocus(true);
    auto *preview = new QLabel(this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setFixedSize(200, 280);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (!picture.isNull())
        preview->setPixmap(QPixmap::fromImage(
            picture.scaled(preview->size() - QSize(6, 6), Qt::KeepAspectRatio, Qt::SmoothTransformation)));

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Файл:"), fileRow);
    form->addRow(QStringLiteral("Описание:"), m_description);
    auto *top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addWidget(preview, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(frDialogButtons(this));
}

void TfrSaveTemplateDialog::browse()
{
    if (!frDesignerDialogs().saveFileName)
        return;
    const QString name = frDesignerDialogs().saveFileName(this, QStringLiteral("Сохранить как шаблон"), kFrtFilter,
                                                          m_file->text());
    if (!name.isEmpty())
        m_file->setText(name);
}

QString TfrSaveTemplateDialog::FileName() const
{
    QString name = m_file->text().trimmed();
    if (!name.isEmpty() && QFileInfo(name).suffix().compare(QLatin1String("frt"), Qt::CaseInsensitive) != 0)
        name += QLatin1String(".frt");
    return name;
}

QStringList TfrSaveTemplateDialog::Description() const
{
    QStringList lines = m_description->toPlainText().split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

void TfrSaveTemplateDialog::accept()
{
    const QString name = FileName();
    QString why;
    if (name.isEmpty())
        why = QStringLiteral("Укажите имя файла шаблона.");
    else if (!QFileInfo(QFileInfo(name).absolutePath()).isDir())
        why = QStringLiteral("Папки «%1» нет.").arg(QDir::toNativeSeparators(QFileInfo(name).absolutePath()));
    else if (QFileInfo(name).isDir())
        why = QStringLiteral("«%1» — это папка.").arg(QDir::toNativeSeparators(name));
    if (!why.isEmpty()) {
        frMessageBox(why, windowTitle(), kFrMbIconWarning);
        return;
    }
    QDialog::accept();
}

bool frSaveAsTemplate(QWidget *parent, TfrDesignerDocument &doc)
{
    QString folder = frTemplatesFolder();
    if (!QFileInfo(folder).isDir() || !QFileInfo(folder).isWritable())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString base = QFileInfo(doc.FileName()).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("Шаблон");
    const QImage picture = frTemplatePicture(doc.Report());
    TfrSaveTemplateDialog dialog(QDir(folder).filePath(base + QLatin1String(".frt")), picture, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString fileName = dialog.FileName();
    // Written beside the target first, so a failure leaves an old file as it was.
    const QString temporary = fileName + QLatin1String(".part");
    QString error;
    {
        TfrKeepGlobals keep;
        try {
            doc.Report().SaveTemplate(temporary, dialog.Description(), dialog.Picture());
        } catch (const std::exception &e) {
            error = QString::fromUtf8(e.what());
        }
    }
    if (error.isEmpty()) {
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(temporary).toStdString(), QFile::encodeName(fileName).toStdString(), ec);
        if (ec)
            error = QString::fromStdString(ec.message());
    }
    if (!error.isEmpty()) {
        QFile::remove(temporary);
        frMessageBox(QStringLiteral("Не удалось сохранить шаблон «%1»: %2").arg(fileName, error),
                     QStringLiteral("Сохранить как шаблон"), kFrMbIconError);
        return false;
    }
    return true;
}
