#pragma once
#include <locale.h>

namespace morvane {

// Scan files always write "." as the decimal point. While one of these lives, the formatted
// input of this thread uses the "C" locale, whatever locale the program has set (a GUI
// toolkit may set the user's, where the decimal point can be ",").
class NumericLocaleScope {
public:
    NumericLocaleScope()
    {
        static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        if (cLocale)
            previous_ = ::uselocale(cLocale);
    }
    ~NumericLocaleScope()
    {
        if (previous_)
            ::uselocale(previous_);
    }
    NumericLocaleScope(const NumericLocaleScope&) = delete;
    NumericLocaleScope& operator=(const NumericLocaleScope&) = delete;

private:
    locale_t previous_ = static_cast<locale_t>(nullptr);
};

} // namespace morvane
