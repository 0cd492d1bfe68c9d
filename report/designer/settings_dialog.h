// "Сервис → Настройки…": the grid, snapping, guides and the units of the status bar.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

struct TfrDesignerOptions {
    int gridSize = 4;       // design pixels
    bool showGrid = true;
    bool alignToGrid = true;
    bool showGuides = true;
    int units = 0;          // mm, cm, inches, design pixels
};

class TfrDesignerSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrDesignerSettingsDialog(const TfrDesignerOptions &settings, QWidget *parent = nullptr);
    TfrDesignerOptions Settings() const;

private:
    QSpinBox *m_grid;
    QCheckBox *m_showGrid, *m_alignToGrid, *m_guides;
    QComboBox *m_units;
};
