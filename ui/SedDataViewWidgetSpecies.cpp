// The species panels of the data view (on the corrected and the extrapolation tab) and the
// convergence chart with its verdict (on the corrected tab).
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "ui/BusyCursor.h"
#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"
#include "ui/SedDataViewWidget.h"

namespace morvane {

using namespace dataviewcontrols;
using Source = TSedDataView::SpeciesSource;

namespace {

size_t IndexOf(Source source) { return source == Source::Corrected ? 0 : 1; }

QLineEdit* NumberEdit(QWidget* parent, const QString& tip)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaximumWidth(70);
    edit->setToolTip(tip);
    return edit;
}

QLabel* Caption(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

// A style sheet set anew re-polishes the widget and lays its window out again, even when it is the
// same: on every refresh tick and playback step that was work for nothing.
void SetStyle(QWidget* widget, const char* style)
{
    if (widget->styleSheet() != QLatin1String(style))
        widget->setStyleSheet(QString::fromLatin1(style));
}

} // namespace

QWidget* SedDataViewWidget::BuildSpeciesPanel(Source source, QWidget* parent)
{
    SpeciesControls& c = species_[IndexOf(source)];
    const bool corrected = source == Source::Corrected;
    auto* panel = new QWidget(parent);
    c.species = new QSpinBox(panel);
    c.species->setToolTip(tr("Number of species to fit; the fit starts from the curve's peaks"));
    c.vbar = NumberEdit(panel, tr("Partial specific volume of the sample, ml/g"));
    c.density = NumberEdit(panel, tr("Solvent density at the run's temperature, g/ml"));
    c.viscosity = NumberEdit(panel, tr("Solvent viscosity at the run's temperature, cP"));
    c.fit = new QPushButton(QString::fromLatin1(SpeciesTab::FitSpeciesCaption), panel);
    c.fit->setObjectName(corrected ? "fitSpeciesCorrected" : "fitSpeciesExtrapolated");
    c.description = new QLabel(panel);
    c.description->setObjectName(corrected ? "speciesFitCorrected" : "speciesFitExtrapolated");
    ShowWhole(c.description);
    c.description->setTextInteractionFlags(Qt::TextSelectableByMouse);
    c.notes = new QLabel(panel);
    ShowWhole(c.notes);
    c.notes->setStyleSheet("color: #a05000");

    auto* controls = new QHBoxLayout;
    controls->addWidget(Caption(tr("Species"), panel));
    controls->addWidget(c.species);
    if (corrected) {
        c.model = new QComboBox(panel);
        for (const char* item : SpeciesTab::SpeciesModelItems)
            c.model->addItem(QString::fromLatin1(item));
        c.model->setToolTip(tr("Lamm boundaries: each species' boundaries taken through the analysis itself (s and "
                               "D without bias). Gaussian: a Gaussian peak per species, its centre corrected for the "
                               "boundary's skew"));
        controls->addWidget(Caption(tr("model"), panel));
        controls->addWidget(c.model);
        connect(c.model, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (view_)
                view_->Species.ComboSpeciesModel = index;
        });
    } else {
        controls->addWidget(Caption(tr("Gaussian peaks (no time: no D or M)"), panel));
    }
    controls->addSpacing(8);
    controls->addWidget(Caption(tr("v̄ (ml/g)"), panel));
    controls->addWidget(c.vbar);
    controls->addWidget(Caption(tr("density (g/ml)"), panel));
    controls->addWidget(c.density);
    controls->addWidget(Caption(tr("viscosity (cP)"), panel));
    controls->addWidget(c.viscosity);
    controls->addSpacing(8);
    controls->addWidget(c.fit);
    if (corrected) {
        c.save = new QPushButton(QString::fromLatin1(TSedDataView::SaveSpeciesTableCaption), panel);
        c.save->setObjectName("saveSpeciesTable");
        c.save->setToolTip(tr("Write the table as text, with its record for morvane-cli reproduce"));
        controls->addWidget(c.save);
        connect(c.save, &QPushButton::clicked, this, [this] {
            if (view_) {
                BusyCursor busy;
                view_->ButtonSaveSpeciesTableClick();
            }
        });
        c.refit = new QCheckBox(tr("Refit after each refresh"), panel);
        c.refit->setToolTip(tr("Fit the newest set again whenever new scans arrive (a fit takes a fraction of a second "
                               "to a few seconds)"));
        controls->addWidget(c.refit);
        connect(c.refit, &QCheckBox::clicked, this, [this](bool on) {
            if (view_)
                view_->Species.CheckBoxRefitEachRefresh = on;
        });
    }
    controls->addStretch();

    connect(c.species, &QSpinBox::valueChanged, this, [this](int n) {
        if (view_)
            view_->Species.UpDownSpecies.SetPosition(n);
    });
    const struct {
        QLineEdit* edit;
        std::string SpeciesTab::*field;
    } edits[] = { { c.vbar, &SpeciesTab::EditVbar }, { c.density, &SpeciesTab::EditSolventDensity },
        { c.viscosity, &SpeciesTab::EditSolventViscosity } };
    for (const auto& e : edits) {
        connect(e.edit, &QLineEdit::textEdited, this, [this, field = e.field](const QString& text) {
            if (view_)
                view_->Species.*field = text.toStdString();
        });
    }
    connect(c.fit, &QPushButton::clicked, this, [this, source] {
        if (!view_)
            return;
        // A fit of three species of a long run takes a second or more: off the window thread.
        if (view_->Species.StartSpeciesFit(source))
            BeginSpeciesFit();
        Refresh();
    });
    c.state = new QLabel(panel);
    c.state->setObjectName(corrected ? "speciesFitStateCorrected" : "speciesFitStateExtrapolated");
    c.progress = new QWidget(panel);
    c.progress->setObjectName(corrected ? "speciesFitProgressCorrected" : "speciesFitProgressExtrapolated");
    auto* bar = new QProgressBar(c.progress);
    bar->setRange(0, 0); // how long a fit takes is not known before: a busy bar
    bar->setMaximumHeight(14);
    bar->setTextVisible(false);
    auto* cancel = new QPushButton(tr("Cancel"), c.progress);
    cancel->setToolTip(tr("Stop the fit (Esc); the panel keeps the fit before it"));
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (view_)
            view_->Species.CancelSpeciesFit();
    });
    auto* progressRow = new QHBoxLayout(c.progress);
    progressRow->setContentsMargins(0, 0, 0, 0);
    progressRow->addWidget(bar, 1);
    progressRow->addWidget(cancel);
    c.progress->hide();

    c.table = new QTableWidget(0, 0, panel);
    c.table->setObjectName(corrected ? "speciesTableCorrected" : "speciesTableExtrapolated");
    c.table->verticalHeader()->setVisible(false);
    c.table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    c.table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    c.table->setMinimumHeight(90);
    c.table->setToolTip(tr("Each value with its standard error from the fit (a lower bound: neighbouring points of "
                           "g(s*) share scans). s is s* corrected for the method's bias; M by the Svedberg equation "
                           "from s and D; f/f0 its frictional ratio (1 for a sphere; below 1 or above 4 is noted as "
                           "not physical); loading: the species' signal before sedimentation"));

    c.residuals = new ChartView(&view_->Species.PanelOf(source).ResidualChart, parent);
    c.residuals->Plot()->setMinimumSize(200, 100);
    c.residuals->setMinimumHeight(100);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(c.state);
    stateRow->addWidget(c.progress, 1);
    layout->addLayout(stateRow);
    layout->addWidget(c.description);
    layout->addWidget(c.table, 1);
    layout->addWidget(c.notes);
    return panel;
}

QWidget* SedDataViewWidget::BuildConvergencePanel(QWidget* parent)
{
    auto* panel = new QWidget(parent);
    convergenceChart_ = new ChartView(&view_->Species.ConvergenceChart, panel);
    convergenceChart_->Plot()->setMinimumSize(200, 120);
    convergenceChart_->setToolTip(tr("How much g(s*) still changed when each set was the newest: each set against "
                                     "the set a tenth of its elapsed time earlier; the thin lines are the limits "
                                     "(Settings > Program Settings: Species and convergence)"));
    convergenceVerdict_ = new QLabel(panel);
    convergenceVerdict_->setObjectName("convergenceVerdict");
    ShowWhole(convergenceVerdict_);
    convergenceVerdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* title = new QLabel(tr("<b>Has the run converged?</b>"), panel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(convergenceChart_, 1);
    layout->addWidget(convergenceVerdict_);
    return panel;
}

void SedDataViewWidget::RefreshSpecies()
{
    const TSedDataView& v = *view_;
    // A refit the refresh started: polled as a fit of the button, without the busy cursor.
    if (v.Species.SpeciesFitRunning() && !(fitTimer_ && fitTimer_->isActive()))
        BeginSpeciesFit(false);
    for (Source source : { Source::Corrected, Source::Extrapolated }) {
        SpeciesControls& c = species_[IndexOf(source)];
        const TSedDataView::SpeciesPanel& p = v.Species.PanelOf(source);
        SetUpDown(c.species, v.Species.UpDownSpecies);
        if (c.model && c.model->currentIndex() != v.Species.ComboSpeciesModel) {
            const QSignalBlocker block(c.model);
            c.model->setCurrentIndex(v.Species.ComboSpeciesModel);
        }
        if (c.refit)
            c.refit->setChecked(v.Species.CheckBoxRefitEachRefresh);
        if (c.save)
            c.save->setEnabled(!p.Failed && p.Result.Status == FitStatus::Converged);
        // The edit being typed into keeps its text (and cursor); the other panel's follows.
        for (const auto& [edit, text] :
            { std::pair { c.vbar, &v.Species.EditVbar }, std::pair { c.density, &v.Species.EditSolventDensity },
                std::pair { c.viscosity, &v.Species.EditSolventViscosity } })
            if (!edit->hasFocus())
                SetText(edit, *text);
        const bool running = v.Species.SpeciesFitRunning() && v.Species.RunningSpeciesFitSource() == source;
        const bool slow = running && fitClock_.isValid() && fitClock_.elapsed() >= ShowProgressAfterMs;
        c.fit->setEnabled(!v.Species.SpeciesFitRunning());
        if (c.progress->isVisible() != slow)
            c.progress->setVisible(slow);
        const QString state = QString::fromStdString(p.FitState) + (slow ? tr(" (Esc cancels)") : QString());
        if (c.state->text() != state)
            c.state->setText(state);
        c.state->setVisible(!p.FitState.empty() && (!running || slow));
        SetWholeText(c.description, QString::fromStdString(p.LabelSpeciesFit));
        SetStyle(c.description, p.Failed ? "color: #c00000" : "");
        SetWholeText(c.notes, QString::fromStdString(p.LabelSpeciesNotes));
        c.notes->setVisible(!p.LabelSpeciesNotes.empty());
        if (c.shownRows != p.TableRows || c.table->columnCount() != static_cast<int>(p.TableHeader.size())) {
            c.shownRows = p.TableRows;
            c.table->setColumnCount(static_cast<int>(p.TableHeader.size()));
            QStringList header;
            for (const std::string& h : p.TableHeader)
                header << QString::fromStdString(h);
            c.table->setHorizontalHeaderLabels(header);
            c.table->setRowCount(static_cast<int>(p.TableRows.size()));
            for (size_t r = 0; r < p.TableRows.size(); ++r)
                for (size_t col = 0; col < p.TableRows[r].size(); ++col) {
                    auto* item = new QTableWidgetItem(QString::fromStdString(p.TableRows[r][col]));
                    item->setTextAlignment((col == 0 ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter);
                    c.table->setItem(static_cast<int>(r), static_cast<int>(col), item);
                }
        }
        // The extrapolated curve's residuals belong to its "s* axis" view.
        const bool shown = source == Source::Corrected || v.Extrapolation.ChartSExtrapolationVisible;
        if (c.residuals->isHidden() == shown)
            c.residuals->setVisible(shown);
        c.residuals->Refresh();
    }
    convergenceChart_->Refresh();
    SetWholeText(convergenceVerdict_, QString::fromStdString(v.Species.LabelConvergence));
    SetStyle(convergenceVerdict_, v.Species.ConvergenceStable ? "color: #006000; font-weight: bold" : "color: #a05000");
}

QPushButton* SedDataViewWidget::FitSpeciesButton(Source source) const { return species_[IndexOf(source)].fit; }

QTableWidget* SedDataViewWidget::SpeciesTable(Source source) const { return species_[IndexOf(source)].table; }

ChartView* SedDataViewWidget::ResidualChart(Source source) const { return species_[IndexOf(source)].residuals; }

QWidget* SedDataViewWidget::SpeciesFitProgress(Source source) const { return species_[IndexOf(source)].progress; }

void SedDataViewWidget::BeginSpeciesFit(bool busyCursor)
{
    if (!fitTimer_) {
        fitTimer_ = new QTimer(this);
        fitTimer_->setInterval(30);
        connect(fitTimer_, &QTimer::timeout, this, &SedDataViewWidget::SpeciesFitTick);
        fitEscape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        fitEscape_->setContext(Qt::WindowShortcut);
        connect(fitEscape_, &QShortcut::activated, this, [this] {
            if (view_)
                view_->Species.CancelSpeciesFit();
        });
    }
    fitEscape_->setEnabled(true);
    fitClock_.start();
    fitTimer_->start();
    if (busyCursor && !fitCursor_) {
        // The busy cursor that still takes clicks: the window answers while the fit runs.
        QApplication::setOverrideCursor(Qt::BusyCursor);
        fitCursor_ = true;
    }
}

void SedDataViewWidget::EndSpeciesFitWait()
{
    if (fitTimer_) {
        fitTimer_->stop();
        fitEscape_->setEnabled(false);
    }
    fitClock_.invalidate();
    if (fitCursor_) {
        QApplication::restoreOverrideCursor();
        fitCursor_ = false;
    }
}

void SedDataViewWidget::SpeciesFitTick()
{
    if (!view_) {
        EndSpeciesFitWait();
        return;
    }
    const bool ended = view_->Species.PollSpeciesFit();
    if (!view_->Species.SpeciesFitRunning()) // a refit of the newest set may follow the fit that ended
        EndSpeciesFitWait();
    const bool wasShown = species_[0].progress->isVisible() || species_[1].progress->isVisible();
    // Nothing to redraw while the bar is already up: the bar animates by itself.
    if (ended || (!wasShown && fitClock_.isValid() && fitClock_.elapsed() >= ShowProgressAfterMs))
        Refresh();
}

void SedDataViewWidget::FinishSpeciesFit()
{
    if (!view_)
        return;
    view_->Species.FinishSpeciesFit();
    EndSpeciesFitWait();
    Refresh();
}

} // namespace morvane
