#pragma once
#include <QDialog>

#include "windows/TScanSelector.h"

class QListWidget;
class QSpinBox;

namespace morvane {

// The scan selector's dialog: binds a TScanSelector's ticks, pattern and buttons.
class ScanSelectorDialog : public QDialog {
    Q_OBJECT
public:
    ScanSelectorDialog(TScanSelector& selector, QWidget* parent = nullptr);

    // Cancel, Esc and the close box alike: the selector's ButtonCancelClick, then close.
    void reject() override;

private:
    void Refresh();
    void ReadTicks();

    TScanSelector& selector_;
    QListWidget* list_;
    QSpinBox* start_;
    QSpinBox* step_;
    QSpinBox* end_;
    bool refreshing_ = false;
};

} // namespace morvane
