#include "report/ui/preview_search.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTransform>
#include <QVBoxLayout>

#include "report/engine/prepared_pages.h"
#include "report/eval/strings.h"
#include "report/model/recording_device.h"

TfrPreviewSearchForm::TfrPreviewSearchForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frPreviewSearchForm"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    auto *layout = new QVBoxLayout(this);

    Label1 = new QLabel(this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label1->setBuddy(Edit1);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);

    auto *groups = new QHBoxLayout;
    GroupBox1 = new QGroupBox(this);
    auto *options = new QVBoxLayout(GroupBox1);
    CB1 = new QCheckBox(GroupBox1);
    CB1->setObjectName(QStringLiteral("CB1"));
    options->addWidget(CB1);
    options->addStretch();
    GroupBox2 = new QGroupBox(this);
    auto *origin = new QVBoxLayout(GroupBox2);
    RB1 = new QRadioButton(GroupBox2);
    RB1->setObjectName(QStringLiteral("RB1"));
    RB2 = new QRadioButton(GroupBox2);
    RB2->setObjectName(QStringLiteral("RB2"));
    RB1->setChecked(true);
    origin->addWidget(RB1);
    origin->addWidget(RB2);
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    layout->addLayout(groups);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    Button1 = new QPushButton(this);
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, [this] { done(1); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(2); });

    Localize();
    Edit1->setFocus();
}

void TfrPreviewSearchForm::Localize()
{
    setWindowTitle(frLoadStr(53000));
    Label1->setText(frLoadStr(53001));
    GroupBox1->setTitle(frLoadStr(53002));
    CB1->setText(frLoadStr(53003));
    GroupBox2->setTitle(frLoadStr(53004));
    RB1->setText(frLoadStr(53005));
    RB2->setText(frLoadStr(53006));
    Button1->setText(frLoadStr(55000));
    Button2->setText(frLoadStr(55001));
}

namespace {

// The box a recorded run covers: from the baseline up by the ascent and down by the
// descent, turned with the text.
QRectF runBounds(const TfrRecordedText &t)
{
    const QFontMetricsF m(t.font);
    const QRectF upright(0, -m.ascent(), t.width, m.ascent() + m.descent());
    QTransform turn;
    turn.translate(t.origin.x(), t.origin.y());
    turn.rotate(-t.rotation);
    return turn.mapRect(upright);
}

} // namespace

std::vector<TfrTextRun> frPageTextRuns(TfrEMFPages &pages, int index, const QRect &target, QSize deviceSize)
{
    TfrRecordingDevice device(deviceSize.expandedTo(QSize(1, 1)));
    {
        QPainter painter(&device);
        TfrPageInfo &info = pages[index];
        const bool kept = info.keepUnpacked;
        info.keepUnpacked = true;
        pages.Draw(index, &painter, target);
        info.keepUnpacked = kept;
    }
    std::vector<TfrTextRun> runs;
    runs.reserve(device.texts.size());
    for (const TfrRecordedText &t : device.texts)
        runs.push_back({t.text, runBounds(t)});
    return runs;
}

int frFindTextRun(const std::vector<TfrTextRun> &runs, int from, const QString &text, bool caseSensitive)
{
    if (text.isEmpty())
        return -1;
    for (int i = std::max(from, 0); i < int(runs.size()); ++i) {
        const QString &run = runs[size_t(i)].text;
        if ((caseSensitive ? run : run.toUpper()).contains(text))
            return i;
    }
    return -1;
}
