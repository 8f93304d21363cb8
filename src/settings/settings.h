#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One picture of the slide show.
struct ImageEntry {
    std::string Folder; // ends in the path separator
    std::string FileName;
    std::string Title;      // the line the settings dialog shows
    std::string OrigFolder; // copy of Folder taken when the entry was created
    bool Flag = false;      // true for every entry the settings dialog creates
    friend bool operator==(const ImageEntry&, const ImageEntry&) = default;
};

// One rule line of the holiday file.
struct HolidayEntry {
    std::string Kind; // FIX, HAPPY, HAPPY3, SHUNBUN, SHUBUN, KOKUMIN5, KOKUMIN9
    std::int32_t Month = 0;
    std::int32_t Day = 0;
    std::string Name;
    friend bool operator==(const HolidayEntry&, const HolidayEntry&) = default;
};

namespace basComon {

constexpr int MaxListEntries = 32767;
inline const char* const IniFileName = "LumoraScr.ini";
inline const char* const HolidayFileName = "Calender.dat";

// Full path of the settings file the list is loaded from, set by LoadSettings; empty when no
// usable place exists.
inline std::string IniPath;
// Where 登録 writes the list: IniPath, or the user's own file when IniPath is a read-only
// default. Empty when no usable place exists (the save then fails).
inline std::string IniSavePath;
// Entry 0 is never used; entries 1..size()-1 are the pictures in list order.
inline std::vector<ImageEntry> ImageList(1);
// Entries 1..HolidayCount are the holiday rules in file order; entry 0 is never used.
inline std::vector<HolidayEntry> HolidayList(1);
inline std::int16_t HolidayCount = 0;

// The upper bound of ImageList (0 for the empty list).
inline int ImageCount() {
    return static_cast<int>(ImageList.size()) - 1;
}

std::string GetIniString(const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& fileName);
// True when the value was stored.
bool PutIniString(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& fileName);
// `path` ending in the platform's path separator.
std::string AddBackslash(const std::string& path);

// The extension of a file name after its last dot, ASCII letters in lower case; empty when the
// name has no dot or only a leading one.
std::string PictureExtension(const std::string& name);
// True for the extensions (lower case, no dot) of the picture files the list takes.
bool IsPictureExtension(const std::string& extension);
// True for the taken formats a system may have no decoder for.
bool IsOptionalFormat(const std::string& extension);
// "*.jpg,*.jpeg,…": every taken extension, for messages.
std::string PictureExtensionList();
std::string TrimNull(const std::string& text);

struct IniLocation {
    std::string Load, Save;
    friend bool operator==(const IniLocation&, const IniLocation&) = default;
};
// Where the settings file is read from and written to (see ARCHITECTURE.md, "Where the list
// lives"). A path the system's code page cannot carry is never used.
IniLocation FindIniLocation();
// The installed tree's holiday file, else the one beside the program, else the configured data
// folder's; names match without regard to case.
std::string FindHolidayPath();

void LoadSettings();
void LoadImageList();
// All or nothing: true when the whole list is stored; on false the file is as it was.
bool SaveImageList();
void LoadHolidays();

// The stored form of one entry and back.
std::string FormatImageLine(const ImageEntry& entry);
ImageEntry ParseImageLine(const std::string& line);
// A "Count" value as a list size; -1 for anything but a whole number from 0 to 32767.
int ParseImageCount(const std::string& text);
// Why a line of the holiday file was skipped or looks suspicious.
struct HolidayProblem {
    int Line = 0; // 1-based
    std::string Reason;
    friend bool operator==(const HolidayProblem&, const HolidayProblem&) = default;
};

// The rules of a holiday file whose text is already UTF-8 (see Text::FileTextToUtf8), in file
// order, without the unused entry 0. Lines that can never match a date (too few fields, a month
// or a fixed date's day that is not a whole number in range, a day that is no whole number at
// all) are skipped; lines whose keyword is unknown or starts with a blank are kept, because the
// calendar simply ignores them. Both kinds are reported in `problems` (optional), by line number.
std::vector<HolidayEntry> ParseHolidayFile(const std::string& text,
                                           std::vector<HolidayProblem>* problems = nullptr);

} // namespace basComon
