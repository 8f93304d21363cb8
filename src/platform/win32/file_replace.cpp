// A save holds a lock on one byte of its file far past its end for as long as the save runs; the
// next save's clean-up deletes only leftovers whose byte it can lock. Wine passes such locks on
// to the Unix file, so they hold between Wine prefixes too, whose servers share no handles.
#include "file_replace.h"

#include <algorithm>
#include <map>
#include <random>
#include <string_view>
#include <vector>

#include "codepage.h"

namespace platform::win32 {
namespace {

constexpr std::size_t RandomDigits = 16;
constexpr DWORD OwnerByteHigh = 0x100; // at 1 TiB: no data of the file lies there

bool Lock(HANDLE file) {
    OVERLAPPED at{};
    at.OffsetHigh = OwnerByteHigh;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) !=
           FALSE;
}

HANDLE OpenShared(const std::wstring& path, DWORD access, DWORD creation, DWORD attributes) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, creation, attributes, nullptr);
}

bool AllOf(std::wstring_view text, bool (*each)(wchar_t)) {
    return !text.empty() && std::all_of(text.begin(), text.end(), each);
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}
bool IsHexDigit(wchar_t c) {
    return IsDigit(c) || (c >= L'a' && c <= L'f');
}

// What a name beside the file is: a leftover of which save and of which kind.
struct Leftover {
    std::wstring name;
    std::wstring save;  // the part between the file's name and the kind
    bool backup = false; // `.old`: the old file an earlier version kept
    FILETIME written{};
};

std::wstring FolderOf(const std::wstring& target) {
    const auto slash = target.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
}

std::vector<Leftover> LeftoversOf(const std::wstring& target) {
    std::vector<Leftover> found;
    const std::wstring folder = FolderOf(target);
    const std::wstring base = target.substr(folder.size()) + L".";
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW((target + L".*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        std::wstring_view name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() <= base.size() + 4 ||
            CompareStringOrdinal(name.data(), static_cast<int>(base.size()), base.data(),
                                 static_cast<int>(base.size()), TRUE) != CSTR_EQUAL)
            continue;
        const std::wstring_view kind = name.substr(name.size() - 4);
        const std::wstring_view save = name.substr(base.size(), name.size() - base.size() - 4);
        const bool backup = kind == L".old";
        if (!backup && kind != L".tmp") continue;
        const bool ours = !backup && save.size() == RandomDigits && AllOf(save, IsHexDigit);
        if (!ours && !AllOf(save, IsDigit)) continue;
        found.push_back({folder + std::wstring(name), std::wstring(save), backup,
                         data.ftLastWriteTime});
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}

std::wstring RandomPart() {
    static constexpr wchar_t Digits[] = L"0123456789abcdef";
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, 15);
    std::wstring part;
    for (std::size_t i = 0; i < RandomDigits; ++i)
        part += Digits[pick(source)];
    return part;
}

} // namespace

TemporaryFile::TemporaryFile(const std::wstring& target, DWORD attributes) {
    for (int attempt = 0; attempt < 100 && handle_ == INVALID_HANDLE_VALUE; ++attempt) {
        path_ = target + L"." + RandomPart() + L".tmp";
        // Shared for deleting, so that it can be renamed while held.
        handle_ = OpenShared(path_, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, attributes);
        if (handle_ == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
            continue;
        }
        // Another save's clean-up may have taken it before it was locked: then a new one.
        if (Lock(handle_) && GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES) break;
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    if (handle_ == INVALID_HANDLE_VALUE) path_.clear();
}

TemporaryFile::~TemporaryFile() {
    if (path_.empty()) return;
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    DeleteFileW(path_.c_str());
}

void TemporaryFile::Release() {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool TemporaryFile::Hold() {
    handle_ = OpenShared(path_, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    return handle_ != INVALID_HANDLE_VALUE && Lock(handle_);
}

bool TemporaryFile::PutInPlace(const std::wstring& target) {
    // Renamed while still held, so no clean-up can take it on the way.
    const bool moved = MoveFileExW(path_.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    Release();
    if (!moved) DeleteFileW(path_.c_str());
    path_.clear();
    return moved;
}

void TemporaryFile::Abandon() {
    Release();
    path_.clear();
}

void RemoveLeftovers(const std::wstring& target) {
    for (const Leftover& leftover : LeftoversOf(target)) {
        const HANDLE file =
            OpenShared(leftover.name, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
        if (file == INVALID_HANDLE_VALUE) continue;
        const bool unowned = Lock(file);
        CloseHandle(file);
        if (unowned) DeleteFileW(leftover.name.c_str());
    }
}

bool RestoreLeftover(const std::wstring& target) {
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES ||
        GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    // Only an earlier version's pair is known complete: its old file was moved aside only after
    // the new one was written and checked. A file of this version's saves is never needed: they
    // rename in one step, so the file is only missing when it had not been saved yet.
    const std::vector<Leftover> leftovers = LeftoversOf(target);
    std::map<std::wstring, bool> backedUp;
    for (const Leftover& leftover : leftovers)
        if (leftover.backup) backedUp[leftover.save] = true;
    const Leftover* newest = nullptr;
    for (const Leftover& leftover : leftovers) {
        if (!backedUp.contains(leftover.save)) continue;
        if (!newest || CompareFileTime(&leftover.written, &newest->written) > 0 ||
            (CompareFileTime(&leftover.written, &newest->written) == 0 && !leftover.backup))
            newest = &leftover;
    }
    return newest && MoveFileExW(newest->name.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
}

bool ContinueSave(SaveStep step, const std::wstring& temporary) {
    return SaveMayContinue(step, WideToUtf8(temporary));
}

} // namespace platform::win32
