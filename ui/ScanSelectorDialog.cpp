#include "ui/ScanSelectorDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

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
    const struct {
        const char* text;
        void (TScanSelector::*handler)();
        bool closes;
    } buttons[] = {
        { "Select All", &TScanSelector::ButtonSelectAllClick, false },
        { "Unselect All", &TScanSelector::ButtonUnselectAllClick, false },
        { "Reset Automatic", &TScanSelector::ButtonAutomaticClick, false },
        { "OK", &TScanSelector::ButtonOKClick, true },
        { "Cancel", &TScanSelector::ButtonCancelClick, true },
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(tr(b.text), this);
        side->addWidget(button);
        const auto handler = b.handler;
        const bool closes = b.closes;
        connect(button, &QPushButton::clicked, this, [this, handler, closes] {
            ReadTicks();
            (selector_.*handler)();
            Refresh();
            if (closes)
                done(handler == &TScanSelector::ButtonOKClick ? Accepted : Rejected);
        });
    }
    side->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(list_, 1);

    const struct {
        QSpinBox* box;
        void (TScanSelector::*click)(int32_t);
    } spins[] = { { start_, &TScanSelector::UpDownStartClick }, { step_, &TScanSelector::UpDownStepClick },
        { end_, &TScanSelector::UpDownEndClick } };
    for (const auto& s : spins) {
        const auto click = s.click;
        connect(s.box, &QSpinBox::valueChanged, this, [this, click](int v) {
            if (refreshing_)
                return;
            (selector_.*click)(v);
            Refresh();
        });
    }
    resize(640, 420);
    Refresh();
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
        list_->item(i)->setCheckState(selector_.CheckListBox1Checked[static_cast<size_t>(i)] ? Qt::Checked : Qt::Unchecked);
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
