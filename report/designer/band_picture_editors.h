// The data source of a data band or a cross band, and a picture object's picture and
// options. The dialogs only read the object; Apply changes it as one step of the document.
#pragma once

#include <QDialog>
#include <QImage>

#include "report/model/picture.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class TfrDesignerDocument;
class TfrPictureView;
class TfrView;

// The data set names a band can be given: the report's band data sources (by their names
// in the dictionary) and the report's data sets, sorted.
QStringList frBandDataSetNames(TfrDesignerDocument &doc);

class TfrBandDataSourceDialog : public QDialog {
    Q_OBJECT
public:
    // band: a data band (master, detail, subdetail) or a cross data band of doc's page.
    TfrBandDataSourceDialog(TfrDesignerDocument &doc, const TfrView &band, QWidget *parent = nullptr);

    // The data source text the band gets: a data set's name, a record count, a list of
    // "Band=DataSet;" entries (cross bands), or empty.
    QString SourceText() const;
    // Empty when the choice makes a data source, else why not.
    QString Check() const;
    bool Apply(TfrDesignerDocument &doc, TfrView &band) const;

    void accept() override;

private:
    void updateEnabled();

    TfrDesignerDocument &m_doc;
    QString m_start;
    bool m_cross = false;
    QRadioButton *m_none, *m_dataSet, *m_virtual, *m_rows = nullptr;
    QComboBox *m_dataSetName;
    QSpinBox *m_count;
    QTableWidget *m_rowTable = nullptr;
};

class TfrPictureDialog : public QDialog {
    Q_OBJECT
public:
    TfrPictureDialog(const TfrPictureView &view, QWidget *parent = nullptr);

    // Asks for a file (frDesignerDialogs().openFileName) and takes its picture; a file
    // that is not a picture is refused with a message and nothing changes.
    void LoadFromFile();
    // Takes the picture of that file; false and why when it is not one.
    bool LoadFile(const QString &fileName, QString *error);
    void Clear();
    const TfrPicture &Picture() const { return m_picture; }
    bool Apply(TfrDesignerDocument &doc, TfrPictureView &view) const;

private:
    void showPicture();

    TfrPicture m_picture;
    bool m_pictureChanged = false;
    bool m_startStretched, m_startCenter, m_startAspect;
    int m_startBlob;
    QLabel *m_preview, *m_info;
    QCheckBox *m_stretched, *m_center, *m_aspect;
    QComboBox *m_blobType;
};
