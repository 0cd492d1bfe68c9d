// The band data source and picture editors.
#include "report/designer/band_picture_editors.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtEndian>

#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/designer_window.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/page_editors_p.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/number_format.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/fr_globals.h"
#include "report/model/page.h"
#include "report/model/picture_view.h"
#include "report/model/report.h"

namespace {

bool isDataBand(int type) { return type == btMasterData || type == btDetailData || type == btSubDetailData; }

bool startsWithCount(const QString &text)
{
    return !text.isEmpty() && text.at(0) >= QLatin1Char('1') && text.at(0) <= QLatin1Char('9');
}

// A data set name a band can carry: not a count, not a list, not empty.
QString checkDataSetName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("Выберите набор данных или введите его имя.");
    if (startsWithCount(name) || name.at(0) == QLatin1Char('0'))
        return QStringLiteral("Имя набора данных «%1» начинается с цифры: такой текст означает число записей. "
                              "Для виртуального набора выберите «Виртуальный набор данных».")
            .arg(name);
    if (name.contains(QLatin1Char(';')) || name.contains(QLatin1Char('=')))
        return QStringLiteral("Имя набора данных «%1» не может содержать «;» или «=».").arg(name);
    return QString();
}

// Data sets are looked up among the components of the report's owner, which the engine
// reaches through the current report.
class TfrCurrentReport {
public:
    explicit TfrCurrentReport(TfrReport &report) : m_saved(CurReport) { CurReport = &report; }
    ~TfrCurrentReport() { CurReport = m_saved; }
    TfrCurrentReport(const TfrCurrentReport &) = delete;
    TfrCurrentReport &operator=(const TfrCurrentReport &) = delete;

private:
    TfrReport *m_saved;
};

} // namespace

QStringList frBandDataSetNames(TfrDesignerDocument &doc)
{
    frGlobals(); // the value context through which the engine finds the report's owner
    TfrCurrentReport current(doc.Report());
    QStringList sources, dataSets;
    doc.Report().Dictionary().GetBandDatasourceList(sources);
    doc.Report().Dictionary().GetDatasetList(dataSets);
    for (const QString &name : std::as_const(dataSets))
        if (!sources.contains(name, Qt::CaseInsensitive))
            sources.append(name);
    sources.sort(Qt::CaseInsensitive);
    return sources;
}

// ---- band data source ----------------------------------------------------------------

TfrBandDataSourceDialog::TfrBandDataSourceDialog(TfrDesignerDocument &doc, const TfrView &band, QWidget *parent)
    : QDialog(parent), m_doc(doc), m_start(band.formatText), m_cross(int(band.FrameTyp) == btCrossData)
{
    setObjectName(QStringLiteral("BandDataSource"));
    setWindowTitle(QStringLiteral("Источник данных: %1").arg(band.Name));
    const QStringList names = frBandDataSetNames(doc);
    TfrDataDictionary &dictionary = doc.Report().Dictionary();

    auto *box = new QGroupBox(frDesignerBandName(int(band.FrameTyp)), this);
    m_none = new QRadioButton(m_cross ? QStringLiteral("Нет") : QStringLiteral("Нет (набор данных отчёта)"), box);
    m_none->setObjectName(QStringLiteral("source_none"));
    m_dataSet = new QRadioButton(QStringLiteral("Набор данных:"), box);
    m_dataSet->setObjectName(QStringLiteral("source_dataset"));
    m_dataSetName = new QComboBox(box);
    m_dataSetName->setObjectName(QStringLiteral("dataset"));
    m_dataSetName->setEditable(true);
    m_dataSetName->setInsertPolicy(QComboBox::NoInsert);
    m_dataSetName->addItems(names);
    m_dataSetName->setCurrentIndex(-1); // nothing chosen until the band has a data set
    m_dataSetName->setMinimumWidth(260);
    m_virtual = new QRadioButton(QStringLiteral("Виртуальный набор данных, записей:"), box);
    m_virtual->setObjectName(QStringLiteral("source_virtual"));
    m_count = new QSpinBox(box);
    m_count->setObjectName(QStringLiteral("record_count"));
    m_count->setRange(1, 999999999);
    m_count->setValue(1);

    auto *grid = new QFormLayout(box);
    grid->addRow(m_none);
    grid->addRow(m_dataSet, m_dataSetName);
    grid->addRow(m_virtual, m_count);

    if (m_cross) {
        // Cross cells may take their columns from a data set of their own per row band.
        m_rows = new QRadioButton(QStringLiteral("Свой набор данных для каждой строки:"), box);
        m_rows->setObjectName(QStringLiteral("source_rows"));
        m_rowTable = new QTableWidget(box);
        m_rowTable->setObjectName(QStringLiteral("cross_rows"));
        m_rowTable->setColumnCount(2);
        m_rowTable->setHorizontalHeaderLabels({QStringLiteral("Бэнд строки"), QStringLiteral("Набор данных")});
        m_rowTable->horizontalHeader()->setStretchLastSection(true);
        m_rowTable->verticalHeader()->hide();
        const TfrPage *page = doc.Report().PageOf(band);
        QStringList rowBands;
        if (page)
            for (const auto &v : page->Objects)
                if (v->Typ == otBand && int(v->FrameTyp) >= btMasterHeader && int(v->FrameTyp) <= btChild &&
                    int(v->FrameTyp) != btCrossHeader && int(v->FrameTyp) != btCrossData &&
                    int(v->FrameTyp) != btCrossFooter)
                    rowBands << v->Name;
        m_rowTable->setRowCount(int(rowBands.size()));
        for (int r = 0; r < rowBands.size(); ++r) {
            auto *name = new QTableWidgetItem(rowBands.at(r));
            name->setFlags(Qt::ItemIsEnabled);
            m_rowTable->setItem(r, 0, name);
            auto *combo = new QComboBox(m_rowTable);
            combo->setObjectName(QStringLiteral("row_dataset_%1").arg(rowBands.at(r)));
            combo->setEditable(true);
            combo->addItem(QString());
            combo->addItems(names);
            m_rowTable->setCellWidget(r, 1, combo);
        }
        m_rowTable->resizeColumnToContents(0);
        m_rowTable->setMinimumHeight(140);
        grid->addRow(m_rows);
        grid->addRow(m_rowTable);
    }

    // What the band has now.
    const QString text = m_start.trimmed();
    if (text.isEmpty()) {
        m_none->setChecked(true);
    } else if (startsWithCount(text)) {
        m_virtual->setChecked(true);
        m_count->setValue(std::max(1, int(frStrToInt(text))));
    } else if (m_cross && text.contains(QLatin1Char(';'))) {
        m_rows->setChecked(true);
        for (const QString &entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const int eq = int(entry.indexOf(QLatin1Char('=')));
            if (eq < 0)
                continue;
            const QString bandName = entry.left(eq).trimmed(), dataSet = entry.mid(eq + 1).trimmed();
            for (int r = 0; r < m_rowTable->rowCount(); ++r)
                if (m_rowTable->item(r, 0)->text().compare(bandName, Qt::CaseInsensitive) == 0)
                    static_cast<QComboBox *>(m_rowTable->cellWidget(r, 1))
                        ->setCurrentText(dictionary.GetAliasName(dataSet));
        }
    } else {
        m_dataSet->setChecked(true);
        m_dataSetName->setCurrentText(dictionary.GetAliasName(text));
    }

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(frDialogButtons(this));
    for (QRadioButton *b : {m_none, m_dataSet, m_virtual, m_rows})
        if (b)
            connect(b, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    // Choosing or typing a name means "a data set".
    connect(m_dataSetName, &QComboBox::currentTextChanged, this, [this] { m_dataSet->setChecked(true); });
    connect(m_count, &QSpinBox::valueChanged, this, [this] { m_virtual->setChecked(true); });
    updateEnabled();
}

void TfrBandDataSourceDialog::updateEnabled()
{
    if (m_rowTable)
        m_rowTable->setEnabled(m_rows->isChecked());
}

QString TfrBandDataSourceDialog::SourceText() const
{
    TfrDataDictionary &dictionary = m_doc.Report().Dictionary();
    if (m_none->isChecked())
        return QString();
    if (m_virtual->isChecked())
        return QString::number(m_count->value());
    if (m_rows && m_rows->isChecked()) {
        QString text;
        for (int r = 0; r < m_rowTable->rowCount(); ++r) {
            const QString dataSet = static_cast<QComboBox *>(m_rowTable->cellWidget(r, 1))->currentText().trimmed();
            if (!dataSet.isEmpty())
                text += m_rowTable->item(r, 0)->text() + QLatin1Char('=') +
                        (startsWithCount(dataSet) ? dataSet : dictionary.GetRealDataSourceName(dataSet)) +
                        QLatin1Char(';');
        }
        return text;
    }
    return dictionary.GetRealDataSourceName(m_dataSetName->currentText().trimmed());
}

QString TfrBandDataSourceDialog::Check() const
{
    if (m_dataSet->isChecked())
        return checkDataSetName(m_dataSetName->currentText().trimmed());
    if (m_rows && m_rows->isChecked()) {
        bool any = false;
        for (int r = 0; r < m_rowTable->rowCount(); ++r) {
            const QString dataSet = static_cast<QComboBox *>(m_rowTable->cellWidget(r, 1))->currentText().trimmed();
            if (dataSet.isEmpty())
                continue;
            any = true;
            // A row may also run over a number of records.
            if (startsWithCount(dataSet) && dataSet.toInt() > 0)
                continue;
            const QString why = checkDataSetName(dataSet);
            if (!why.isEmpty())
                return QStringLiteral("%1: %2").arg(m_rowTable->item(r, 0)->text(), why);
        }
        if (!any)
            return QStringLiteral("Укажите набор данных хотя бы для одной строки.");
    }
    return QString();
}

void TfrBandDataSourceDialog::accept()
{
    const QString why = Check();
    if (!why.isEmpty()) {
        frMessageBox(why, windowTitle(), kFrMbIconWarning);
        return;
    }
    QDialog::accept();
}

bool TfrBandDataSourceDialog::Apply(TfrDesignerDocument &doc, TfrView &band) const
{
    const QString text = SourceText();
    if (text == m_start)
        return false;
    return frCommitStep(doc, QStringLiteral("Источник данных"),
                        [&] { doc.Report().SetProperty(band, QStringLiteral("DataSource"), TfrVariant(text)); });
}

bool frEditBandDataSource(QWidget *parent, TfrDesignerDocument &doc, const QString &bandName)
{
    TfrView *band = doc.Report().FindObject(bandName);
    if (!band || band->Typ != otBand)
        return false;
    const int type = int(band->FrameTyp);
    if (!isDataBand(type) && type != btCrossData)
        return false;
    TfrBandDataSourceDialog dialog(doc, *band, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The dialog ran modally: find the band again in case the template was replaced.
    band = doc.Report().FindObject(bandName);
    return band && dialog.Apply(doc, *band);
}

// ---- picture ---------------------------------------------------------------------------

namespace {

const char *const kBlobNames[4] = {"BMP (btBMP)", "JPEG (btJPG)", "Значок ICO (btICO)", "Метафайл WMF (btWMF)"};

bool looksLikeMetafile(const QByteArray &d)
{
    if (d.size() >= 44 && qFromLittleEndian<quint32>(d.constData()) == 1 && d.mid(40, 4) == " EMF")
        return true;
    if (d.size() >= 22 && qFromLittleEndian<quint32>(d.constData()) == 0x9AC6CDD7u)
        return true;
    if (d.size() >= 18) {
        const quint16 type = qFromLittleEndian<quint16>(d.constData());
        const quint16 headerWords = qFromLittleEndian<quint16>(d.constData() + 2);
        return (type == 1 || type == 2) && headerWords == 9;
    }
    return false;
}

QString kindName(TfrPictureKind kind)
{
    switch (kind) {
    case pkBitmap: return QStringLiteral("BMP");
    case pkMetafile: return QStringLiteral("метафайл");
    case pkIcon: return QStringLiteral("значок");
    case pkJPEG: return QStringLiteral("JPEG");
    default: return QString();
    }
}

} // namespace

TfrPictureDialog::TfrPictureDialog(const TfrPictureView &view, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PictureEditor"));
    setWindowTitle(QStringLiteral("Рисунок: %1").arg(view.Name));
    m_picture = view.Picture;
    m_startStretched = (view.Flags & flStretched) != 0;
    m_startCenter = (view.Flags & flPictCenter) != 0;
    m_startAspect = (view.Flags & flPictRatio) != 0;
    m_startBlob = view.BlobType;

    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setFixedSize(360, 260);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_preview->setStyleSheet(QStringLiteral("background: white"));
    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("picture_info"));

    auto *load = new QPushButton(QStringLiteral("Загрузить…"), this);
    load->setObjectName(QStringLiteral("load"));
    auto *clear = new QPushButton(QStringLiteral("Очистить"), this);
    clear->setObjectName(QStringLiteral("clear"));
    connect(load, &QPushButton::clicked, this, [this] { LoadFromFile(); });
    connect(clear, &QPushButton::clicked, this, [this] { Clear(); });

    auto *options = new QGroupBox(QStringLiteral("Параметры"), this);
    m_stretched = new QCheckBox(QStringLiteral("Растягивать по размеру объекта"), options);
    m_stretched->setObjectName(QStringLiteral("stretched"));
    m_stretched->setChecked(m_startStretched);
    m_aspect = new QCheckBox(QStringLiteral("Сохранять пропорции"), options);
    m_aspect->setObjectName(QStringLiteral("keep_aspect"));
    m_aspect->setChecked(m_startAspect);
    m_center = new QCheckBox(QStringLiteral("По центру"), options);
    m_center->setObjectName(QStringLiteral("center"));
    m_center->setChecked(m_startCenter);
    m_blobType = new QComboBox(options);
    m_blobType->setObjectName(QStringLiteral("blob_type"));
    for (const char *name : kBlobNames)
        m_blobType->addItem(QString::fromUtf8(name));
    m_blobType->setCurrentIndex(std::clamp(m_startBlob, 0, 3));
    auto *optionsForm = new QFormLayout(options);
    optionsForm->addRow(m_stretched);
    optionsForm->addRow(m_aspect);
    optionsForm->addRow(m_center);
    optionsForm->addRow(new QLabel(QStringLiteral("Рисунок из поля базы данных:"), options));
    optionsForm->addRow(m_blobType);

    auto *sideWidget = new QWidget(this);
    sideWidget->setMaximumWidth(380);
    auto *side = new QVBoxLayout(sideWidget);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(load);
    side->addWidget(clear);
    side->addWidget(options);
    side->addStretch();
    auto *top = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(m_preview);
    left->addWidget(m_info);
    top->addLayout(left);
    top->addWidget(sideWidget);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(frDialogButtons(this));
    showPicture();
}

void TfrPictureDialog::showPicture()
{
    if (m_picture.isEmpty()) {
        m_preview->setPixmap(QPixmap());
        m_preview->setText(QStringLiteral("Нет рисунка"));
        m_info->setText(QString());
        return;
    }
    if (m_picture.image().isNull()) {
        m_preview->setPixmap(QPixmap());
        m_preview->setText(QStringLiteral("Метафайл (в дизайнере не показывается)"));
    } else {
        const QImage shown = m_picture.image().width() > m_preview->width() - 8 ||
                                     m_picture.image().height() > m_preview->height() - 8
                                 ? m_picture.image().scaled(m_preview->size() - QSize(8, 8), Qt::KeepAspectRatio,
                                                            Qt::SmoothTransformation)
                                 : m_picture.image();
        m_preview->setPixmap(QPixmap::fromImage(shown));
    }
    m_info->setText(QStringLiteral("%1, %2 × %3 пикс.").arg(kindName(m_picture.kind())).arg(m_picture.width()).arg(m_picture.height()));
}

bool TfrPictureDialog::LoadFile(const QString &fileName, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Не удалось открыть файл «%1»: %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    const QString notPicture = QStringLiteral("Файл «%1» не является рисунком. Можно загрузить BMP, JPEG, PNG, GIF, "
                                              "значок ICO или метафайл WMF/EMF.")
                                   .arg(QFileInfo(fileName).fileName());
    TfrPicture picture;
    try {
        if (looksLikeMetafile(bytes)) {
            picture.loadFromData(pkMetafile, bytes);
        } else {
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            const QByteArray format = reader.format().toLower();
            const QImage image = reader.read();
            if (image.isNull())
                return fail(notPicture);
            // The kinds the template stores keep their own bytes; others become bitmaps.
            if (format == "bmp")
                picture.loadFromData(pkBitmap, bytes);
            else if (format == "jpeg" || format == "jpg")
                picture.loadFromData(pkJPEG, bytes);
            else if (format == "ico")
                picture.loadFromData(pkIcon, bytes);
            else
                picture.setImage(pkBitmap, image.hasAlphaChannel()
                                                ? image.convertToFormat(QImage::Format_ARGB32)
                                                : image.convertToFormat(QImage::Format_RGB888));
        }
    } catch (const EfrError &e) {
        return fail(notPicture + QLatin1Char('\n') + e.message());
    }
    if (picture.isEmpty())
        return fail(notPicture);
    m_picture = picture;
    m_pictureChanged = true;
    showPicture();
    return true;
}

void TfrPictureDialog::LoadFromFile()
{
    if (!frDesignerDialogs().openFileName)
        return;
    const QString fileName = frDesignerDialogs().openFileName(
        this, QStringLiteral("Загрузить рисунок"),
        QStringLiteral("Рисунки (*.bmp *.jpg *.jpeg *.png *.gif *.ico *.wmf *.emf);;Все файлы (*)"));
    if (fileName.isEmpty())
        return;
    QString why;
    if (!LoadFile(fileName, &why))
        frMessageBox(why, windowTitle(), kFrMbIconError);
}

void TfrPictureDialog::Clear()
{
    if (m_picture.isEmpty())
        return;
    m_picture.clear();
    m_pictureChanged = true;
    showPicture();
}

bool TfrPictureDialog::Apply(TfrDesignerDocument &doc, TfrPictureView &view) const
{
    TfrReport &report = doc.Report();
    return frCommitStep(doc, QStringLiteral("Рисунок"), [&] {
        if (m_pictureChanged) {
            view.Picture = m_picture;
            TfrChange change;
            change.kind = frcProperty;
            change.page = report.PageOf(view);
            change.object = &view;
            change.objectNumber = view.objectNumber;
            change.property = QStringLiteral("Picture");
            report.NotifyChange(change);
        }
        if (m_stretched->isChecked() != m_startStretched)
            report.SetProperty(view, QStringLiteral("Stretched"), TfrVariant(m_stretched->isChecked()));
        if (m_aspect->isChecked() != m_startAspect)
            report.SetProperty(view, QStringLiteral("KeepAspect"), TfrVariant(m_aspect->isChecked()));
        if (m_center->isChecked() != m_startCenter)
            report.SetProperty(view, QStringLiteral("Center"), TfrVariant(m_center->isChecked()));
        if (m_blobType->currentIndex() != m_startBlob)
            report.SetProperty(view, QStringLiteral("BlobType"), TfrVariant(m_blobType->currentIndex()));
    });
}

bool frEditPicture(QWidget *parent, TfrDesignerDocument &doc, const QString &objectName)
{
    auto *view = dynamic_cast<TfrPictureView *>(doc.Report().FindObject(objectName));
    if (!view)
        return false;
    TfrPictureDialog dialog(*view, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    view = dynamic_cast<TfrPictureView *>(doc.Report().FindObject(objectName));
    return view && dialog.Apply(doc, *view);
}
