#include "report/designer/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

#include "report/designer/dialog_buttons.h"

TfrDesignerSettingsDialog::TfrDesignerSettingsDialog(const TfrDesignerOptions &settings, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DesignerSettings"));
    setWindowTitle(QStringLiteral("Настройки"));
    auto *form = new QFormLayout;
    m_grid = new QSpinBox(this);
    m_grid->setObjectName(QStringLiteral("grid_size"));
    m_grid->setRange(1, 100);
    m_grid->setSuffix(QStringLiteral(" пикс."));
    m_grid->setValue(settings.gridSize);
    form->addRow(QStringLiteral("Шаг сетки:"), m_grid);
    m_showGrid = new QCheckBox(QStringLiteral("Показывать сетку"), this);
    m_showGrid->setObjectName(QStringLiteral("show_grid"));
    m_showGrid->setChecked(settings.showGrid);
    form->addRow(m_showGrid);
    m_alignToGrid = new QCheckBox(QStringLiteral("Выравнивать по сетке"), this);
    m_alignToGrid->setObjectName(QStringLiteral("align_to_grid"));
    m_alignToGrid->setChecked(settings.alignToGrid);
    form->addRow(m_alignToGrid);
    m_guides = new QCheckBox(QStringLiteral("Направляющие при перемещении"), this);
    m_guides->setObjectName(QStringLiteral("show_guides"));
    m_guides->setChecked(settings.showGuides);
    form->addRow(m_guides);
    m_units = new QComboBox(this);
    m_units->setObjectName(QStringLiteral("units"));
    m_units->addItems({QStringLiteral("Миллиметры"), QStringLiteral("Сантиметры"), QStringLiteral("Дюймы"),
                       QStringLiteral("Пиксели")});
    m_units->setCurrentIndex(std::clamp(settings.units, 0, 3));
    form->addRow(QStringLiteral("Единицы:"), m_units);

    auto *buttons = frDialogButtons(this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TfrDesignerOptions TfrDesignerSettingsDialog::Settings() const
{
    return {m_grid->value(), m_showGrid->isChecked(), m_alignToGrid->isChecked(), m_guides->isChecked(),
            m_units->currentIndex()};
}
