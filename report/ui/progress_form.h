// The progress window of long report operations (preparation, printing, export): a small
// dialog with the progress line and a cancel button. The work runs inside its modal loop,
// started by a queued call once the window shows; cancel sets the report's Terminated.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class TfrReport;

class TfrProgressForm : public QDialog {
public:
    explicit TfrProgressForm(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;      // the progress line
    QLabel *Label2 = nullptr;      // messages of scripts (PROGRESS)
    QPushButton *Button1 = nullptr; // "Отмена"
    QString FirstCaption;          // first part of the progress line
    TfrReport *Report = nullptr;   // not owned
    std::function<void()> OnBefore; // the work run inside the modal loop

    int Show_Modal(TfrReport &report);

private:
    void cancel();
};

// The process-wide window, made on first use.
TfrProgressForm &frProgressForm();
// Points the engine's progress hook at frProgressForm.
void frInstallProgressForm();
