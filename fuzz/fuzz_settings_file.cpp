// Feeds arbitrary bytes to the settings file reader as the start-up reads it. Whatever the text,
// the settings after it lie inside the table's ranges, keep its rules and derive their logarithms;
// and what "Save" then writes is read at the next start-up without a problem, to the same values
// as the file shows them.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/SettingsFile.h"

using namespace morvane;

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void RequireUsable(const ProgramSettings& settings)
{
    for (const SettingKey& key : SettingKeys())
        if (key.Editable())
            Require(SettingValueRefusal(key, key.Get(settings)).empty());
    Require(BrokenSettingRules(settings).empty());
    Require(settings.Analysis.LowLogS == std::log(settings.Analysis.LowS));
    Require(settings.Analysis.HighLogS == std::log(settings.Analysis.HighS));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ProgramSettings settings;
    (void)ApplySettingsText(text, settings);
    RequireUsable(settings);

    const std::string saved = SettingsFileText(settings);
    ProgramSettings again;
    Require(ApplySettingsText(saved, again).empty());
    RequireUsable(again);
    for (const SettingKey& key : SettingKeys())
        Require(SettingValueText(key, again) == SettingValueText(key, settings));
    return 0;
}
