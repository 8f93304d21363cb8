#include "frmMain.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "calendar/calendar.h"
#include "compose.h"
#include "monitors.h"
#include "pass_trace.h"
#include "prepare.h"
#include "settings/settings.h"
#include "startup/startup.h"

namespace {

platform::Services& Sys() {
    return platform::Current();
}

} // namespace

frmMain::frmMain(platform::NativeHandle host) : host_(host) {
    window_ = Sys().windows->CreateSaverWindow(*this, host);
    // Named before it is shown, so that a second start finds it as early as possible.
    if (window_ && !Hosted()) window_->SetCaption(Title);
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
    LastX_ = -9999;
    LastY_ = -9999;
    const platform::Size screen = Sys().screen->PrimarySize();
    ScreenWidthPx_ = std::max(0, screen.Width);
    ScreenHeightPx_ = std::max(0, screen.Height);
    picPreview = Sys().drawing->CreateSurface(ScreenWidthPx_, ScreenHeightPx_);
}

void frmMain::Show() {
    if (window_) window_->Show();
}

bool frmMain::OwnsPointer() const {
    return !basComon::DevMode && !Hosted();
}

void frmMain::SetFullScreen() {
    window_->Maximize();
    if (basComon::DevMode) return;
    // A host window's stacking belongs to the program that owns it.
    if (Hosted()) return;
    window_->MakeTopmost();
}

void frmMain::Form_MouseDown(int, int, float, float) {
    Running_ = false;
}

void frmMain::Form_KeyDown(int, int) {
    Running_ = false;
}

void frmMain::Form_MouseMove(int, int, float X, float Y) {
    if (LastX_ == -9999 && LastY_ == -9999) {
        // The first position is only the reference the later moves are measured from.
        const auto whole = [](float v) {
            const double r = std::nearbyint(static_cast<double>(v));
            if (!(r >= std::numeric_limits<std::int32_t>::min() &&
                  r <= std::numeric_limits<std::int32_t>::max()))
                return std::int32_t{0};
            return static_cast<std::int32_t>(r);
        };
        LastX_ = whole(X);
        LastY_ = whole(Y);
        return;
    }
    const double d =
        std::abs(LastY_ - static_cast<double>(Y)) + std::abs(LastX_ - static_cast<double>(X));
    if (d > 10) Running_ = false;
}

void frmMain::OnMouseMove(double x, double y) {
    Form_MouseMove(0, 0, static_cast<float>(x), static_cast<float>(y));
}

void frmMain::OnCloseRequest() {
    closeRequested_ = true;
    Running_ = false;
}

void frmMain::ShuffleTiles(std::vector<std::int16_t>& Tiles) {
    if (Tiles.size() < 2) return;
    const int upper = static_cast<int>(Tiles.size()) - 1;
    for (int i = 1; i <= upper; ++i) {
        const double r = Sys().process->Random();
        const double j = std::floor(r * upper) + 1;
        // Checked as a real number, so that a value outside [0, 1) cannot reach the array.
        if (j >= 1 && j <= upper && static_cast<int>(j) != i)
            std::swap(Tiles[static_cast<std::size_t>(i)], Tiles[static_cast<std::size_t>(j)]);
    }
}

std::string frmMain::NextImage(std::int16_t& ImageIndex) const {
    const int N = std::min(basComon::ImageCount(), basComon::MaxListEntries);
    if (N <= 0) return {};
    ImageIndex = static_cast<std::int16_t>((ImageIndex % N) + 1);
    // An index that is out of step with the list (it cannot be, but a bad value must not read
    // past the end) starts the list again.
    if (ImageIndex < 1 || ImageIndex > N) ImageIndex = 1;
    const ImageEntry& entry = basComon::ImageList[static_cast<std::size_t>(ImageIndex)];
    if (entry.Folder.empty() && entry.FileName.empty()) return {};
    return basComon::AddBackslash(entry.Folder) + entry.FileName;
}

void frmMain::ComposeNextImage(std::int16_t& ImageIndex) {
    if (!picPreview) return;
    const std::string path = NextImage(ImageIndex);
    const platform::Size screen{ScreenWidthPx_, ScreenHeightPx_};
    const platform::Rect whole{0, 0, picPreview->Width(), picPreview->Height()};
    const platform::Rect band = basComon::CalendarBand(screen, Sys().screen->Dpi());
    if (path.empty() && blankShown_) {
        // The calendar on black again: only its rows change, so only they are cleared, drawn
        // and revealed (with the rows of the last one, in case the density changed since).
        const platform::Rect rows = platform::Intersect(
            {0, std::min(band.Top, calendarTop_), whole.Right, whole.Bottom}, whole);
        picPreview->Dc().Fill(rows, platform::Rgb(0, 0, 0));
        markArea_ = rows;
        basComon::DrawCalendarOver(*picPreview);
    } else {
        basComon::ComposeFrame(*picPreview, path, screen, picLoad);
        markArea_.reset();
    }
    calendarTop_ = band.Top;
    blankShown_ = path.empty();
}

int frmMain::UntilNextMark(const platform::LocalTime& now) {
    const int intoSlot = (now.Second % 10) * 1000 + now.Milliseconds;
    return std::clamp(10000 - intoSlot, 0, 10000);
}

void frmMain::CopyTile(int tile) {
    platform::Rect r = basComon::TileArea(tile, {ScreenWidthPx_, ScreenHeightPx_});
    if (markArea_) r = platform::Intersect(r, *markArea_);
    if (!markArea_ || r.Width() > 0) window_->Reveal(*picPreview, r);
    if (others_) others_->CopyTile(tile);
}

void frmMain::EndSequence() {
    if (OwnsPointer()) Sys().windows->ShowCursor(true);
    if (others_) others_->CloseAll();
    window_->Close();
}

void frmMain::StartScreenSaver() {
    if (!window_ || !picPreview) return;
    platform::Windows& windows = *Sys().windows;
    platform::Clock& clock = *Sys().clock;

    std::int16_t ImageIndex = 0;
    std::vector<std::int16_t> TileOrder(49, 0);
    int RevealIndex = 0;
    int LastSlot = 0;
    bool NeedCompose = false;
    basComon::PicturePreparer preparer;
    basComon::PassTrace trace;

    Running_ = !closeRequested_;
    SetFullScreen();
    if (OwnsPointer()) windows.ShowCursor(false);
    // An own window has company on every other monitor; a host window is all there is.
    if (!Hosted()) {
        others_ = std::make_unique<basComon::OtherMonitors>(*this);
        others_->Follow(Sys().screen->Monitors(), !basComon::DevMode);
    }
    LastSlot = -1;
    const platform::Size client = window_->ClientSize();
    const int canvasW = std::max(0, client.Width), canvasH = std::max(0, client.Height);
    picPreview->Resize(canvasW, canvasH);
    picPreview->Dc().Fill({0, 0, picPreview->Width(), picPreview->Height()},
                          platform::Rgb(0, 0, 0));
    // The composition before the loop would be replaced by the first pass before any of it is
    // shown: only its step through the list is kept, so the first picture shown is the second.
    NextImage(ImageIndex);
    const bool showsPictures = std::min(basComon::ImageCount(), basComon::MaxListEntries) > 0;
    if (showsPictures && !picNext) picNext = Sys().drawing->CreateSurface(canvasW, canvasH);
    const platform::Size screen{ScreenWidthPx_, ScreenHeightPx_};
    // The picture of the next mark: the entry after the one shown.
    auto upcoming = [&] {
        std::int16_t next = ImageIndex;
        return NextImage(next);
    };
    // The next picture is made ahead on the spare canvases (every monitor's), once no reveal
    // reads the canvases.
    auto prepareNext = [&] {
        if (!showsPictures) return;
        const std::string path = upcoming();
        if (picNext) preparer.Prepare(picNext, path, screen);
        if (others_) others_->Prepare(path);
    };
    prepareNext();
    for (int i = 1; i <= 48; ++i)
        TileOrder[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i);
    ShuffleTiles(TileOrder);
    RevealIndex = 0;

    while (Running_) {
        trace.BeginPass();
        const platform::LocalTime PassStart = clock.Now();
        const int slot = PassStart.Second / 10;
        // While the frame of a mark waits for its picture, nothing of it is revealed.
        if (RevealIndex != 0 && !NeedCompose) {
            CopyTile(TileOrder[static_cast<std::size_t>(RevealIndex)]);
            RevealIndex = (RevealIndex + 1) % 49;
            // A mark passed during the reveal is absorbed; the frame waits for the next one.
            LastSlot = slot;
            if (RevealIndex == 0) {
                trace.Event("revealed", PassStart);
                prepareNext();
            }
        }
        if (LastSlot != slot) {
            LastSlot = slot;
            NeedCompose = true;
            RevealIndex = 1;
            // The pictures made ahead are checked against their files once more, on the workers.
            preparer.Recheck();
            if (others_) others_->Recheck();
            // Monitors added, removed or resized since the last mark are followed now; a new
            // one's picture is requested at once and the mark waits for it.
            if (others_) {
                others_->Follow(Sys().screen->Monitors(), !basComon::DevMode);
                if (showsPictures) others_->Prepare(upcoming());
            }
        }
        auto elapsedMs = [&] {
            const platform::LocalTime now = clock.Now();
            int endMs = now.Milliseconds;
            if (endMs < PassStart.Milliseconds) endMs += 1000;
            return endMs - PassStart.Milliseconds;
        };
        // Every monitor's picture of the mark, the primary's first; each wait ends with the
        // pass's 20 ms.
        auto allReady = [&] {
            const bool primaryReady = !preparer.Pending() || preparer.WaitReady(20 - elapsedMs());
            return primaryReady && (!others_ || others_->WaitReady(20 - elapsedMs()));
        };
        if (NeedCompose) {
            if (!preparer.Pending()) {
                // Nothing prepared (an empty list): the frame is made here.
                const std::string path = upcoming();
                ComposeNextImage(ImageIndex);
                if (others_) others_->TakeFrames(path);
                NeedCompose = false;
                trace.Event("mark", PassStart);
            } else {
                trace.BeginWait();
                const bool ready = allReady();
                trace.EndWait();
                if (ready) {
                    picNext = std::move(picPreview);
                    picPreview = preparer.Take();
                    const std::string path = NextImage(ImageIndex);
                    basComon::DrawCalendarOver(*picPreview);
                    markArea_.reset();
                    blankShown_ = false;
                    if (others_) others_->TakeFrames(path);
                    NeedCompose = false;
                    trace.Event("mark", PassStart);
                }
            }
        }
        trace.BeginWait();
        if (NeedCompose) {
            // A mark waiting for its pictures: passes go on at the usual pace, handling input.
            allReady();
        } else if (RevealIndex != 0) {
            const int elapsed = elapsedMs();
            if (elapsed < 20) clock.Sleep(20 - elapsed);
        } else {
            // Nothing moves until the next mark: wait for it or for input, a second at most, so
            // that a wall clock set forwards or back is read again before long.
            windows.WaitForMessages(std::min(UntilNextMark(clock.Now()), MaxIdleWaitMs));
        }
        trace.EndWait();
        windows.PumpMessages();
        trace.EndPass();
    }
    EndSequence();
}
