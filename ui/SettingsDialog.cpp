#include "ui/SettingsDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QTableWidget* Grid(QWidget* parent, const ValueListEditor& model)
{
    auto* grid = new QTableWidget(0, 2, parent);
    grid->setHorizontalHeaderLabels({ QObject::tr("Key"), QObject::tr("Value") });
    grid->verticalHeader()->setVisible(false);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setColumnWidth(0, model.KeyColumnWidth);
    grid->setColumnWidth(1, model.ValueColumnWidth);
    grid->setMinimumWidth(model.KeyColumnWidth + model.ValueColumnWidth + 24);
    return grid;
}

void Fill(QTableWidget* grid, const ValueListEditor& model)
{
    grid->setRowCount(static_cast<int>(model.Rows.size()));
    for (size_t i = 0; i < model.Rows.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* key = new QTableWidgetItem(QString::fromStdString(model.Rows[i].Key));
        key->setToolTip(key->text());
        grid->setItem(row, 0, key);
        auto* value = new QTableWidgetItem(QString::fromStdString(model.Rows[i].Value));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, 1, value);
    }
    grid->resizeRowsToContents();
    // The key column has the grid's width unless a key needs more in this font: no key is clipped.
    grid->resizeColumnToContents(0);
    grid->setColumnWidth(0, std::max(grid->columnWidth(0), model.KeyColumnWidth));
    grid->setMinimumWidth(grid->columnWidth(0) + model.ValueColumnWidth + 24);
}

QGroupBox* Box(const QString& title, QWidget* grid, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(grid);
    return box;
}

} // namespace

SettingsDialog::SettingsDialog(TMorvaneSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , guiGrid_(Grid(this, settings.ValueListGUISettings))
    , customGrid_(Grid(this, settings.ValueListCustomSettings))
    , note_(new QLabel(this))
{
    settings_.FormCreate(QCoreApplication::applicationFilePath().toStdString());
    setWindowTitle(QString::fromStdString(settings.Caption));
    note_->setWordWrap(true);
    auto* grids = new QHBoxLayout;
    grids->addWidget(Box(tr("Display settings"), guiGrid_, this));
    grids->addWidget(Box(tr("Analysis settings"), customGrid_, this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grids, 1);
    layout->addWidget(note_);
    layout->addWidget(buttons);
    resize(760, 640);
    Refresh();
}

SettingsDialog::~SettingsDialog() { settings_.FormDestroy(); }

void SettingsDialog::Refresh()
{
    setWindowTitle(QString::fromStdString(settings_.Caption));
    Fill(guiGrid_, settings_.ValueListGUISettings);
    Fill(customGrid_, settings_.ValueListCustomSettings);
    note_->setText(QString::fromStdString(settings_.LabelIniNote));
}
