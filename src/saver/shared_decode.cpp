#include "shared_decode.h"

#include <chrono>
#include <cstring>
#include <iterator>
#include <vector>

#include "compose.h"
#include "platform/services.h"
#include "raster/area_filter.h"

namespace basComon {
namespace {

bool Stopped(const platform::StopFlag* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

platform::Size Fitted(int pw, int ph, platform::Size screen, double dpi) {
    const platform::Rect r =
        FitPicture(pw, ph, screen.Width, screen.Height, screen.Width, screen.Height,
                   DisplayScale(dpi));
    return {r.Width(), r.Height()};
}

// `from` (all of a `size` image) averaged down into `dest` on `to`, row by row through the
// contexts' pixels. False when either context cannot give or take its pixels.
bool AveragedCopy(platform::DeviceContext& from, platform::Size size, platform::DeviceContext& to,
                  const platform::Rect& dest) {
    std::vector<std::uint32_t> in, out(static_cast<std::size_t>(dest.Width()));
    if (!from.ReadPixels({0, 0, size.Width, 1}, in)) return false;
    // Written back with the fourth byte the image keeps.
    const std::uint32_t fourth = in.empty() ? 0 : in[0] & 0xFF000000u;
    bool written = true;
    raster::AreaFilter filter;
    filter.Start(size.Width, size.Height, dest.Width(), dest.Height(),
                 [&](int y, const std::uint32_t* row) {
                     for (std::size_t x = 0; x < out.size(); ++x)
                         out[x] = (row[x] & 0xFFFFFFu) | fourth;
                     written = written && to.WritePixels({dest.Left, dest.Top + y, dest.Right,
                                                          dest.Top + y + 1},
                                                         out);
                 });
    for (int y = 0; y < size.Height && written; ++y) {
        if (y > 0 && !from.ReadPixels({0, y, size.Width, y + 1}, in)) return false;
        filter.AddRow(reinterpret_cast<const unsigned char*>(in.data()));
    }
    return written;
}

} // namespace

SharedDecodes& SharedDecodes::Instance() {
    static SharedDecodes shared;
    return shared;
}

void SharedDecodes::Join(const void* who) {
    std::lock_guard<std::mutex> lock(mutex_);
    members_[who];
}

void SharedDecodes::Leave(const void* who) {
    std::lock_guard<std::mutex> lock(mutex_);
    members_.erase(who);
    Forget(who);
}

void SharedDecodes::Request(const void* who, platform::Size screen, double dpi) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = members_.find(who);
    if (it != members_.end()) it->second = {screen, dpi, true, true};
}

void SharedDecodes::Request(const void* who) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = members_.find(who);
    if (it != members_.end() && it->second.known) it->second.busy = true;
}

void SharedDecodes::Idle(const void* who) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = members_.find(who);
    if (it != members_.end()) it->second.busy = false;
    Forget(who);
}

// `who` will not take the current decoding: it goes when nobody else waits for it.
void SharedDecodes::Forget(const void* who) {
    if (current_) {
        current_->waiting.erase(who);
        if (current_->waiting.empty() && current_->state != Decoded::State::Decoding)
            current_.reset();
    }
    changed_.notify_all();
}

void SharedDecodes::Decode(Decoded& decoded, const platform::StopFlag* stop) {
    platform::Services& sys = platform::Current();
    std::unique_ptr<platform::Picture> picture;
    try {
        picture = sys.pictures->Load(decoded.path);
    } catch (...) {
    }
    if (!picture || picture->Width() <= 0 || picture->Height() <= 0) return;
    decoded.pictureW = picture->Width();
    decoded.pictureH = picture->Height();
    // The largest size any of the monitors fits it to.
    platform::Size largest;
    for (const auto& [who, member] : decoded.waiting) {
        const platform::Size s = Fitted(decoded.pictureW, decoded.pictureH, member.screen,
                                        member.dpi);
        if (std::int64_t(s.Width) * s.Height > std::int64_t(largest.Width) * largest.Height)
            largest = s;
    }
    if (largest.Width <= 0 || largest.Height <= 0) return;
    try {
        decoded.pixels = sys.drawing->CreateSurface(largest.Width, largest.Height);
        if (!decoded.pixels ||
            !picture->DrawScaled(*decoded.pixels, {0, 0, largest.Width, largest.Height}, stop))
            decoded.pixels.reset();
    } catch (...) {
        decoded.pixels.reset();
    }
}

void SharedDecodes::Took(const std::shared_ptr<Decoded>& decoded, const void* who) {
    decoded->waiting.erase(who);
    if (decoded->waiting.empty() && current_ == decoded) current_.reset();
}

SharedDecodes::Result SharedDecodes::Draw(const void* who, platform::Surface& canvas,
                                          const std::string& path,
                                          const platform::FileIdentity& identity,
                                          platform::Size screen, double dpi,
                                          const platform::StopFlag* stop) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!members_.count(who)) return Result::NotShared;
    std::size_t busy = 0;
    for (const auto& [member, state] : members_) busy += state.busy ? 1 : 0;
    std::shared_ptr<Decoded> decoded = current_;
    if (decoded && decoded->path == path && decoded->identity == identity &&
        decoded->state != Decoded::State::Stale) {
        // Another preparer has it, or is decoding it.
        while (decoded->state == Decoded::State::Decoding && !Stopped(stop))
            changed_.wait_for(lock, std::chrono::milliseconds(20));
    } else if (busy < 2) {
        return Result::NotShared;
    } else {
        decoded = std::make_shared<Decoded>();
        decoded->path = path;
        decoded->identity = identity;
        for (const auto& [member, state] : members_)
            if (state.busy) decoded->waiting[member] = state;
        current_ = decoded;
        lock.unlock();
        Decode(*decoded, stop);
        // Only what was decoded from that one file is shared; a decoding cut short by its
        // preparer going leaves the others to decode it themselves.
        bool same = !Stopped(stop);
        try {
            same = same && platform::Current().files->Of(path) == identity;
        } catch (...) {
        }
        lock.lock();
        decoded->state = !same                ? Decoded::State::Stale
                         : decoded->pixels ? Decoded::State::Ready
                                           : Decoded::State::Failed;
        changed_.notify_all();
        // Those that finished their requests meanwhile will not take it.
        for (auto it = decoded->waiting.begin(); it != decoded->waiting.end();) {
            const auto member = members_.find(it->first);
            it = member == members_.end() || !member->second.busy ? decoded->waiting.erase(it)
                                                                   : std::next(it);
        }
    }
    if (decoded->state == Decoded::State::Decoding || decoded->state == Decoded::State::Stale) {
        Took(decoded, who);
        return Result::NotShared;
    }
    // Copied outside the lock, so that requests on the show's thread never wait for it.
    lock.unlock();
    canvas.Dc().Fill({0, 0, canvas.Width(), canvas.Height()}, platform::Rgb(0, 0, 0));
    Result result = Result::Made;
    if (decoded->state == Decoded::State::Ready) {
        std::lock_guard<std::mutex> reading(decoded->reading);
        const platform::Rect dest =
            FitPicture(decoded->pictureW, decoded->pictureH, screen.Width, screen.Height,
                       canvas.Width(), canvas.Height(), DisplayScale(dpi));
        const platform::Size size{decoded->pixels->Width(), decoded->pixels->Height()};
        if (dest.Width() == size.Width && dest.Height() == size.Height) {
            canvas.Dc().CopyFrom(dest.Left, dest.Top, size.Width, size.Height,
                                 decoded->pixels->Dc(), 0, 0);
        } else if (dest.Width() > size.Width || dest.Height() > size.Height ||
                   !AveragedCopy(decoded->pixels->Dc(), size, canvas.Dc(), dest)) {
            result = Result::NotShared;
        }
    }
    lock.lock();
    Took(decoded, who);
    return result;
}

} // namespace basComon
