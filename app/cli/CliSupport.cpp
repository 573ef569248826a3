#include "app/cli/CliSupport.h"

#include <cctype>
#include <filesystem>
#include <ostream>

#include "mainwindow/ChannelDetection.h"

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool IsDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::string KnownChannel(const std::string& text)
{
    for (const std::string& mask : ChannelMasks())
        for (const std::string& entry : ChannelEntries(mask))
            if (Upper(entry) == Upper(text))
                return entry;
    return {};
}

void CliFollower::ShowProgress(const std::string& text)
{
    if (progress)
        *progress << "\r" << text << "        " << std::flush;
}

void CliFollower::EndLoad(bool)
{
    if (progress)
        *progress << "\r" << std::string(40, ' ') << "\r" << std::flush;
}
