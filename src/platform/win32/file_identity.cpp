#include "windows_api.h"

#include "codepage.h"
#include "win32_services.h"

namespace platform::win32 {
namespace {

std::int64_t Ticks(const LARGE_INTEGER& t) {
    return static_cast<std::int64_t>(t.QuadPart);
}

class HandleFileIdentities : public FileIdentities {
public:
    FileIdentity Of(const std::string& path) override {
        FileIdentity identity;
        if (path.empty()) return identity;
        // Shared for reading, writing and deleting: looking never keeps the user from deleting
        // or replacing a picture.
        const HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return identity;
        BY_HANDLE_FILE_INFORMATION info{};
        FILE_BASIC_INFO basic{};
        if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
            !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            identity.Exists = true;
            identity.Volume = info.dwVolumeSerialNumber;
            identity.FileId = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
            identity.Size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
            identity.Modified = (std::int64_t(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                info.ftLastWriteTime.dwLowDateTime;
            // The change time where the system keeps one (a rename or a change of attributes
            // moves it); else the creation time, which a replacement changes.
            if (GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic))
                identity.Changed = Ticks(basic.ChangeTime);
            else
                identity.Changed = (std::int64_t(info.ftCreationTime.dwHighDateTime) << 32) |
                                   info.ftCreationTime.dwLowDateTime;
        }
        CloseHandle(file);
        return identity;
    }
};

} // namespace

FileIdentities& FileIdentitiesService() {
    static HandleFileIdentities service;
    return service;
}

} // namespace platform::win32
