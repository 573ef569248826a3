#include "scanfiles/ScanHeader.h"

#include "scanfiles/NumericLocale.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace morvane {

namespace {

constexpr double Pi = 3.141592653589793;

int32_t OpticalSystemOfLetter(char letter)
{
    switch (letter) {
    case 'R':
    case 'I':
        return 1;
    case 'F':
        return 2;
    case 'P':
        return 3;
    default:
        return 0;
    }
}

} // namespace

int32_t ScanHeader::ParseHeader(double expectedRpm)
{
    const NumericLocaleScope numericLocale;
    char letter = '\0';
    int cell = 0;
    int count = 0;
    double temperature = 0, rpm = 0, recordedTime = 0, omega2t = 0, wavelength = 0;
    // Fields the line does not hold keep their zero.
    std::sscanf(HeaderLine.c_str(), "%c%i%lf%lf%lf%lf%lf%i", &letter, &cell, &temperature, &rpm, &recordedTime,
        &omega2t, &wavelength, &count);
    Cell = cell;
    Temperature = temperature;
    Rpm = rpm;
    RecordedTime = recordedTime;
    Omega2t = omega2t;
    Wavelength = wavelength;
    HeaderCount = count;

    int32_t result = 0;
    OpticalSystem = OpticalSystemOfLetter(letter);
    if (OpticalSystem == 0)
        result = 1;
    // An elapsed time before the start of the run is as impossible as a standing rotor.
    if (!(Rpm > 0) || !(Omega2t > 0) || RecordedTime < 0)
        result = 2;

    const double omegaSquared = Rpm * Rpm * 4 * Pi * Pi * (1.0 / 60) * (1.0 / 60);
    // "inf", "nan" or a number beyond the range of a double ("1e400" reads as inf) would put
    // the scan at no time at all.
    if (!std::isfinite(Rpm) || !std::isfinite(RecordedTime) || !std::isfinite(Omega2t) || !std::isfinite(omegaSquared))
        result = 4;
    if (UseApparentTime == 0) {
        Time = RecordedTime;
    } else if (Rpm == expectedRpm || expectedRpm == 0) {
        Time = omegaSquared > 0 ? Omega2t / omegaSquared : 0;
        if (!std::isfinite(Time))
            result = 4; // a tiny speed: omega^2 t / omega^2 overflows
    } else {
        Time = RecordedTime;
        // A speed change switches this record to recorded times for good; a header that is
        // broken anyway is no evidence of one, so it must not flip the whole channel.
        if (result == 0)
            UseApparentTime = 0;
    }

    // The description values are refilled by every parse, so a reused record never shows
    // those of an earlier file of another kind.
    DescriptionNumber = 0;
    DescriptionTag.clear();
    FluorescenceDescription.clear();
    switch (OpticalSystem) {
    case 3: {
        // "%s %lf, %s": word buffers as long as the line itself cannot overflow.
        std::vector<char> first(Description.size() + 1, '\0');
        std::vector<char> tag(Description.size() + 1, '\0');
        double number = 0;
        std::sscanf(Description.c_str(), "%s %lf, %s", first.data(), &number, tag.data());
        DescriptionNumber = number;
        DescriptionTag = tag.data();
        break;
    }
    case 1:
        DescriptionTag = Description;
        break;
    case 2: {
        const size_t at = Description.find("Voltage:");
        if (at == std::string::npos)
            return 3;
        // The one character before the word (normally a blank) is not part of the text.
        FluorescenceDescription = Description.substr(0, at > 0 ? at - 1 : 0);
        break;
    }
    default:
        break;
    }
    return result;
}

} // namespace morvane
