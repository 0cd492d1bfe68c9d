#include "report/ui/progress_form.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "report/engine/prepare.h"
#include "report/eval/strings.h"
#include "report/model/report.h"

TfrProgressForm::TfrProgressForm(QWidget *parent) : QDialog(parent)
{
    setFixedSize(278, 106);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("1"), this);
    Label1->setAlignment(Qt::AlignCenter);
    Label2 = new QLabel(this);
    Label2->setAlignment(Qt::AlignCenter);
    Button1 = new QPushButton(frLoadStr(55001), this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    connect(Button1, &QPushButton::clicked, this, &TfrProgressForm::cancel);
}

void TfrProgressForm::cancel()
{
    if (Report)
        Report->Terminated = true;
    done(2);
}

int TfrProgressForm::Show_Modal(TfrReport &report)
{
    Button1->setText(frLoadStr(55001));
    Report = &report;
    Label2->clear();
    // The work starts once the modal loop runs, as a queued call on this window.
    QTimer::singleShot(0, this, [this] {
        // A window cancelled before the call arrived runs nothing.
        if (OnBefore && isVisible())
            OnBefore();
    });
    const int result = exec();
    Report = nullptr;
    return result;
}

TfrProgressForm &frProgressForm()
{
    static std::unique_ptr<TfrProgressForm> form;
    if (!form)
        form = std::make_unique<TfrProgressForm>();
    return *form;
}

void frInstallProgressForm()
{
    TfrProgressUi &ui = frProgressUi();
    ui.showModal = [](TfrReport &report, const QString &caption, const QString &line,
                      const std::function<void()> &work) {
        TfrProgressForm &f = frProgressForm();
        f.setWindowTitle(caption);
        f.Label1->setText(line);
        f.OnBefore = work;
        return f.Show_Modal(report);
    };
    ui.setLine = [](const QString &line) { frProgressForm().Label1->setText(line); };
    ui.setModalResult = [](int result) {
        if (frProgressForm().isVisible())
            frProgressForm().done(result);
    };
    ui.setMessage = [](const QString &text) { frProgressForm().Label2->setText(text); };
    ui.isVisible = [] { return frProgressForm().isVisible(); };
    ui.setVisible = [](bool visible) { frProgressForm().setVisible(visible); };
    ui.processMessages = [] { QCoreApplication::processEvents(); };
}
