// Times saving and loading the picture list through the real settings file, on whichever system
// this is built for, next to the key-by-key reads and writes of the system's profile functions
// in the same run.
//
//   list_bench [--runs N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "settings/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds of each run of `work`, after `prepare` (not timed).
std::vector<double> Time(int runs, const std::function<void()>& prepare,
                         const std::function<bool()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const auto start = Clock::now();
        if (!work()) {
            std::fprintf(stderr, "list_bench: the operation failed\n");
            std::exit(1);
        }
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times;
}

void Row(const std::string& what, const std::vector<double>& ms) {
    std::printf("| %s | %.1f | %.1f | %.1f |\n", what.c_str(), ms[ms.size() / 2], ms.front(),
                ms.back());
}

// A list as the dialog makes it: pictures in Japanese folders, about 110 bytes a line.
std::vector<ImageEntry> List(int count) {
    std::vector<ImageEntry> list(1);
    const std::string folder = std::string(1, platform::Current().text->PathSeparator());
    for (int i = 1; i <= count; ++i) {
        const std::string dir = "c:" + folder + "写真" + folder + "旅行 " +
                                std::to_string(i / 100) + folder + "海辺" + folder;
        const std::string name = "img_" + std::to_string(100000 + i) + ".jpg";
        list.push_back({dir, name, name, dir, true});
    }
    return list;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    platform::ScopedServices native(platform::NativeServices());
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "lumora-list-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto u8 = (folder / "LumoraScr.ini").u8string();
    const std::string ini(u8.begin(), u8.end());
    basComon::IniPath = basComon::IniSavePath = ini;
    const auto removeFile = [&] { std::filesystem::remove(folder / "LumoraScr.ini"); };
    const auto nothing = [] {};

    std::printf("| operation | median ms | min ms | max ms |\n|---|---:|---:|---:|\n");
    for (const int count : {1000, 32767}) {
        const auto list = List(count);
        const std::string n = std::to_string(count);
        Row("save " + n + " entries, new file", Time(runs, removeFile, [&] {
                basComon::ImageList = list;
                return basComon::SaveImageList();
            }));
        Row("save " + n + " entries over the same list", Time(runs, nothing, [&] {
                basComon::ImageList = list;
                return basComon::SaveImageList();
            }));
        Row("load " + n + " entries", Time(runs, nothing, [&] {
                basComon::LoadImageList();
                return basComon::ImageCount() == count;
            }));
    }

    // The peer: the profile functions one key at a time, as the list was stored before.
    const int keys = 300;
    const auto list = List(keys);
    Row("peer: write " + std::to_string(keys) + " entries key by key, new file",
        Time(std::min(runs, 3), removeFile, [&] {
            bool ok = basComon::PutIniString("Image", "Count", std::to_string(keys), ini);
            for (int i = 1; i <= keys; ++i)
                ok = basComon::PutIniString("Image", std::to_string(i),
                                            basComon::FormatImageLine(list[std::size_t(i)]), ini) &&
                     ok;
            return ok;
        }));
    basComon::ImageList = List(32767);
    if (!basComon::SaveImageList()) return 1;
    Row("peer: read 1000 entries key by key from the 32767-entry file", Time(runs, nothing, [&] {
            for (int i = 1; i <= 1000; ++i)
                if (basComon::GetIniString("Image", std::to_string(i), "", ini).empty())
                    return false;
            return true;
        }));
    std::filesystem::remove_all(folder);
    return 0;
}
