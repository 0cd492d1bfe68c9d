// The picture object: an image stretched, centred and aspect-kept into its frame, or
// loaded per record from a database field named by its first memo line.
#pragma once

#include "report/model/picture.h"
#include "report/model/view.h"

// Picture Flags (bit 0 is the view's "Stretched": scale to the frame).
inline constexpr quint16 flPictCenter = 2;
inline constexpr quint16 flPictRatio = 4;

// How a database field's bytes are decoded (BlobType).
enum TfrBlobType : quint8 { btBMP = 0, btJPG = 1, btICO = 2, btWMF = 3 };

class TfrPictureView : public TfrView {
public:
    TfrPictureView();
    QString ClassName() const override { return QStringLiteral("TfrPictureView"); }

    TfrPicture Picture;
    quint8 BlobType = btBMP;

    void DefineProperties() override;
    // The view's entries, then centring and keeping the aspect ratio.
    void DefinePopupMenu(std::vector<TfrPopupEntry> &Menu) override;
    void SetPropValue(const QString &Name, const TfrVariant &Value) override;
    TfrVariant GetPropValue(const QString &Name) override;
    TfrVariant DoMethod(const QString &MethodName, const TfrVariant &p1, const TfrVariant &p2,
                        const TfrVariant &p3) override;

    void Draw(QPainter *canvas) override;
    void GetBlob(const TfrCursorField &Field) override;
    void LoadFromStream(TfrStream &Stream) override;
    void SaveToStream(TfrStream &Stream) override;

    // Where the image lands inside innerRect (after CalcGaps).
    QRect ImageTarget() const;
};
