#include "app/cli/RecomposeCommand.h"

#include <ostream>
#include <vector>

#include "recompose/Recompose.h"

int RunRecompose(const RecomposeOptions& options, std::ostream& out, std::ostream& err)
{
    // Refused before the paradigm is read, as the window refuses at "Set Output Dir".
    const std::string refusal = RecomposeRefusal(options.dataDir, options.outputDir);
    if (!refusal.empty()) {
        err << "morvane-cli: " << refusal << "\n";
        return 2;
    }
    std::vector<std::string> paradigm;
    const int64_t bytes = ReadFileLines(options.paradigm, paradigm);
    if (bytes <= 0 || paradigm.empty()) {
        err << "morvane-cli: the paradigm file " << options.paradigm << (bytes < 0 ? " could not be read" : " is empty")
            << "\n";
        return 2;
    }
    const RecomposeResult result = RecomposeDirectory(
        options.dataDir, paradigm, options.outputDir, [&out](const std::string& status) { out << status << "\n"; });
    if (result.Complete())
        return 0;
    const std::string problems = result.ProblemsText();
    size_t start = 0;
    while (start <= problems.size()) {
        const size_t end = problems.find('\n', start);
        err << "morvane-cli: " << problems.substr(start, end - start) << "\n";
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return result.Refused.empty() ? 1 : 2;
}
