// Times drops on the settings dialog's picture list through the real services (the real list
// control included): one drop of 5,000 files and one of a folder holding 20,000 pictures in 100
// subfolders, beside a plain walk and sort of the same folder with std::filesystem (the floor).
// On Linux also the case-insensitive lookup of a stored lower-case name, once per mark, against
// a scan of the folder as it was made before the folder's names were kept.
//
//   drop_bench [--runs N]     (Linux: QT_QPA_PLATFORM=offscreen works)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "dialog/frmSetting.h"
#include "platform/services.h"
#include "settings/settings.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int runs = 5;

double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

double TimeMs(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void Touch(const fs::path& path) {
    std::ofstream(path) << 'x';
}

// One drop on a fresh dialog with an empty list; the dialog is closed again.
double Drop(const std::vector<std::string>& files) {
    basComon::ImageList.assign(1, ImageEntry{});
    frmSetting dialog;
    const double ms = TimeMs([&] { dialog.OnDrop(files); });
    if (basComon::ImageCount() == 0) {
        std::fprintf(stderr, "drop_bench: nothing was added\n");
        std::exit(1);
    }
    dialog.BTN_Click(frmSetting::CloseButton);
    return ms;
}

void Run(const platform::StartInfo&) {
    const fs::path root = fs::temp_directory_path() / "lumora-drop-bench";
    fs::remove_all(root);
    std::vector<std::string> files;
    for (int i = 0; i < 5000; ++i) {
        const fs::path file = root / "selection" / (std::string("IMG_") + std::to_string(10000 + i) + ".JPG");
        if (i == 0) fs::create_directories(file.parent_path());
        Touch(file);
        files.push_back(Utf8(file));
    }
    const fs::path folder = root / "Album";
    for (int d = 0; d < 100; ++d) {
        const fs::path sub = folder / (std::string("Day ") + std::to_string(d));
        fs::create_directories(sub);
        for (int i = 0; i < 200; ++i) Touch(sub / (std::string("P") + std::to_string(1000 + i) + ".jpg"));
    }

    std::vector<double> selection, walk, floor;
    for (int r = 0; r < runs; ++r) {
        selection.push_back(Drop(files));
        walk.push_back(Drop({Utf8(folder)}));
        floor.push_back(TimeMs([&] {
            std::vector<std::string> found;
            for (const auto& entry : fs::recursive_directory_iterator(folder))
                if (entry.is_regular_file()) found.push_back(Utf8(entry.path()));
            std::sort(found.begin(), found.end());
        }));
    }
    std::printf("| a drop of 5,000 files | %.1f ms |\n", Median(selection));
    std::printf("| a drop of a folder of 20,000 pictures | %.1f ms |\n", Median(walk));
    std::printf("| floor: walk and sort of that folder (std::filesystem) | %.1f ms |\n",
                Median(floor));

    // The lookup of a stored name per mark: one folder of 20,000 names, asked in lower case.
    const fs::path many = root / "Many";
    fs::create_directories(many);
    for (int i = 0; i < 20000; ++i)
        Touch(many / (std::string("Photo_") + std::to_string(i) + ".JPG"));
    // A folder last changed long ago, as a picture folder is at a mark.
    fs::last_write_time(many, fs::last_write_time(many) - std::chrono::hours(1));
    platform::Process& process = *platform::Current().process;
    const std::string base = Utf8(many) + "/photo_";
    if (process.ResolvePathCase(Utf8(many)) != Utf8(many) ||
        process.ResolvePathCase(base + "0.jpg") == base + "0.jpg") {
        std::printf("| the lookup of a stored name | (the system ignores case: nothing to do) |\n");
    } else {
        std::vector<double> kept, scan;
        for (int r = 0; r < runs; ++r) {
            kept.push_back(TimeMs([&] {
                for (int i = 0; i < 1000; ++i)
                    process.ResolvePathCase(base + std::to_string(i * 19) + ".jpg");
            }) / 1000);
            scan.push_back(TimeMs([&] {
                for (int i = 0; i < 20; ++i) {
                    const std::string wanted = std::string("photo_") + std::to_string(i * 997) + ".jpg";
                    for (const auto& entry : fs::directory_iterator(many)) {
                        std::string name = Utf8(entry.path().filename());
                        for (char& c : name) c = static_cast<char>(std::tolower(c));
                        if (name == wanted) break;
                    }
                }
            }) / 20);
        }
        std::printf("| the lookup of a stored name, per mark (folder of 20,000) | %.3f ms |\n",
                    Median(kept));
        std::printf("| peer: a scan of that folder per mark | %.3f ms |\n", Median(scan));
    }
    fs::remove_all(root);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    return platform::RunProgram(argc, argv, Run);
}
