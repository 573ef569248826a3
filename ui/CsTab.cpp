#include "ui/CsTab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "follower/GofsOutput.h"
#include "ui/BusyCursor.h"
#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"
#include "ui/SedDataViewWidget.h"

namespace morvane {

using namespace dataviewcontrols;

namespace {

QLineEdit* SmallEdit(QWidget* parent, const QString& tip, const QString& placeholder = QString())
{
    auto* edit = new QLineEdit(parent);
    edit->setMaximumWidth(60);
    edit->setToolTip(tip);
    edit->setPlaceholderText(placeholder);
    return edit;
}

} // namespace

CsTab::CsTab(SedDataViewWidget& window, QWidget* parent)
    : QWidget(parent)
    , window_(window)
    , sMin_(SmallEdit(this, tr("Lowest s of the grid, S; empty: from the run"), tr("auto")))
    , sMax_(SmallEdit(this, tr("Highest s of the grid, S; empty: from the run"), tr("auto")))
    , resolution_(SmallEdit(this, tr("Grid points, 10 to 1000")))
    , fitRatio_(new QCheckBox(tr("fit"), this))
    , ratio_(SmallEdit(this, tr("The frictional ratio when it is not fitted (1 for a sphere)")))
    , confidence_(SmallEdit(this, tr("Confidence level of the regularisation by F statistics (0.5 or less: none)")))
    , rMin_(SmallEdit(this, tr("Fit the scans from this radius on, cm; empty: 0.02 cm past the meniscus"), tr("auto")))
    , rMax_(SmallEdit(
          this, tr("Fit the scans up to this radius, cm; empty: the ignored band before the bottom"), tr("auto")))
    , fitMeniscus_(new QCheckBox(tr("fit meniscus"), this))
    , timeInvariant_(new QCheckBox(tr("time-invariant noise"), this))
    , vbar_(SmallEdit(this, tr("Partial specific volume of the sample, ml/g (shared with the species fits)")))
    , density_(SmallEdit(this, tr("Solvent density at the run's temperature, g/ml (shared with the species fits)")))
    , viscosity_(SmallEdit(this, tr("Solvent viscosity at the run's temperature, cP (shared with the species fits)")))
    , fitButton_(new QPushButton(QString::fromLatin1(CsPanel::FitCaption), this))
    , status_(new QLabel(this))
    , table_(new QTableWidget(0, 0, this))
    , parameters_(new QLabel(this))
    , notes_(new QLabel(this))
    , poll_(new QTimer(this))
{
    TSedDataView* view = window_.View();
    fitButton_->setObjectName("fitCs");
    fitButton_->setToolTip(tr("Fit c(s) to the raw scans in the background; from then on it follows the run"));
    status_->setObjectName("csStatus");
    fitRatio_->setToolTip(tr("Fit f/f0 (one weight average for all species) or take the value beside"));
    auto* controls = new QHBoxLayout;
    auto caption = [this, controls](const QString& text) { controls->addWidget(new QLabel(text, this)); };
    caption(tr("s from"));
    controls->addWidget(sMin_);
    caption(tr("to"));
    controls->addWidget(sMax_);
    caption(tr("S, points"));
    controls->addWidget(resolution_);
    caption(tr("f/f0"));
    controls->addWidget(fitRatio_);
    controls->addWidget(ratio_);
    caption(tr("confidence"));
    controls->addWidget(confidence_);
    controls->addSpacing(8);
    caption(tr("v̄ (ml/g)"));
    controls->addWidget(vbar_);
    caption(tr("density (g/ml)"));
    controls->addWidget(density_);
    caption(tr("viscosity (cP)"));
    controls->addWidget(viscosity_);
    controls->addSpacing(8);
    controls->addWidget(fitButton_);
    controls->addWidget(status_, 1);
    // The second row: what is fitted besides c(s).
    auto* more = new QHBoxLayout;
    more->addWidget(new QLabel(tr("radii from"), this));
    more->addWidget(rMin_);
    more->addWidget(new QLabel(tr("to"), this));
    more->addWidget(rMax_);
    more->addWidget(new QLabel(tr("cm"), this));
    more->addSpacing(8);
    fitMeniscus_->setToolTip(
        tr("Fit the meniscus within 0.02 cm of the view's (the fitted radii then start 0.04 cm past it)"));
    more->addWidget(fitMeniscus_);
    timeInvariant_->setToolTip(
        tr("Also fit a time-invariant pattern of the radii (always fitted for interference and intensity)"));
    more->addWidget(timeInvariant_);
    more->addStretch(1);

    const struct {
        QLineEdit* edit;
        std::string* field;
    } edits[]
        = { { sMin_, &view->Cs.EditSMin }, { sMax_, &view->Cs.EditSMax }, { resolution_, &view->Cs.EditResolution },
              { ratio_, &view->Cs.EditRatio }, { confidence_, &view->Cs.EditConfidence }, { rMin_, &view->Cs.EditRMin },
              { rMax_, &view->Cs.EditRMax }, { vbar_, &view->Species.EditVbar },
              { density_, &view->Species.EditSolventDensity }, { viscosity_, &view->Species.EditSolventViscosity } };
    for (const auto& e : edits) {
        // The field belongs to the view, which outlives the window's controls only while it is open.
        connect(e.edit, &QLineEdit::textEdited, this, [this, field = e.field](const QString& text) {
            if (window_.View())
                *field = text.toStdString();
        });
    }
    connect(fitRatio_, &QCheckBox::clicked, this, [this](bool on) {
        if (TSedDataView* v = window_.View()) {
            v->Cs.CheckBoxFitRatio = on;
            Refresh();
        }
    });
    for (const auto& [box, field] : { std::pair { fitMeniscus_, &view->Cs.CheckBoxFitMeniscus },
             std::pair { timeInvariant_, &view->Cs.CheckBoxTimeInvariant } })
        connect(box, &QCheckBox::clicked, this, [this, target = field](bool on) {
            if (window_.View())
                *target = on;
        });
    connect(fitButton_, &QPushButton::clicked, this, [this] {
        if (TSedDataView* v = window_.View()) {
            BusyCursor busy; // the scans are copied on this thread; the fit itself runs beside it
            v->ButtonFitCsClick();
            window_.Refresh();
        }
    });

    distribution_ = new ChartView(&view->Cs.DistributionChart, this);
    distribution_->Plot()->setMinimumSize(300, 200);
    distribution_->setToolTip(tr("c(s): the loading of each s per S, diffusion taken off by the Lamm solutions"));
    fit_ = new ChartView(&view->Cs.FitChart, this);
    fit_->Plot()->setMinimumSize(200, 150);
    fit_->setToolTip(tr("A dozen scans spread over the run and the newest: the data as points, the fit as black lines "
                        "(the noise terms fitted included)"));
    residuals_ = new ChartView(&view->Cs.ResidualChart, this);
    residuals_->Plot()->setMinimumSize(200, 100);
    residuals_->setToolTip(tr("Data less fit of the scans drawn above"));
    table_->setObjectName("csPeaks");
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setToolTip(tr("Each peak: its weight-average s, s20,w, its share of the whole distribution, and M from s "
                          "and the one f/f0 (off for a species whose shape differs from the average)"));
    ShowWhole(parameters_);
    parameters_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ShowWhole(notes_);
    notes_->setStyleSheet("color: #a05000");

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(distribution_, 3);
    leftLayout->addWidget(table_, 1);
    auto* right = new QSplitter(Qt::Vertical, this);
    right->addWidget(fit_);
    right->addWidget(residuals_);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(more);
    layout->addWidget(split, 1);
    layout->addWidget(parameters_);
    layout->addWidget(notes_);

    connect(poll_, &QTimer::timeout, this, &CsTab::Poll);
    poll_->start(PollIntervalMs);
}

void CsTab::Poll()
{
    TSedDataView* v = window_.View();
    if (!v) {
        poll_->stop();
        return;
    }
    if (v->PollCs())
        Refresh();
}

void CsTab::Refresh()
{
    const TSedDataView* view = window_.View();
    if (!view)
        return;
    const CsPanel& p = view->Cs;
    for (const auto& [edit, text] : { std::pair { sMin_, &p.EditSMin }, std::pair { sMax_, &p.EditSMax },
             std::pair { resolution_, &p.EditResolution }, std::pair { ratio_, &p.EditRatio },
             std::pair { confidence_, &p.EditConfidence }, std::pair { rMin_, &p.EditRMin },
             std::pair { rMax_, &p.EditRMax }, std::pair { vbar_, &view->Species.EditVbar },
             std::pair { density_, &view->Species.EditSolventDensity },
             std::pair { viscosity_, &view->Species.EditSolventViscosity } })
        if (!edit->hasFocus())
            SetText(edit, *text);
    fitRatio_->setChecked(p.CheckBoxFitRatio);
    fitMeniscus_->setChecked(p.CheckBoxFitMeniscus);
    timeInvariant_->setChecked(p.CheckBoxTimeInvariant);
    ratio_->setEnabled(!p.CheckBoxFitRatio);
    status_->setText(QString::fromStdString(p.LabelStatus));
    status_->setStyleSheet(p.Failed ? "color: #c00000" : "");
    SetWholeText(parameters_, QString::fromStdString(p.LabelFit));
    SetWholeText(notes_, QString::fromStdString(p.LabelNotes));
    notes_->setVisible(!p.LabelNotes.empty());
    if (shownRows_ != p.TableRows || table_->columnCount() != static_cast<int>(p.TableHeader.size())) {
        shownRows_ = p.TableRows;
        table_->setColumnCount(static_cast<int>(p.TableHeader.size()));
        QStringList header;
        for (const std::string& h : p.TableHeader)
            header << QString::fromStdString(h);
        table_->setHorizontalHeaderLabels(header);
        table_->setRowCount(static_cast<int>(p.TableRows.size()));
        for (size_t r = 0; r < p.TableRows.size(); ++r)
            for (size_t c = 0; c < p.TableRows[r].size(); ++c) {
                auto* item = new QTableWidgetItem(QString::fromStdString(p.TableRows[r][c]));
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table_->setItem(static_cast<int>(r), static_cast<int>(c), item);
            }
    }
    if (view->Engine) {
        const QString of = QString::fromStdString(" for " + FileNameTitle(*view->Engine));
        distribution_->SetProposedName("c(s)" + of);
        fit_->SetProposedName("c(s) fit" + of);
        residuals_->SetProposedName("c(s) residuals" + of);
    }
    distribution_->Refresh();
    fit_->Refresh();
    residuals_->Refresh();
}

} // namespace morvane
