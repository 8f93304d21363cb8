#pragma once
#include <atomic>
// Stand-ins for the platform services, for tests of the core.
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/services.h"

namespace fakes {

// A clock that stands still until the code under test sleeps or a test advances it.
class FakeClock : public platform::Clock {
  public:
    explicit FakeClock(platform::LocalTime start = {2026, 12, 7, 9, 0, 0, 0});
    platform::LocalTime Now() override;
    void Sleep(int milliseconds) override;
    std::string AbbreviatedWeekdayName(int weekday) override; // 日 月 火 水 木 金 土
    void Advance(long long milliseconds);
    void Set(const platform::LocalTime& time);
    // Called on every Now(); lets a test move time forward as work "takes" time.
    std::function<void(FakeClock&)> OnNow;
    std::vector<int> Sleeps;
    long long Elapsed() const { return elapsedMs_; }

  private:
    // Atomic: a test may move time from the saver's worker thread.
    std::atomic<long long> epochMs_{0}; // milliseconds since 1970-01-01 00:00 local
    std::atomic<long long> elapsedMs_{0};
};

class FakeScreen : public platform::Screen {
  public:
    explicit FakeScreen(platform::Size size = {1024, 768}) : size(size) {}
    platform::Size PrimarySize() override { return size; }
    double Dpi() override { return dpi; }
    // The primary monitor alone unless `monitors` says otherwise.
    std::vector<platform::Monitor> Monitors() override {
        return monitors.empty() ? Screen::Monitors() : monitors;
    }
    platform::Size size;
    double dpi = 96;
    std::vector<platform::Monitor> monitors;
};

class FakeProcess : public platform::Process {
  public:
    std::string appDirectory = "C:\\Program Files\\LumoraScr";
    std::string userConfigDirectory = "C:\\Users\\me\\AppData\\Roaming\\LumoraScr\\";
    std::string installedDataDirectory;
    std::vector<std::string> systemConfigDirectories;
    bool installedTree = false;
    std::set<std::string> writableDirectories;
    std::set<std::string> readOnlyFiles;
    std::map<std::string, std::string> files; // path -> bytes
    std::map<std::string, std::vector<platform::FolderEntry>> folders; // path -> entries
    std::vector<double> randomSequence;       // served in order, then repeated from the start
    int seeds = 0;

    std::string AppDirectory() override { return appDirectory; }
    std::string UserConfigDirectory() override { return userConfigDirectory; }
    std::vector<std::string> SystemConfigDirectories() override { return systemConfigDirectories; }
    std::string InstalledDataDirectory() override { return installedDataDirectory; }
    bool RunsFromInstalledTree() override { return installedTree; }
    bool FileExists(const std::string& path) override { return files.count(path) > 0; }
    bool IsFileWritable(const std::string& path) override {
        return FileExists(path) && readOnlyFiles.count(path) == 0;
    }
    bool IsDirectoryWritable(const std::string& dir) override {
        return writableDirectories.count(dir) > 0;
    }
    bool EnsureDirectory(const std::string&) override { return true; }
    bool ReadFile(const std::string& path, std::string& bytes) override;
    // The stored file whose name matches without regard to ASCII case when `path` is none.
    std::string ResolvePathCase(const std::string& path) override;
    std::optional<std::vector<platform::FolderEntry>> ListFolder(const std::string& path) override {
        auto it = folders.find(path);
        if (it == folders.end()) return std::nullopt;
        return it->second;
    }
    void SeedRandomFromClock() override { ++seeds; }
    double Random() override;

  private:
    std::size_t next_ = 0;
};

class FakeText : public platform::Text {
  public:
    explicit FakeText(char separator = '\\') : separator(separator) {}
    std::string ToLower(const std::string& utf8) override; // ASCII and full-width Latin
    bool FitsCodePage(const std::string& utf8) override;   // false for text with U+00E9 'é'
    char PathSeparator() override { return separator; }
    // The fake system's code page is UTF-8 itself.
    std::string FileTextToUtf8(const std::string& bytes) override { return bytes; }
    char separator;
};

// Key/value store with the observable behaviour of a private-profile file, for tests that are
// about what the core stores rather than how the file looks.
class MemorySettingsFile : public platform::SettingsFile {
  public:
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& defaultValue, const std::string& file) override;
    bool Write(const std::string& section, const std::string& key, const std::string& value,
               const std::string& file) override;
    platform::SettingsLines ReadSection(const std::string& section,
                                        const std::string& file) override;
    // Counts as one write; with failWrites nothing changes.
    bool ReplaceSection(const std::string& section, const platform::SettingsLines& lines,
                        const std::string& file) override;
    bool Has(const std::string& file, const std::string& section, const std::string& key) const;
    std::string Get(const std::string& file, const std::string& section,
                    const std::string& key) const;
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values;
    bool failWrites = false;
    int writes = 0;
};

class FakeWindows : public platform::Windows {
  public:
    std::set<std::string> titles;
    int pumps = 0;
    int cursorCount = 0; // display count change: -1 per hide, +1 per show
    platform::NativeHandle root = 1;
    std::function<void()> onPump;
    // Called for every wait for messages with its length; the rig advances its clock there.
    std::function<void(int)> onWait;
    std::vector<int> waits;
    std::function<std::unique_ptr<platform::PreviewWindow>(const platform::PreviewDesign&)>
        makePreview;
    std::function<std::unique_ptr<platform::SaverWindow>(platform::SaverEvents&,
                                                         platform::NativeHandle)>
        makeSaver;
    std::function<std::unique_ptr<platform::SaverWindow>(platform::SaverEvents&,
                                                         const platform::Monitor&)>
        makeMonitorWindow;
    std::vector<std::string> lookups;

    bool TopLevelWindowExists(const std::string& title) override {
        lookups.push_back(title);
        return titles.count(title) > 0;
    }
    void PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
    }
    void WaitForMessages(int milliseconds) override {
        waits.push_back(milliseconds);
        if (onWait) onWait(milliseconds);
    }
    void RunMessageLoop() override {}
    void ShowCursor(bool show) override { cursorCount += show ? 1 : -1; }
    platform::NativeHandle RootWindow() override { return root; }
    std::unique_ptr<platform::PreviewWindow>
    CreatePreviewWindow(const platform::PreviewDesign& design) override {
        return makePreview ? makePreview(design) : nullptr;
    }
    std::unique_ptr<platform::SaverWindow> CreateSaverWindow(platform::SaverEvents& events,
                                                             platform::NativeHandle host) override {
        return makeSaver ? makeSaver(events, host) : nullptr;
    }
    std::unique_ptr<platform::SaverWindow>
    CreateMonitorWindow(platform::SaverEvents& events, const platform::Monitor& monitor) override {
        return makeMonitorWindow ? makeMonitorWindow(events, monitor) : nullptr;
    }
};

} // namespace fakes
