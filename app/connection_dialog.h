// Builds a journal database connection string: provider, a database file or a server,
// and a button that tries the connection before the operator confirms.
#pragma once

#include <QDialog>

#include "app/connection_string.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QStackedWidget;

class TConnectionDialog : public QDialog {
    Q_OBJECT
public:
    // Starts from the given string; an empty one gives a blank dialog.
    explicit TConnectionDialog(const QString &connectString, QWidget *parent = nullptr);

    // The string the fields describe. Keys the dialog does not edit are kept as they were.
    QString connectionString() const;

    void ProviderChange(int index);
    void BBrowseFileClick();
    // Opens and closes a connection with the current fields and says whether it worked.
    void BTestConnectionClick();

private:
    TfrConnectString m_initial;
    QComboBox *m_provider = nullptr;
    QStackedWidget *m_pages = nullptr;
    QLineEdit *m_file = nullptr;
    QLineEdit *m_host = nullptr;
    QSpinBox *m_port = nullptr;
    QLineEdit *m_database = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
};
