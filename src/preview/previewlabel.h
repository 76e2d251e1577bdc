#pragma once

#include <QLabel>
#include <QPixmap>

// The label that shows one dropped picture in the "Preview" pane. At scale 1
// it is a plain label the size of its picture. At another scale it is sized to
// the scaled picture and paints it: enlarged (by whole numbers) pixel for
// pixel, only the part exposed, so that no enlarged copy is kept; reduced
// smoothly, from a copy made once per scale.
class PreviewLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PreviewLabel(const QImage &image, QWidget *parent = nullptr);

    double scale() const { return factor; }
    // Resizes the label to the picture at `scale`: 1 is the picture's own size.
    void setScale(double scale);
    QSize pictureSize() const { return picture.size(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture;
    double factor = 1;
    QPixmap reduced; // `picture` at `factor`, when that is below 1
};

// The picture's size at `scale`, rounded down (a fitted picture never needs a
// scroll bar), at least 1 x 1 for a picture that has pixels.
QSize scaledPictureSize(const QSize &size, double scale);
