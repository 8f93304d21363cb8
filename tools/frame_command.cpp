#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "commands.h"
#include "platform/services.h"
#include "saver/compose.h"
#include "saver/watched_pictures.h"
#include "settings/settings.h"

namespace {

const char* const Usage =
    "Usage: lumora-tool frame --size WxH [--at \"YYYY-MM-DD hh:mm\"] [--picture FILE]\n"
    "                         [--rules FILE] [--dpi N] [--stats] -o OUT.png\n"
    "\n"
    "Draws the frame the saver would show on a screen of W x H pixels and writes it as PNG:\n"
    "the picture scaled down to fit (or, smaller than the screen, enlarged by the display's\n"
    "scale, dpi / 96, as far as the screen allows) and centred on black, the day row of the\n"
    "month with its holidays and the date and time over it.\n"
    "\n"
    "  --size WxH       the screen size in pixels, 16 to 16384 each way, at most 67108864\n"
    "                   pixels in all (8192 x 8192)\n"
    "  --at TIME        the clock the frame shows, \"YYYY-MM-DD hh:mm\"; by default now\n"
    "  --picture FILE   the picture to show; without it the frame is the calendar on black\n"
    "  --rules FILE     the holiday rule file; by default the Calender.dat the saver reads\n"
    "  --dpi N          the display's density, 24 to 1200 dots per inch (96 unless given):\n"
    "                   the day row, the clock and a smaller picture grow with it, as on a\n"
    "                   scaled desktop\n"
    "  --stats          print on standard error how long the frame took, from the start of\n"
    "                   the command to the PNG written, and this process's peak memory\n"
    "  -o, --output OUT the PNG file to write\n"
    "\n"
    "Exits with 0 when the frame was written, 1 when it was written but the picture could\n"
    "not be shown (the frame is then black, as in the saver), 2 on bad arguments or a file\n"
    "that could not be read or written.\n";

constexpr int MinSide = 16;
constexpr int MaxSide = 16384;
constexpr long long MaxPixels = 8192LL * 8192LL;

int UsageError(const std::string& message) {
    std::fprintf(stderr, "lumora-tool frame: %s\n\n%s", message.c_str(), Usage);
    return tool::ExitUsage;
}

int FileError(const std::string& message) {
    std::fprintf(stderr, "lumora-tool frame: %s\n", message.c_str());
    return tool::ExitUsage;
}

// A whole number made of digits only, within [low, high].
std::optional<int> Number(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<platform::Size> ParseSize(const std::string& text) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return std::nullopt;
    const auto w = Number(text.substr(0, x), MinSide, MaxSide);
    const auto h = Number(text.substr(x + 1), MinSide, MaxSide);
    if (!w || !h || static_cast<long long>(*w) * *h > MaxPixels) return std::nullopt;
    return platform::Size{*w, *h};
}

// "YYYY-MM-DD hh:mm" (a "T" between the two parts is taken too).
std::optional<platform::LocalTime> ParseTime(const std::string& text) {
    if (text.size() != 16 || (text[10] != ' ' && text[10] != 'T') || text[13] != ':')
        return std::nullopt;
    const auto date = basComon::ParseIsoDate(text.substr(0, 10));
    const auto hour = Number(text.substr(11, 2), 0, 23);
    const auto minute = Number(text.substr(14, 2), 0, 59);
    if (!date || !hour || !minute) return std::nullopt;
    platform::LocalTime t;
    t.Year = date->Year;
    t.Month = date->Month;
    t.Day = date->Day;
    t.Hour = *hour;
    t.Minute = *minute;
    return t;
}

// The clock of the frame: standing at the asked time, with the system's weekday names.
class FixedClock : public platform::Clock {
  public:
    FixedClock(platform::LocalTime time, platform::Clock& system) : time_(time), system_(system) {}
    platform::LocalTime Now() override { return time_; }
    void Sleep(int) override {}
    std::string AbbreviatedWeekdayName(int weekday) override {
        return system_.AbbreviatedWeekdayName(weekday);
    }

  private:
    platform::LocalTime time_;
    platform::Clock& system_;
};

class FixedScreen : public platform::Screen {
  public:
    FixedScreen(platform::Size size, double dpi) : size_(size), dpi_(dpi) {}
    platform::Size PrimarySize() override { return size_; }
    double Dpi() override { return dpi_; }

  private:
    platform::Size size_;
    double dpi_;
};

bool SomethingAt(const std::string& utf8Path) {
    const std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
    std::error_code error;
    return std::filesystem::exists(path, error);
}

struct Options {
    platform::Size Size;
    std::optional<platform::LocalTime> At;
    std::string Picture;
    std::string Rules;
    std::string Output;
    int Dpi = 96;
    bool Stats = false;
};

// Fills `options` from the arguments; an exit code when the command is to end at once.
std::optional<int> ParseArguments(const std::vector<std::string>& args, Options& options) {
    std::optional<platform::Size> size;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (tool::IsHelpOption(arg)) {
            std::fputs(Usage, stdout);
            return tool::ExitOk;
        }
        if (arg == "--stats") {
            options.Stats = true;
            continue;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            name = arg.substr(0, arg.find('='));
            value = arg.substr(arg.find('=') + 1);
            inlineValue = true;
        }
        const bool known = name == "--size" || name == "--at" || name == "--picture" ||
                           name == "--rules" || name == "--dpi" || name == "-o" ||
                           name == "--output";
        if (!known) return UsageError("unknown argument '" + arg + "'");
        if (!inlineValue) {
            if (i + 1 >= args.size()) return UsageError(name + " needs a value");
            value = args[++i];
        }
        if (name == "--size") {
            size = ParseSize(value);
            if (!size)
                return UsageError("'" + value + "' is not a size WxH of 16 to 16384 pixels " +
                                  "each way and at most 8192 x 8192 in all");
        } else if (name == "--at") {
            options.At = ParseTime(value);
            if (!options.At)
                return UsageError("'" + value + "' is not a time of the form YYYY-MM-DD hh:mm");
        } else if (name == "--picture") {
            options.Picture = value;
        } else if (name == "--rules") {
            options.Rules = value;
        } else if (name == "--dpi") {
            const auto dpi = Number(value, 24, 1200);
            if (!dpi) return UsageError("'" + value + "' is not a density of 24 to 1200 dpi");
            options.Dpi = *dpi;
        } else {
            options.Output = value;
        }
        if (value.empty()) return UsageError(name + " needs a value");
    }
    if (!size) return UsageError("--size WxH is needed");
    if (options.Output.empty()) return UsageError("-o OUT.png is needed");
    options.Size = *size;
    return std::nullopt;
}

bool LoadRules(const std::string& path, std::string& error) {
    std::string text;
    if (!tool::ReadRuleFile(path, text, error)) return false;
    const std::vector<HolidayEntry> entries = basComon::ParseHolidayFile(text);
    basComon::HolidayList.assign(1, HolidayEntry{});
    basComon::HolidayList.insert(basComon::HolidayList.end(), entries.begin(), entries.end());
    basComon::HolidayCount = static_cast<std::int16_t>(entries.size());
    return true;
}

int Compose(const Options& options) {
    tool::UseFileServices();
    platform::Process& process = *platform::Current().process;
    // Something that is there but is no picture (a folder, say) gives the black frame, as in
    // the saver; only a name that leads nowhere is an error of the command.
    if (!options.Picture.empty() && !process.FileExists(options.Picture) &&
        !SomethingAt(options.Picture))
        return FileError("cannot find the picture '" + options.Picture + "'");
    std::string error;
    if (!LoadRules(options.Rules.empty() ? tool::ShippedHolidayFile() : options.Rules, error))
        return FileError(error);

    platform::ScopedServices native(platform::NativeServices());
    platform::Clock& systemClock = *platform::Current().clock;
    FixedClock clock(options.At ? *options.At : systemClock.Now(), systemClock);
    FixedScreen screen(options.Size, options.Dpi);
    basComon::WatchedPictures pictures(*platform::Current().pictures);
    platform::Services fixed;
    fixed.clock = &clock;
    fixed.screen = &screen;
    fixed.pictures = &pictures;
    platform::ScopedServices frame(fixed);

    std::unique_ptr<platform::Surface> canvas =
        platform::Current().drawing->CreateSurface(options.Size.Width, options.Size.Height);
    if (!canvas || canvas->Width() != options.Size.Width || canvas->Height() != options.Size.Height)
        return FileError("not enough memory for a frame of that size");
    std::unique_ptr<platform::Picture> picture;
    basComon::ComposeFrame(*canvas, options.Picture, options.Size, picture);
    if (!canvas->SavePng(options.Output)) return FileError("cannot write '" + options.Output + "'");
    if (!options.Picture.empty() && (!picture || !pictures.drawn)) {
        std::fprintf(stderr,
                     "lumora-tool frame: '%s' is not a picture the saver can show; the frame "
                     "is black, as the saver would show it\n",
                     options.Picture.c_str());
        return tool::ExitProblems;
    }
    return tool::ExitOk;
}

} // namespace

int RunFrameCommand(const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    Options options;
    if (const auto code = ParseArguments(args, options)) return *code;
    const auto drawing = tool::PrepareDrawing();
    const int code = Compose(options);
    if (options.Stats) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::fprintf(stderr, "lumora-tool frame: %.3f s, peak memory %.1f MiB\n", elapsed.count(),
                     double(tool::PeakResidentBytes()) / (1 << 20));
    }
    return code;
}
