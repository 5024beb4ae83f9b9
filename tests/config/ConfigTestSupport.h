// Helpers of the settings tests: settings documents from literal XML and paths into the sources.
#pragma once

#include <cstdlib>
#include <string>

#include "config/Settings.h"
#include "support/TestSupport.h"

namespace config_testing {

// Writes `xml` as the settings file of `folder` and loads it; `loaded` gets Load's result.
inline Settings SettingsFromText(const testing_support::TempFolder& folder, const std::string& xml,
                                 bool* loaded = nullptr) {
    std::string path = folder.Path(Settings::kFileName);
    testing_support::WriteFileBytes(path, xml);
    Settings settings;
    bool ok = settings.Load(path);
    if (loaded) *loaded = ok;
    return settings;
}

// A file of the source tree. ctest hands over the folder as a Unix path, which Wine shows on Z:.
inline std::string SourcePath(const std::string& relative) {
    const char* root = std::getenv("QM_SOURCE_DIR");
    std::string path = std::string(root ? root : "") + "/" + relative;
    if (path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

} // namespace config_testing
