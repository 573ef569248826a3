// A data view opened from the record of one of its outputs: the record's tab and the controls its
// output took, so that the user sees the analysis as it was made.
#include <nlohmann/json.hpp>

#include "analysis/NumberText.h"
#include "dataview/TSedDataView.h"
#include "provenance/ExportRecord.h"
#include "provenance/SpeciesFitRecord.h"

namespace morvane {

namespace {

// A whole-number parameter of the record from `low` to `high`; false when it is missing or not one.
bool RecordedIndex(const Sidecar& record, const char* name, int32_t low, int32_t high, int32_t& value)
{
    const nlohmann::ordered_json& p = *record.Parameters;
    if (!p.contains(name) || !p[name].is_number_integer())
        return false;
    const int64_t v = p[name].get<int64_t>();
    if (v < low || v > high)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

} // namespace

void TSedDataView::UseRecordedOutput(const Sidecar& record)
{
    if (!Engine)
        return;
    const int32_t sets = Engine->GofsStore ? Engine->GofsStore->GetNumberOfSets() : 0;
    std::string refused;
    const std::string& kind = record.Kind;
    if (kind == KindExtrapolation) {
        PageControl1ActivePage = 3;
        int32_t start = 0, end = 0;
        if (RecordedIndex(record, "end", 4, sets - 1, end) && RecordedIndex(record, "start", 0, end - 4, start)) {
            Extrapolation.ScrollBarExtrapolation.Position = end;
            Extrapolation.ScrollBarExtrapolationChange();
            Extrapolation.ScrollBarStartExtrapolation.Position = start;
            Extrapolation.ScrollBarStartExtrapolationChange();
            Extrapolation.ButtonRefreshExtrapolationClick();
        } else {
            refused = "the recorded range of sets";
        }
    } else if (kind == KindGofsSet) {
        PageControl1ActivePage = 4;
        TimeCourse.RadioGroupChooseTimeCourse = 2; // the corrected g(s*) sets, whose set the output wrote
        TimeCourse.RadioGroupChooseTimeCourseClick();
        int32_t set = 0;
        if (RecordedIndex(record, "set", 0, sets - 1, set)) {
            TimeCourse.ScrollBarTime.Position = set;
            TimeCourse.ScrollBarTimeChange();
        } else {
            refused = "the recorded set";
        }
    } else if (kind == KindSpeciesFit) {
        PageControl1ActivePage = 2;
        SpeciesFitOptions options;
        if (SpeciesFitOptionsOf(record, options).empty()) {
            Species.UpDownSpecies.SetPosition(options.Species);
            Species.ComboSpeciesModel = options.Model == SpeciesModel::Gaussian ? 1 : 0;
            Species.EditVbar = FloatToStr(options.Solvent.Vbar);
            Species.EditSolventDensity = FloatToStr(options.Solvent.Density);
            Species.EditSolventViscosity = FloatToStr(options.Solvent.ViscosityCp);
        } else {
            refused = "the recorded fit's choices";
        }
    } else if (kind != KindExport) {
        PageControl1ActivePage = 2; // g(s*) and comparison outputs: the corrected sets
    }
    if (!refused.empty())
        LabelOpenedFromHint
            += "\nnot taken: " + refused + " (the channel has " + std::to_string(sets) + " g(s*) sets now)";
}

} // namespace morvane
