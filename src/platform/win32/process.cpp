#include "windows_api.h"
#include <shlobj.h>

#include <random>
#include <vector>

#include "codepage.h"
#include "win32_services.h"

namespace platform::win32 {
namespace {

// Bigger files than this are not the program's (settings and rule files are a few kilobytes).
constexpr LONGLONG MaxReadBytes = 16LL * 1024 * 1024;

std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/') &&
           !(path.size() == 3 && path[1] == L':'))
        path.pop_back();
    return path;
}

class Win32Process : public Process {
  public:
    std::string AppDirectory() override {
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            const DWORD n =
                GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
            if (n == 0) return {};
            if (n < path.size()) {
                path.resize(n);
                break;
            }
            path.resize(path.size() * 2);
        }
        const std::size_t slash = path.find_last_of(L"\\/");
        if (slash == std::wstring::npos) return {};
        // "C:\x.scr" keeps its backslash: the folder is the root of the drive.
        path.resize(slash == 2 && path[1] == L':' ? slash + 1 : slash);
        return WideToUtf8(path);
    }

    std::string UserConfigDirectory() override {
        wchar_t folder[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
            return {};
        return WideToUtf8(WithoutTrailingSeparator(folder)) + "\\LumoraScr\\";
    }

    // A read-only settings file beside the program is the first-run default here.
    std::vector<std::string> SystemConfigDirectories() override { return {}; }

    std::string InstalledDataDirectory() override {
        return RunsFromInstalledTree() ? TreeDataDirectory() : std::string();
    }

    bool RunsFromInstalledTree() override {
        return FileExists(TreeDataDirectory() + "\\Calender.dat");
    }

    // Attributes alone miss what the folder's access rules forbid: the file is opened for
    // writing, sharing everything, and closed again untouched.
    bool IsFileWritable(const std::string& path) override {
        const std::wstring wide = Utf8ToWide(path);
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
            return false;
        HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    }

    bool FileExists(const std::string& path) override {
        const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool IsDirectoryWritable(const std::string& directory) override {
        if (directory.empty()) return false;
        const std::wstring dir = WithoutTrailingSeparator(Utf8ToWide(directory));
        // A file that cannot exist already: the process id and a tick count make it unique.
        const std::wstring probe = dir + (dir.back() == L'\\' ? L"" : L"\\") + L"~lumora-" +
                                   std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(GetTickCount64()) + L".tmp";
        HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    }

    bool EnsureDirectory(const std::string& directory) override {
        const std::wstring dir = WithoutTrailingSeparator(Utf8ToWide(directory));
        if (dir.empty()) return false;
        const int rc = SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
        if (rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS) {
            const DWORD attributes = GetFileAttributesW(dir.c_str());
            return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        }
        return false;
    }

    bool ReadFile(const std::string& path, std::string& bytes) override {
        bytes.clear();
        HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER size{};
        bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= MaxReadBytes;
        if (ok) {
            bytes.resize(static_cast<std::size_t>(size.QuadPart));
            DWORD read = 0;
            ok = bytes.empty() || (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                              &read, nullptr) &&
                                   read == bytes.size());
        }
        CloseHandle(file);
        if (!ok) bytes.clear();
        return ok;
    }

    // The file system ignores case already.
    std::string ResolvePathCase(const std::string& path) override { return path; }

    // Symbolic links and junctions count as "other", so that a walk does not go through them;
    // other reparse points (cloud files kept online, deduplicated files) are what they hold.
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
        std::wstring folder = Utf8ToWide(path);
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (folder.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
            !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return std::nullopt;
        if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
        std::vector<FolderEntry> entries;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileExW((folder + L'*').c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (search == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
            return std::nullopt;
        }
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            FolderEntry entry;
            entry.Name = WideToUtf8(name);
            const DWORD a = found.dwFileAttributes;
            entry.Hidden = (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
            const bool link = (a & FILE_ATTRIBUTE_REPARSE_POINT) &&
                              (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
                               found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
            if (link) entry.Kind = FolderEntry::Type::Other;
            else if (a & FILE_ATTRIBUTE_DIRECTORY) entry.Kind = FolderEntry::Type::Folder;
            else if (!(a & FILE_ATTRIBUTE_DEVICE)) entry.Kind = FolderEntry::Type::File;
            entries.push_back(std::move(entry));
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return entries;
    }

    void SeedRandomFromClock() override {
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        engine_.seed(static_cast<std::uint64_t>(counter.QuadPart) ^
                     ((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime));
    }

    double Random() override {
        // 53 random bits give every double in [0, 1) that the generator can reach, never 1.
        return static_cast<double>(engine_() >> 11) * (1.0 / 9007199254740992.0);
    }

  private:
    std::string TreeDataDirectory() {
        const std::string app = AppDirectory();
        const auto slash = app.find_last_of('\\', app.size() > 1 ? app.size() - 2 : 0);
        return (slash == std::string::npos ? app : app.substr(0, slash)) + "\\share\\lumorascr";
    }

    std::mt19937_64 engine_{5489u};
};

} // namespace

Process& ProcessService() {
    static Win32Process process;
    return process;
}

} // namespace platform::win32
