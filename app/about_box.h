// "О программе": product, version from the build, contact and author.
#pragma once

#include <QDialog>

class QLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *owner = nullptr);

    static QString productName();
    // "Версия программы 1.0.0" from the version compiled into the program.
    static QString versionLine();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void ContactLinkClick();
};
