#pragma once
// The files a save writes beside the settings file and those a cut-off save leaves there:
// `<file>.<16 hex digits>.tmp`, and from earlier versions `<file>.<process id>.tmp` and
// `<file>.<process id>.old` (the old file kept while the new one took its name).
#include <windows.h>

#include <string>

#include "platform/settings_file.h"

namespace platform::win32 {

// A new file beside `target` under a name of its own, open for reading and writing and held
// (no other save's clean-up removes it) until it is put in place or dropped.
class TemporaryFile {
  public:
    // Invalid when no such file could be made.
    TemporaryFile(const std::wstring& target, DWORD attributes);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle_; }
    const std::wstring& Path() const { return path_; }
    // Renames the file over `target` in one step; false (and the file removed) on failure.
    bool PutInPlace(const std::wstring& target);
    // Lets go of the file and leaves it, as a save killed at this point would.
    void Abandon();
    // Lets go of the file for a while, for functions that open it without sharing; the file
    // stays this save's, removed with it. Hold takes it again; false when it is gone.
    void Release();
    bool Hold();

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::wstring path_;
};

// Removes the leftovers of earlier saves of `target` that no running save holds.
void RemoveLeftovers(const std::wstring& target);

// When `target` is missing and an earlier version's save was cut off between its two renames,
// the newest complete file it left (the new content, else the old one) takes the name. True
// when one did.
bool RestoreLeftover(const std::wstring& target);

// Calls the save-step hook; false when the save is to stop there.
bool ContinueSave(SaveStep step, const std::wstring& temporary);

} // namespace platform::win32
