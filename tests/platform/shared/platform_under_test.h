#pragma once
// The real services of the platform this test binary is built for.
#include <cstdio>
#include <string>

#include "platform/services.h"

namespace under_test {

platform::SettingsFile& SettingsFile();
platform::Drawing& Drawing();
platform::Pictures& Pictures();
platform::Text& Text();
platform::Process& Process();
platform::FileIdentities& Files();
// A folder for the test's files, created fresh, in the system's path form.
std::string TempDirectory();
// Opens a file by its UTF-8 path with a stdio mode ("rb", "wb").
std::FILE* OpenFile(const std::string& path, const char* mode);
// Writes bytes to a file (path in the system's form); false on failure.
bool WriteBytes(const std::string& path, const std::string& bytes);
bool ReadBytes(const std::string& path, std::string& bytes);

} // namespace under_test
