#include "ui/SettingsDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace morvane {

namespace {

QTableWidget* Grid(QWidget* parent, const ValueListEditor& model)
{
    auto* grid = new QTableWidget(0, 2, parent);
    grid->setHorizontalHeaderLabels({ QObject::tr("Key"), QObject::tr("Value") });
    grid->verticalHeader()->setVisible(false);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setColumnWidth(0, model.KeyColumnWidth);
    grid->setColumnWidth(1, model.ValueColumnWidth);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setMinimumWidth(model.KeyColumnWidth + model.ValueColumnWidth + 24);
    return grid;
}

void Fill(QTableWidget* grid, const ValueListEditor& model)
{
    grid->setRowCount(static_cast<int>(model.Rows.size()));
    const QColor fixed = grid->palette().color(QPalette::Disabled, QPalette::Text);
    for (size_t i = 0; i < model.Rows.size(); ++i) {
        const ValueListRow& r = model.Rows[i];
        const int row = static_cast<int>(i);
        const QString hint = QString::fromStdString(r.Hint);
        auto* key = new QTableWidgetItem(QString::fromStdString(r.Key));
        key->setFlags(Qt::ItemIsEnabled);
        key->setToolTip(hint.isEmpty() ? key->text() : key->text() + ": " + hint);
        grid->setItem(row, 0, key);
        auto* value = new QTableWidgetItem(QString::fromStdString(r.Value));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setToolTip(hint);
        if (r.ReadOnly) {
            value->setFlags(Qt::ItemIsEnabled);
            value->setForeground(fixed);
            key->setForeground(fixed);
        } else {
            value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        }
        grid->setItem(row, 1, value);
    }
    grid->resizeRowsToContents();
    // The key column has the grid's width unless a key needs more in this font: no key is clipped.
    grid->resizeColumnToContents(0);
    grid->setColumnWidth(0, std::max(grid->columnWidth(0), model.KeyColumnWidth));
    grid->setMinimumWidth(grid->columnWidth(0) + model.ValueColumnWidth + 24);
}

void Take(const QTableWidget* grid, ValueListEditor& model)
{
    for (size_t i = 0; i < model.Rows.size() && static_cast<int>(i) < grid->rowCount(); ++i)
        if (const QTableWidgetItem* value = grid->item(static_cast<int>(i), 1))
            model.Rows[i].Value = value->text().toStdString();
}

QGroupBox* Box(const QString& title, QWidget* grid, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(grid);
    return box;
}

} // namespace

SettingsDialog::SettingsDialog(TMorvaneSettings& settings, QWidget* parent, WindowHost* standIn)
    : QDialog(parent)
    , settings_(settings)
    , host_(this, standIn)
    , guiGrid_(Grid(this, settings.ValueListGUISettings))
    , customGrid_(Grid(this, settings.ValueListCustomSettings))
    , speciesGrid_(Grid(this, settings.ValueListSpeciesSettings))
    , note_(new QLabel(this))
{
    settings_.FormCreate(QCoreApplication::applicationFilePath().toStdString());
    setWindowTitle(QString::fromStdString(settings.Caption));
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* how = new QLabel(tr("Double-click a value to change it; its tool tip tells what it takes. "
                              "Grey values are fixed."),
        this);
    how->setWordWrap(true);
    auto* grids = new QHBoxLayout;
    grids->addWidget(Box(tr("Display settings"), guiGrid_, this));
    grids->addWidget(Box(tr("Analysis settings"), customGrid_, this));
    grids->addWidget(Box(tr("Species and convergence"), speciesGrid_, this));
    auto* buttons = new QDialogButtonBox(this);
    defaults_ = buttons->addButton(tr("Defaults"), QDialogButtonBox::ResetRole);
    save_ = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    save_->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(save_, &QPushButton::clicked, this, [this] {
        TakeEdits();
        const bool saved = settings_.ButtonSaveClick();
        Refresh();
        if (saved)
            accept();
    });
    connect(defaults_, &QPushButton::clicked, this, [this] {
        settings_.ButtonDefaultsClick();
        Refresh();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(how);
    layout->addLayout(grids, 1);
    layout->addWidget(note_);
    layout->addWidget(buttons);
    resize(1240, 660);
    Refresh();
}

SettingsDialog::~SettingsDialog() { settings_.FormDestroy(); }

void SettingsDialog::showEvent(QShowEvent* event)
{
    settings_.SetHost(&host_);
    QDialog::showEvent(event);
}

void SettingsDialog::Refresh()
{
    setWindowTitle(QString::fromStdString(settings_.Caption));
    Fill(guiGrid_, settings_.ValueListGUISettings);
    Fill(customGrid_, settings_.ValueListCustomSettings);
    Fill(speciesGrid_, settings_.ValueListSpeciesSettings);
    note_->setText(QString::fromStdString(settings_.LabelIniNote));
}

void SettingsDialog::TakeEdits()
{
    // A value still being typed counts as typed: leaving the cell commits it and closes its editor.
    guiGrid_->setCurrentIndex(QModelIndex());
    customGrid_->setCurrentIndex(QModelIndex());
    speciesGrid_->setCurrentIndex(QModelIndex());
    Take(guiGrid_, settings_.ValueListGUISettings);
    Take(customGrid_, settings_.ValueListCustomSettings);
    Take(speciesGrid_, settings_.ValueListSpeciesSettings);
}

} // namespace morvane
