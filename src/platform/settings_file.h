#pragma once
#include <string>

namespace platform {

// One key of one section of a private-profile (INI) file. Section and key names match
// without regard to case; blanks around names and values are ignored; a value wrapped in
// matching quotes loses them. Texts are UTF-8 here; the file is in the system's code page
// (Windows) or UTF-8 with Shift-JIS accepted on reading (elsewhere).
class SettingsFile {
public:
    virtual ~SettingsFile() = default;
    // The stored value, however long; `defaultValue` (trailing blanks dropped) when the file,
    // section or key is missing. A key present with an empty value gives "".
    virtual std::string Read(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file) = 0;
    // Stores key=value, creating file, section and key as needed and keeping every other
    // line. False when the file could not be written.
    virtual bool Write(const std::string& section, const std::string& key,
                       const std::string& value, const std::string& file) = 0;
};

} // namespace platform
