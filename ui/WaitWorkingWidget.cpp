#include "ui/WaitWorkingWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace morvane {

WaitWorkingWidget::WaitWorkingWidget(TWaitWorking& logic, QWidget* parent)
    : QWidget(parent, Qt::Tool)
    , logic_(logic)
    , edit1_(new QLineEdit(this))
    , timer1_(new QTimer(this))
{
    setWindowTitle(QString::fromStdString(logic.Caption));
    edit1_->setReadOnly(true);
    edit1_->setMinimumWidth(260);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdString(logic.Label1), this));
    layout->addWidget(edit1_);
    connect(timer1_, &QTimer::timeout, this, [this] {
        logic_.Timer1Timer();
        hide();
    });
    if (logic.Timer1.Enabled)
        timer1_->start(logic.Timer1.Interval);
    Refresh(false);
}

void WaitWorkingWidget::Refresh(bool allowed)
{
    const QString text = QString::fromStdString(logic_.Edit1);
    if (edit1_->text() != text)
        edit1_->setText(text);
    setVisible(logic_.Visible && allowed);
}

QString WaitWorkingWidget::Text() const { return edit1_->text(); }

} // namespace morvane
