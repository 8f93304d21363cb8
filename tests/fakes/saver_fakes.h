#pragma once
// Stand-ins for the saver's window, canvas and pictures, and a rig that runs the slide show in
// virtual time.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "fakes.h"
#include "recording_dc.h"

namespace fakes {

class FakeSurface : public platform::Surface {
  public:
    FakeSurface(int width, int height) : width_(width), height_(height) {}
    void Resize(int width, int height) override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    platform::DeviceContext& Dc() override { return dc; }
    bool SavePng(const std::string&) override { return false; }
    platform::Color PixelAt(int, int) const override { return 0; }

    RecordingDc dc;
    std::vector<platform::Size> resizes;

  private:
    int width_;
    int height_;
};

class FakeDrawing : public platform::Drawing {
  public:
    std::unique_ptr<platform::Surface> CreateSurface(int width, int height) override;
    // Every surface made, in order; each outlives whoever was handed it.
    std::vector<FakeSurface*> surfaces;

  private:
    std::vector<std::unique_ptr<FakeSurface>> owned_;
};

// Pictures by path: a path with a size opens; any other path fails to open. The saver uses
// them from its worker thread: the records are guarded, and read while a show runs only
// through LoadCount().
class FakePictures : public platform::Pictures {
  public:
    struct Draw {
        std::string Path;
        platform::Rect Dest;
    };
    std::unique_ptr<platform::Picture> Load(const std::string& path) override;

    std::map<std::string, platform::Size> sizes;
    std::set<std::string> failDraws;   // DrawScaled answers false
    std::set<std::string> throwOnLoad; // Load throws
    std::set<std::string> throwOnDraw; // DrawScaled throws
    std::function<void(const std::string&)> onDraw;
    std::vector<std::string> loads;
    std::vector<Draw> draws;
    std::atomic<int> alive{0}; // pictures not yet destroyed
    // While set, a drawing waits (in real time) until it is cleared or asked to stop.
    std::atomic<bool> holdDraws{false};
    std::atomic<int> drawsStopped{0}; // held drawings that ended because they were asked to stop
    std::atomic<bool> drawing{false}; // a drawing is in progress
    std::size_t LoadCount();
    std::mutex mutex;
};

// Every path is a file that never changes until a test replaces or removes it. Used from the
// saver's worker threads: guarded.
class FakeFiles : public platform::FileIdentities {
  public:
    platform::FileIdentity Of(const std::string& path) override;
    void Replace(const std::string& path);
    void Remove(const std::string& path);

  private:
    std::mutex mutex_;
    std::map<std::string, int> versions_; // -1: removed
};

class FakeSaverWindow : public platform::SaverWindow {
  public:
    FakeSaverWindow(platform::SaverEvents& events, platform::NativeHandle host,
                    platform::Size client)
        : events(events), host(host), client(client) {}
    void Show() override { log.push_back("Show"); }
    void Maximize() override { log.push_back("Maximize"); }
    void MakeTopmost() override { log.push_back("MakeTopmost"); }
    platform::Size ClientSize() override { return client; }
    platform::DeviceContext& Dc() override { return dc; }
    void SetCaption(const std::string& text) override { caption = text; }
    void Close() override { log.push_back("Close"); }
    // The destination rectangles copied onto the window, in order.
    std::vector<platform::Rect> Copies() const;

    platform::SaverEvents& events;
    platform::NativeHandle host;
    platform::Size client;
    RecordingDc dc;
    std::vector<std::string> log;
    std::string caption;
};

// What the show had done when a pass ended (at its message step).
struct PassRecord {
    long long StartMs = 0;   // when the pass began (virtual ms since the rig was made; 0 for
                             // the first pass, which tests start with a set-up taking no time)
    long long ElapsedMs = 0; // the same, at the message step
    std::size_t Loads = 0;   // pictures opened so far
    std::size_t Copies = 0;  // tiles copied onto the window so far
    int CursorCount = 0;
    int Second = 0; // the clock's second at the message step
};

// All the services the saver uses, installed for the rig's lifetime, with the picture list,
// DevMode and the saver host reset.
struct SaverRig {
    explicit SaverRig(platform::Size screenSize = {1024, 768},
                      platform::LocalTime start = {2026, 12, 7, 9, 0, 0, 0});
    ~SaverRig();

    // The pass (1-based) at whose message step the saver receives a key press.
    void StopAfterPasses(int passes) { stopAfter = passes; }
    // Adds a picture of the given size to the list and to the pictures that open.
    void AddPicture(const std::string& folder, const std::string& file, platform::Size size);
    FakeSurface& Canvas() { return *drawing.surfaces.back(); }

    FakeClock clock;
    FakeScreen screen;
    FakeProcess process;
    FakeText text;
    FakeWindows windows;
    FakeDrawing drawing;
    FakePictures pictures;
    FakeFiles files;
    MemorySettingsFile settingsFile;
    // The last saver window made; it outlives the frmMain that used it.
    FakeSaverWindow* window = nullptr;
    // The windows made for the monitors beside the primary one, in order, with their monitor.
    std::vector<std::pair<FakeSaverWindow*, platform::Monitor>> monitorWindows;
    std::vector<PassRecord> passes;
    int stopAfter = 0;
    // A show whose own stop condition never comes ends here, so a fault fails the test instead
    // of hanging it (10000 passes are over three minutes of virtual time).
    int maxPasses = 10000;
    std::function<void(int pass)> onPass;

  private:
    std::vector<std::unique_ptr<FakeSaverWindow>> windows_;
    std::unique_ptr<platform::ScopedServices> scope_;
};

} // namespace fakes
