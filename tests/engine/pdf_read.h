// PDF files read back with poppler-utils (pdfinfo, pdftotext), as a user's reader sees them.
// A missing tool fails the test: the suite needs poppler-utils.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

namespace pdf_read {

// Standard output of a poppler tool; a failure is a test failure.
inline QByteArray poppler(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed (is poppler-utils installed?): "
                      << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

inline int pdfPageCount(const QString &file)
{
    const QString info = QString::fromUtf8(poppler(QStringLiteral("pdfinfo"), {file}));
    const auto m = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
                       .match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Width and height in points of every page.
inline std::vector<QSizeF> pdfPageSizes(const QString &file)
{
    const int count = pdfPageCount(file);
    std::vector<QSizeF> sizes;
    if (count <= 0)
        return sizes;
    const QString info = QString::fromUtf8(poppler(
        QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                    QString::number(count), file}));
    static const QRegularExpression line(QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(info); it.hasNext();) {
        const auto m = it.next();
        sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

inline QString pdfText(const QString &file, int pageNo)
{
    return QString::fromUtf8(poppler(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-f"), QString::number(pageNo), QStringLiteral("-l"),
                                      QString::number(pageNo), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                      file, QStringLiteral("-")}));
}

struct Word {
    QString text;
    QRectF box; // points from the page's top-left corner
};

inline std::vector<Word> pdfWords(const QString &file, int pageNo)
{
    const QString html = QString::fromUtf8(poppler(
        QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(pageNo),
                                      QStringLiteral("-l"), QString::number(pageNo), file, QStringLiteral("-")}));
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    std::vector<Word> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return words;
}

} // namespace pdf_read
