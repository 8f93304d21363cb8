#pragma once
#include <string>
#include <utility>
#include <vector>

namespace platform {

// key=value lines of one section, in file order.
using SettingsLines = std::vector<std::pair<std::string, std::string>>;

// A private-profile (INI) file. Section and key names match without regard to case; blanks
// around names and values are ignored; a value wrapped in matching quotes loses them. Texts are
// UTF-8 here; the file is in the system's code page (Windows) or, elsewhere, UTF-8 with
// Shift-JIS lines and UTF-16 files (with a byte-order mark) accepted and kept.
class SettingsFile {
  public:
    virtual ~SettingsFile() = default;
    // The stored value, however long; `defaultValue` (trailing blanks dropped) when the file,
    // section or key is missing. A key present with an empty value gives "".
    virtual std::string Read(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file) = 0;
    // Stores key=value, creating file, section and key as needed and keeping every other
    // line. False when the file could not be written.
    virtual bool Write(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& file) = 0;
    // Every key of the first section of that name that has a value, in file order, each value
    // as Read gives it; empty when the file or section is missing. One read of the file.
    virtual SettingsLines ReadSection(const std::string& section, const std::string& file) = 0;
    // Makes `lines` the whole content of the section (created when missing), keeping every
    // other section. All or nothing: on false the file is as it was.
    virtual bool ReplaceSection(const std::string& section, const SettingsLines& lines,
                                const std::string& file) = 0;
};

// The steps of a save that replaces the file, for tests that stop one part way as a kill
// would: after the new content is complete in its temporary file beside the file, and after
// that file has taken the file's name.
enum class SaveStep { TemporaryWritten, Replaced };
// Called at each step of every such save with the temporary file's path; when it returns false
// the save stops there at once and returns false, leaving the files as a kill at that instant
// would (its locks and handles let go). Null, the default: no hook.
using SaveStepHook = bool (*)(SaveStep step, const std::string& temporary);
void SetSaveStepHook(SaveStepHook hook);
// What each platform's save asks at each step: true to go on (always, without a hook).
bool SaveMayContinue(SaveStep step, const std::string& temporary);

} // namespace platform
