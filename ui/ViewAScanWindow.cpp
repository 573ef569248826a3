#include "ui/ViewAScanWindow.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"

namespace morvane {

ViewAScanWindow::ViewAScanWindow(TViewAScan& viewer, WindowHost* standIn, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , viewer_(viewer)
    , host_(this, standIn)
    , buttonNewFile_(new QPushButton(QString::fromStdString(viewer.ButtonNewFileCaption), this))
    , editFileName_(new QLineEdit(this))
    , button1_(new QPushButton(QString::fromStdString(viewer.Button1Caption), this))
    , chart_(new ChartView(&viewer.TransformChart, this))
    , editDisplayXY_(dataviewcontrols::ReadOnlyEdit(this, 180))
{
    viewer_.SetHost(&host_);
    buttonNewFile_->setToolTip(QString::fromStdString(viewer.ButtonNewFileHint));
    editFileName_->setReadOnly(true);
    connect(buttonNewFile_, &QPushButton::clicked, this, [this] {
        viewer_.ButtonNewFileClick();
        Refresh();
    });
    connect(button1_, &QPushButton::clicked, this, [this] {
        viewer_.Button1Click();
        Refresh();
    });
    auto* top = new QHBoxLayout;
    top->addWidget(buttonNewFile_);
    top->addWidget(editFileName_, 1);
    top->addWidget(button1_);
    auto* tools = dataviewcontrols::PointerTools(
        this, chart_, [this] { viewer_.SBZoomInClick(); }, [this] { viewer_.SBDisplayXYClick(); });
    tools->addWidget(editDisplayXY_);
    // A click on the curve reads out as one beside it.
    for (auto clicked : { &ChartView::backgroundClicked, &ChartView::seriesClicked }) {
        connect(chart_, clicked, this, [this](double x, double y) {
            viewer_.TransformChartClick(x, y);
            Refresh();
        });
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(tools);
    layout->addWidget(chart_, 1);
    resize(viewer.Width, viewer.Height);
    Refresh();
}

ViewAScanWindow::~ViewAScanWindow() { viewer_.SetHost(nullptr); }

void ViewAScanWindow::Refresh()
{
    setWindowTitle(QString::fromStdString(viewer_.Caption));
    const QString path = QString::fromStdString(viewer_.EditFileName);
    if (editFileName_->text() != path) {
        editFileName_->setText(path);
        editFileName_->setCursorPosition(0);
    }
    dataviewcontrols::SetText(editDisplayXY_, viewer_.EditDisplayXY);
    chart_->Refresh();
}

} // namespace morvane
