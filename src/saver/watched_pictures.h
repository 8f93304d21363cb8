#pragma once
#include <memory>
#include <string>

#include "platform/pictures.h"

namespace basComon {

// The system's pictures, noting whether the last picture opened could be drawn: a picture that
// opens but whose data fails to decode (a truncated file) leaves its frame black, and a caller
// that reports on the frame needs to know.
class WatchedPictures : public platform::Pictures {
  public:
    explicit WatchedPictures(platform::Pictures& system) : system_(system) {}
    std::unique_ptr<platform::Picture> Load(const std::string& path) override {
        auto picture = system_.Load(path);
        if (!picture) return nullptr;
        return std::make_unique<Watched>(std::move(picture), drawn);
    }
    bool drawn = false;

  private:
    class Watched : public platform::Picture {
      public:
        Watched(std::unique_ptr<platform::Picture> picture, bool& drawn)
            : picture_(std::move(picture)), drawn_(drawn) {}
        int Width() const override { return picture_->Width(); }
        int Height() const override { return picture_->Height(); }
        bool DrawScaled(platform::Surface& target, const platform::Rect& dest,
                        const platform::StopFlag* stop) override {
            drawn_ = picture_->DrawScaled(target, dest, stop);
            return drawn_;
        }

      private:
        std::unique_ptr<platform::Picture> picture_;
        bool& drawn_;
    };
    platform::Pictures& system_;
};

} // namespace basComon
