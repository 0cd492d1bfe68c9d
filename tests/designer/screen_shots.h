// Pictures of the designer for a person to look at: written to $FR_DESIGNER_SHOTS when it is
// set (under Xvfb at the operators' 1366x768), and a rough check that a grab is not blank.
#pragma once

#include <QDir>
#include <QImage>
#include <QSet>
#include <QString>
#include <gtest/gtest.h>

// Distinct colours of a picture (every step-th pixel): a blank grab has one or two.
inline int colourCount(const QImage &image, int step = 1)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += step)
        for (int x = 0; x < image.width(); x += step)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

inline QString shotsFolder() { return qEnvironmentVariable("FR_DESIGNER_SHOTS"); }

inline void keep(const QImage &image, const char *name)
{
    const QString folder = shotsFolder();
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    EXPECT_TRUE(image.save(QDir(folder).filePath(QString::fromLatin1(name)))) << name;
}
