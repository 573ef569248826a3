// The species panel and the convergence chart of the corrected tab through their widgets: the
// controls reach the logic, and the table, the charts and the verdict show what the logic holds.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"
#include "ui/ChartView.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

using Source = TSedDataView::SpeciesSource;

TEST(SpeciesPanel, FitOnTheCorrectedTabFillsTableChartsAndVerdict)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    testutil::TempDir root;
    SimRun run = DemoRun();
    run.cells.resize(1);
    RunSimulator simulator(run);
    ASSERT_EQ(WriteRunFiles(simulator, root.path(), nullptr, nullptr), "");
    MainWindowWidget main;
    main.Form().ChangeWorkingDirectory = false;
    main.Form().SpeciesDefaults.Vbar = 0.72;
    main.SetRoot(QString::fromStdString(root.path()));
    main.SelectChannel("0*.RA1");
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    w->resize(1200, 900);
    w->show();
    ASSERT_TRUE(w->SelectTab("Corrected t (dc/dt)"));
    QApplication::processEvents();
    const TSedDataView& view = *w->View();

    // The verdict and the chart of the measure are there before any fit.
    EXPECT_FALSE(view.Species.LabelConvergence.empty());
    EXPECT_EQ(w->ConvergenceVerdict()->text().toStdString(), view.Species.LabelConvergence);
    EXPECT_EQ(w->ConvergenceChart()->DrawnCurves(), 4);

    QPushButton* fit = w->FitSpeciesButton(Source::Corrected);
    ASSERT_TRUE(fit->isVisible());
    QWidget* panel = fit->parentWidget();
    QSpinBox* species = panel->findChild<QSpinBox*>();
    ASSERT_NE(species, nullptr);
    EXPECT_EQ(species->maximum(), 3);
    species->setValue(2);
    EXPECT_EQ(view.Species.UpDownSpecies.Position, 2);
    QLineEdit* vbar = nullptr;
    for (QLineEdit* edit : panel->findChildren<QLineEdit*>())
        if (edit->text() == "0.72")
            vbar = edit; // the main window's settings reached the view
    ASSERT_NE(vbar, nullptr);
    vbar->clear();
    QTest::keyClicks(vbar, "0.74");
    EXPECT_EQ(view.Species.EditVbar, "0.74");

    fit->click();
    // The fit runs off the window thread, under a busy cursor that still takes clicks.
    ASSERT_TRUE(view.Species.SpeciesFitRunning());
    EXPECT_FALSE(fit->isEnabled());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    w->FinishSpeciesFit();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(fit->isEnabled());
    ASSERT_EQ(view.Species.CorrectedSpecies.Result.Status, FitStatus::Converged)
        << view.Species.CorrectedSpecies.LabelSpeciesFit;
    QTableWidget* table = w->SpeciesTable(Source::Corrected);
    ASSERT_EQ(table->rowCount(), 2);
    ASSERT_EQ(table->columnCount(), 9);
    EXPECT_EQ(table->horizontalHeaderItem(5)->text(), "M (kg/mol)");
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 9; ++c)
            EXPECT_EQ(table->item(r, c)->text().toStdString(),
                view.Species.CorrectedSpecies.TableRows[static_cast<size_t>(r)][static_cast<size_t>(c)]);
    EXPECT_EQ(view.Species.CorrectedSpecies.Result.Solvent.Vbar, 0.74);
    EXPECT_EQ(w->CorrectedChart()->DrawnCurves(), 4) << "the data, the fit and both species";
    EXPECT_EQ(w->ResidualChart(Source::Corrected)->DrawnCurves(), 2);
    const QLabel* description = nullptr;
    for (QLabel* label : panel->findChildren<QLabel*>())
        if (label->text().startsWith("Species fit of g(s*) set "))
            description = label;
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->text().toStdString(), view.Species.CorrectedSpecies.LabelSpeciesFit);

    // Esc cancels a running fit: the table keeps the fit before it, and the panel says so.
    species->setValue(3);
    fit->click();
    ASSERT_TRUE(view.Species.SpeciesFitRunning());
    w->activateWindow();
    QTest::keyClick(w, Qt::Key_Escape);
    w->FinishSpeciesFit();
    EXPECT_FALSE(view.Species.SpeciesFitRunning());
    EXPECT_EQ(view.Species.CorrectedSpecies.FitState, "Fit cancelled");
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(view.Species.CorrectedSpecies.Result.Species.size(), 2u);
    QLabel* state = panel->findChild<QLabel*>("speciesFitStateCorrected");
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->text(), "Fit cancelled");
    EXPECT_FALSE(state->isHidden());
    EXPECT_TRUE(w->SpeciesFitProgress(Source::Corrected)->isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The extrapolation tab's panel shares the choices, and has its own table.
    ASSERT_TRUE(w->SelectTab("Extrapolation"));
    QApplication::processEvents();
    QWidget* other = w->FitSpeciesButton(Source::Extrapolated)->parentWidget();
    EXPECT_EQ(other->findChild<QSpinBox*>()->value(), 3);
    EXPECT_EQ(w->SpeciesTable(Source::Extrapolated)->rowCount(), 0);
    w->close();
}
