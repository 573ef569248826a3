#include "ui/RecomposeDialog.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/SedDataViewControls.h"

namespace morvane {

using dataviewcontrols::SetText;

RecomposeHost::RecomposeHost(RecomposeDialog& dialog, WindowHost* standIn)
    : QtWindowHost(&dialog, standIn)
    , dialog_(dialog)
{
}

void RecomposeHost::RepaintRecomposeTool(Trecompose& tool)
{
    (void)tool;
    if (sincePaint_.isValid() && sincePaint_.elapsed() < 100)
        return;
    dialog_.Refresh();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sincePaint_.start();
}

RecomposeDialog::RecomposeDialog(Trecompose& tool, QWidget* parent, WindowHost* standIn)
    : QDialog(parent)
    , tool_(tool)
    , host_(*this, standIn)
    , editDataDir_(new QLineEdit(this))
    , editParadigm_(new QLineEdit(this))
    , editOutput_(new QLineEdit(this))
    , editUpdate_(new QLineEdit(this))
    , buttonRecompose_(new QPushButton(tr("Recompose"), this))
{
    tool_.SetHost(&host_);
    setModal(true);
    auto* readParadigm = new QPushButton(tr("Read Paradigm"), this);
    auto* setOutput = new QPushButton(tr("Set Output Dir"), this);
    auto* close = new QPushButton(tr("Close"), this);
    for (QLineEdit* e : { editDataDir_, editParadigm_, editOutput_, editUpdate_ }) {
        e->setReadOnly(true);
        e->setMinimumWidth(380);
        dataviewcontrols::MayCut(e);
    }
    // Each button runs its handler, then shows what the tool now holds.
    connect(readParadigm, &QPushButton::clicked, this, [this] {
        tool_.ButtonReadParadigmClick();
        Refresh();
    });
    connect(setOutput, &QPushButton::clicked, this, [this] {
        tool_.ButtonSetOutputClick();
        Refresh();
    });
    connect(buttonRecompose_, &QPushButton::clicked, this, [this] {
        tool_.ButtonRecomposeClick();
        Refresh();
    });
    connect(close, &QPushButton::clicked, this, [this] {
        tool_.ButtonCloseClick();
        accept();
    });

    auto* grid = new QGridLayout;
    const struct {
        const char* label;
        QLineEdit* edit;
        QPushButton* button;
    } rows[] = {
        { "Data Directory", editDataDir_, nullptr },
        { "Paradigm file", editParadigm_, readParadigm },
        { "Output Directory", editOutput_, setOutput },
        { "Status", editUpdate_, nullptr },
    };
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(tr(rows[i].label), this), i, 0);
        grid->addWidget(rows[i].edit, i, 1);
        if (rows[i].button)
            grid->addWidget(rows[i].button, i, 2);
    }
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(buttonRecompose_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(620, 200);
    Refresh();
}

RecomposeDialog::~RecomposeDialog() { tool_.SetHost(nullptr); }

void RecomposeDialog::Refresh()
{
    setWindowTitle(QString::fromStdString(tool_.Caption));
    SetText(editDataDir_, tool_.EditDataDir);
    SetText(editParadigm_, tool_.EditParadigmFileName);
    SetText(editOutput_, tool_.EditOutput);
    SetText(editUpdate_, tool_.Editupdate);
    buttonRecompose_->setEnabled(tool_.ButtonRecomposeEnabled);
}

void RecomposeDialog::reject()
{
    tool_.ButtonCloseClick();
    QDialog::reject();
}

} // namespace morvane
