#pragma once
#include <QDialog>

#include "settings/TMorvaneSettings.h"

class QLabel;
class QTableWidget;

// The settings window: the two key/value grids of a TMorvaneSettings, read-only, and the note on
// the settings file.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(TMorvaneSettings& settings, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    // Copies the grids of the logic into the tables.
    void Refresh();
    TMorvaneSettings& Settings() const { return settings_; }
    QTableWidget* GUISettingsGrid() const { return guiGrid_; }
    QTableWidget* CustomSettingsGrid() const { return customGrid_; }

private:
    TMorvaneSettings& settings_;
    QTableWidget* guiGrid_;
    QTableWidget* customGrid_;
    QLabel* note_;
};
