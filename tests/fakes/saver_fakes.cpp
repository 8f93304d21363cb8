#include "saver_fakes.h"

#include <chrono>
#include <stdexcept>
#include <thread>

#include "settings/settings.h"
#include "startup/startup.h"

namespace fakes {
namespace {

class FakePicture : public platform::Picture {
  public:
    FakePicture(FakePictures& owner, std::string path, platform::Size size)
        : owner_(owner), path_(std::move(path)), size_(size) {
        ++owner_.alive;
    }
    ~FakePicture() override { --owner_.alive; }
    int Width() const override { return size_.Width; }
    int Height() const override { return size_.Height; }
    bool DrawScaled(platform::Surface&, const platform::Rect& dest,
                    const platform::StopFlag* stop) override {
        owner_.drawing = true;
        bool stoppedWhileHeld = false;
        while (owner_.holdDraws && !stoppedWhileHeld) {
            stoppedWhileHeld = stop && *stop;
            if (!stoppedWhileHeld) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        owner_.drawing = false;
        // A show that ends while a later picture is being drawn (the worker was slow to get
        // the processor) stops that drawing too; only a held drawing counts.
        if (stoppedWhileHeld) ++owner_.drawsStopped;
        if (stop && *stop) return false;
        {
            std::lock_guard<std::mutex> lock(owner_.mutex);
            owner_.draws.push_back({path_, dest});
        }
        if (owner_.onDraw) owner_.onDraw(path_);
        if (owner_.throwOnDraw.count(path_)) throw std::runtime_error("decoder failed");
        return owner_.failDraws.count(path_) == 0;
    }

  private:
    FakePictures& owner_;
    std::string path_;
    platform::Size size_;
};

// Lets the saver own and destroy its window while the rig keeps what the window recorded.
class WindowHandle : public platform::SaverWindow {
  public:
    explicit WindowHandle(FakeSaverWindow& window) : window_(window) {}
    void Show() override { window_.Show(); }
    void Maximize() override { window_.Maximize(); }
    void MakeTopmost() override { window_.MakeTopmost(); }
    platform::Size ClientSize() override { return window_.ClientSize(); }
    platform::DeviceContext& Dc() override { return window_.Dc(); }
    void SetCaption(const std::string& caption) override { window_.SetCaption(caption); }
    void Close() override { window_.Close(); }

  private:
    FakeSaverWindow& window_;
};

class SurfaceHandle : public platform::Surface {
  public:
    explicit SurfaceHandle(FakeSurface& surface) : surface_(surface) {}
    void Resize(int width, int height) override { surface_.Resize(width, height); }
    int Width() const override { return surface_.Width(); }
    int Height() const override { return surface_.Height(); }
    platform::DeviceContext& Dc() override { return surface_.Dc(); }
    bool SavePng(const std::string& path) override { return surface_.SavePng(path); }
    platform::Color PixelAt(int x, int y) const override { return surface_.PixelAt(x, y); }

  private:
    FakeSurface& surface_;
};

void ResetProcessValues() {
    basComon::ImageList.assign(1, ImageEntry{});
    basComon::DevMode = false;
    basComon::SaverHost = 0;
    basComon::HolidayList.assign(1, HolidayEntry{});
    basComon::HolidayCount = 0;
}

} // namespace

void FakeSurface::Resize(int width, int height) {
    resizes.push_back({width, height});
    width_ = width;
    height_ = height;
}

std::unique_ptr<platform::Surface> FakeDrawing::CreateSurface(int width, int height) {
    owned_.push_back(std::make_unique<FakeSurface>(width, height));
    surfaces.push_back(owned_.back().get());
    return std::make_unique<SurfaceHandle>(*owned_.back());
}

std::unique_ptr<platform::Picture> FakePictures::Load(const std::string& path) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        loads.push_back(path);
    }
    if (throwOnLoad.count(path)) throw std::runtime_error("unreadable");
    const auto it = sizes.find(path);
    if (it == sizes.end()) return nullptr;
    return std::make_unique<FakePicture>(*this, path, it->second);
}

std::size_t FakePictures::LoadCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return loads.size();
}

platform::FileIdentity FakeFiles::Of(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int version = versions_[path];
    platform::FileIdentity identity;
    identity.Exists = version >= 0;
    identity.FileId = 1;
    identity.Modified = version;
    return identity;
}

void FakeFiles::Replace(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++versions_[path];
}

void FakeFiles::Remove(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    versions_[path] = -1;
}

std::vector<platform::Rect> FakeSaverWindow::Copies() const {
    std::vector<platform::Rect> rects;
    for (const DcCall& call : dc.Only(DcCall::Kind::CopyFrom))
        rects.push_back(call.Rect);
    return rects;
}

SaverRig::SaverRig(platform::Size screenSize, platform::LocalTime start)
    : clock(start), screen(screenSize) {
    ResetProcessValues();
    windows.makeSaver = [this](platform::SaverEvents& events, platform::NativeHandle host) {
        windows_.push_back(std::make_unique<FakeSaverWindow>(events, host, screen.size));
        window = windows_.back().get();
        return std::make_unique<WindowHandle>(*window);
    };
    windows.makeMonitorWindow = [this](platform::SaverEvents& events,
                                       const platform::Monitor& monitor) {
        windows_.push_back(std::make_unique<FakeSaverWindow>(events, 0, monitor.Area));
        monitorWindows.emplace_back(windows_.back().get(), monitor);
        return std::make_unique<WindowHandle>(*windows_.back());
    };
    windows.onWait = [this](int milliseconds) { clock.Advance(milliseconds); };
    windows.onPump = [this] {
        const int pass = static_cast<int>(passes.size()) + 1;
        PassRecord record;
        record.StartMs = passes.empty() ? 0 : passes.back().ElapsedMs;
        record.ElapsedMs = clock.Elapsed();
        record.Loads = pictures.LoadCount();
        record.Copies = window ? window->Copies().size() : 0;
        record.CursorCount = windows.cursorCount;
        record.Second = clock.Now().Second;
        passes.push_back(record);
        if (onPass) onPass(pass);
        if ((pass == stopAfter || pass == maxPasses) && window) window->events.OnKeyDown(27);
    };
    platform::Services services;
    services.clock = &clock;
    services.screen = &screen;
    services.process = &process;
    services.text = &text;
    services.windows = &windows;
    services.drawing = &drawing;
    services.pictures = &pictures;
    services.files = &files;
    services.settingsFile = &settingsFile;
    scope_ = std::make_unique<platform::ScopedServices>(services);
}

SaverRig::~SaverRig() {
    ResetProcessValues();
}

void SaverRig::AddPicture(const std::string& folder, const std::string& file, platform::Size size) {
    ImageEntry entry;
    entry.Folder = folder;
    entry.FileName = file;
    entry.Title = file;
    entry.OrigFolder = folder;
    entry.Flag = true;
    basComon::ImageList.push_back(entry);
    pictures.sizes[basComon::AddBackslash(folder) + file] = size;
}

} // namespace fakes
