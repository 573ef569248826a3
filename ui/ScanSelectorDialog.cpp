#include "ui/ScanSelectorDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace morvane {

ScanSelectorDialog::ScanSelectorDialog(TScanSelector& selector, QWidget* parent)
    : QDialog(parent)
    , selector_(selector)
    , list_(new QListWidget(this))
    , start_(new QSpinBox(this))
    , step_(new QSpinBox(this))
    , end_(new QSpinBox(this))
{
    setWindowTitle(QString::fromStdString(selector.Caption));
    list_->setFlow(QListView::TopToBottom);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    auto* form = new QFormLayout;
    form->addRow(tr("Start with"), start_);
    form->addRow(tr("Step"), step_);
    form->addRow(tr("End with"), end_);
    auto* side = new QVBoxLayout;
    side->addLayout(form);
    // Which handler a button calls. (A pointer to a member function kept in a slot trips the
    // address sanitizer's stack checks in this toolchain; a plain value does not.)
    enum class Action { SelectAll, UnselectAll, Automatic, OK, Cancel };
    const struct {
        const char* text;
        Action action;
    } buttons[] = {
        { "Select All", Action::SelectAll },
        { "Unselect All", Action::UnselectAll },
        { "Reset Automatic", Action::Automatic },
        { "OK", Action::OK },
        { "Cancel", Action::Cancel },
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(tr(b.text), this);
        // Enter belongs to the field the user typed into: no button of the dialog is its default,
        // or the first ("Select All") would take the key and undo the pattern just applied.
        button->setAutoDefault(false);
        side->addWidget(button);
        const Action action = b.action;
        connect(button, &QPushButton::clicked, this, [this, action] {
            if (action == Action::Cancel) {
                reject();
                return;
            }
            ReadTicks();
            switch (action) {
            case Action::SelectAll:
                selector_.ButtonSelectAllClick();
                break;
            case Action::UnselectAll:
                selector_.ButtonUnselectAllClick();
                break;
            case Action::Automatic:
                selector_.ButtonAutomaticClick();
                break;
            case Action::OK:
                selector_.ButtonOKClick();
                break;
            case Action::Cancel:
                break;
            }
            Refresh();
            if (action == Action::OK)
                done(Accepted);
        });
    }
    side->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(list_, 1);

    // The up-downs in the order start, step, end.
    QSpinBox* const spins[] = { start_, step_, end_ };
    for (int which = 0; which < 3; ++which) {
        connect(spins[which], &QSpinBox::valueChanged, this, [this, which](int v) {
            if (refreshing_)
                return;
            if (which == 0)
                selector_.UpDownStartClick(v);
            else if (which == 1)
                selector_.UpDownStepClick(v);
            else
                selector_.UpDownEndClick(v);
            Refresh();
        });
    }
    resize(640, 420);
    Refresh();
}

void ScanSelectorDialog::reject()
{
    // Leaving without Cancel's bookkeeping would keep an old offered count that the view's next
    // redraw of the user's choice would use.
    selector_.ButtonCancelClick();
    Refresh();
    QDialog::reject();
}

void ScanSelectorDialog::ReadTicks()
{
    for (int i = 0; i < list_->count() && i < static_cast<int>(selector_.CheckListBox1Checked.size()); ++i)
        selector_.CheckListBox1Checked[static_cast<size_t>(i)] = list_->item(i)->checkState() == Qt::Checked;
}

void ScanSelectorDialog::Refresh()
{
    refreshing_ = true;
    if (list_->count() != static_cast<int>(selector_.CheckListBox1Items.size())) {
        list_->clear();
        for (const std::string& text : selector_.CheckListBox1Items) {
            auto* item = new QListWidgetItem(QString::fromStdString(text), list_);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        }
    }
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setCheckState(
            selector_.CheckListBox1Checked[static_cast<size_t>(i)] ? Qt::Checked : Qt::Unchecked);
    const struct {
        QSpinBox* box;
        const UpDownControl& upDown;
    } spins[] = { { start_, selector_.UpDownStart }, { step_, selector_.UpDownStep }, { end_, selector_.UpDownEnd } };
    for (const auto& s : spins) {
        s.box->setRange(s.upDown.Min, s.upDown.Max);
        s.box->setValue(s.upDown.Position);
    }
    refreshing_ = false;
}

} // namespace morvane
