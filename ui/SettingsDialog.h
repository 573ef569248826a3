#pragma once
#include <QDialog>

#include "settingswindow/TMorvaneSettings.h"
#include "ui/QtWindowHost.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace morvane {

// The settings window: the three key/value grids of a TMorvaneSettings, whose values can be edited,
// the note on the settings file, and "Defaults", "Save" and "Cancel".
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // standIn: answers the messages instead of real message boxes (tests).
    explicit SettingsDialog(TMorvaneSettings& settings, QWidget* parent = nullptr, WindowHost* standIn = nullptr);
    ~SettingsDialog() override;

    // Copies the grids of the logic into the tables.
    void Refresh();
    TMorvaneSettings& Settings() const { return settings_; }
    QTableWidget* GUISettingsGrid() const { return guiGrid_; }
    QTableWidget* CustomSettingsGrid() const { return customGrid_; }
    QTableWidget* SpeciesSettingsGrid() const { return speciesGrid_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* DefaultsButton() const { return defaults_; }

protected:
    // The window's messages (a refused value, a file that cannot be written) belong to it, not to
    // the window that opened it.
    void showEvent(QShowEvent* event) override;

private:
    // Copies the values typed into the tables back into the grids of the logic.
    void TakeEdits();

    TMorvaneSettings& settings_;
    QtWindowHost host_;
    QTableWidget* guiGrid_;
    QTableWidget* customGrid_;
    QTableWidget* speciesGrid_;
    QLabel* note_;
    QPushButton* save_ = nullptr;
    QPushButton* defaults_ = nullptr;
};

} // namespace morvane
