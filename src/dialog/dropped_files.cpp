#include "dropped_files.h"

#include <algorithm>
#include <map>

#include "platform/services.h"

namespace {

// Folders below a dropped one that are walked at most: deeper ones are left out.
constexpr int MaxDepth = 64;

const char* const PickPictureMessage = "画像ファイルを指定してください。";

std::string PickKnownMessage() {
    return std::string(PickPictureMessage) + "(" + basComon::PictureExtensionList() + ")";
}

std::string ListFullMessage() {
    return "これ以上画像を登録できません。\n登録できる画像は " +
           std::to_string(basComon::MaxListEntries) + " 件までです。";
}

class DropWalk {
  public:
    explicit DropWalk(int room) : room_(room) {}

    void TakeDropped(const std::string& path) {
        if (result_.ListFull) return;
        if (auto entries = Sys().process->ListFolder(path)) {
            const std::size_t before = result_.Added.size();
            const int refusedBefore = result_.Refused;
            Walk(path, *entries, 0);
            if (result_.Added.size() == before && result_.Refused == refusedBefore &&
                !result_.ListFull)
                Refuse("このフォルダには登録できる画像ファイルがありません。\n" + path);
            return;
        }
        TakeFile(path, true);
    }

    DropResult Result() { return std::move(result_); }

  private:
    static platform::Services& Sys() { return platform::Current(); }

    void Refuse(const std::string& message) {
        if (result_.Refused++ == 0) result_.FirstRefusal = message;
    }

    // `dropped`: named by the drop itself, so that a name that is no picture is refused
    // aloud; files met in a walk that are no pictures are passed over.
    void TakeFile(const std::string& path, bool dropped) {
        const std::string P = Sys().text->ToLower(path);
        const auto dot = P.rfind('.');
        if (dot == std::string::npos) {
            if (dropped) Refuse(PickPictureMessage);
            return;
        }
        if (!basComon::IsPictureExtension(P.substr(dot + 1))) {
            if (dropped) Refuse(PickKnownMessage());
            return;
        }
        const auto separator = P.rfind(Sys().text->PathSeparator());
        // TAB separates the stored fields and a line break the stored lines: such a name would
        // be saved as a different entry, or as several. No Windows file name holds them.
        if (separator == std::string::npos || P.find_first_of("\t\r\n") != std::string::npos) {
            Refuse(PickKnownMessage());
            return;
        }
        // The settings file and the system's file calls carry the code page only; such a path
        // would be stored as one that names nothing.
        if (!Sys().text->FitsCodePage(P)) {
            Refuse("このファイル名にはシステムで扱えない文字が含まれているため、登録できません。\n" +
                   P);
            return;
        }
        if (static_cast<int>(result_.Added.size()) >= room_) {
            result_.ListFull = true;
            return;
        }
        ImageEntry entry;
        entry.Folder = P.substr(0, separator + 1);
        entry.FileName = P.substr(separator + 1);
        entry.Title = entry.FileName;
        entry.Flag = true;
        entry.OrigFolder = entry.Folder;
        result_.Added.push_back(std::move(entry));
        result_.Found.push_back(path);
    }

    // Depth first, each folder's entries in the order of their lower-case names with a
    // folder's name followed by the separator: the order of the stored paths' bytes.
    void Walk(const std::string& folder, std::vector<platform::FolderEntry>& entries, int depth) {
        const char separator = Sys().text->PathSeparator();
        const std::string prefix =
            !folder.empty() && folder.back() == separator ? folder : folder + separator;
        struct Item {
            std::string Key;
            const platform::FolderEntry* Entry;
        };
        std::vector<Item> items;
        items.reserve(entries.size());
        for (const platform::FolderEntry& e : entries) {
            if (e.Hidden || e.Name.rfind("._", 0) == 0) continue;
            if (e.Kind == platform::FolderEntry::Type::File)
                items.push_back({Sys().text->ToLower(e.Name), &e});
            else if (e.Kind == platform::FolderEntry::Type::Folder && depth < MaxDepth)
                items.push_back({Sys().text->ToLower(e.Name) + separator, &e});
        }
        std::sort(items.begin(), items.end(),
                  [](const Item& a, const Item& b) {
                      return a.Key != b.Key ? a.Key < b.Key : a.Entry->Name < b.Entry->Name;
                  });
        for (const Item& item : items) {
            if (result_.ListFull) return;
            const std::string path = prefix + item.Entry->Name;
            if (item.Entry->Kind == platform::FolderEntry::Type::File) {
                TakeFile(path, false);
            } else if (auto inner = Sys().process->ListFolder(path)) {
                Walk(path, *inner, depth + 1);
            }
        }
    }

    int room_;
    DropResult result_;
};

} // namespace

DropResult TakeDroppedFiles(const std::vector<std::string>& files, int room) {
    DropWalk walk(room);
    for (const std::string& file : files)
        walk.TakeDropped(file);
    return walk.Result();
}

std::string RefusalMessage(const DropResult& result, std::size_t dropped) {
    if (result.ListFull) return ListFullMessage();
    if (result.Refused == 0) return {};
    // A single dropped file says only why it was refused.
    if (dropped == 1 && result.Refused == 1 && result.Added.empty()) return result.FirstRefusal;
    return result.FirstRefusal + "（" + std::to_string(result.Refused) +
           " 件は追加されませんでした）";
}

namespace {

// Whether this system draws the picture at `path`: opened and drawn small, as a show would.
bool Draws(const std::string& path) {
    platform::Services& sys = platform::Current();
    std::unique_ptr<platform::Picture> picture = sys.pictures->Load(path);
    if (!picture) return false;
    std::unique_ptr<platform::Surface> surface = sys.drawing->CreateSurface(8, 8);
    return surface && picture->DrawScaled(*surface, platform::Rect{0, 0, 8, 8});
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace

std::string MissingFormatsMessage(const DropResult& result) {
    platform::Services& sys = platform::Current();
    if (!sys.pictures || !sys.drawing || !sys.controls) return {};
    // Per format: how many of its pictures failed; -1 once one drew. A picture may fail for
    // being damaged, so a format counts as missing only when none of its first few drew.
    constexpr int Tries = 3;
    std::map<std::string, int> failed;
    for (std::size_t i = 0; i < result.Added.size(); ++i) {
        const std::string extension = basComon::PictureExtension(result.Added[i].FileName);
        if (!basComon::IsOptionalFormat(extension)) continue;
        int& count = failed[extension];
        if (count < 0 || count >= Tries) continue;
        count = Draws(result.Found[i]) ? -1 : count + 1;
    }
    std::string notices;
    for (const auto& [extension, count] : failed) {
        if (count <= 0) continue;
        std::string notice = sys.controls->MissingFormatNotice(extension);
        if (notice.empty())
            notice = "このシステムでは " + Upper(extension) + " 形式の画像を表示できません。";
        notices += "\n\n" + notice;
    }
    if (notices.empty()) return {};
    return "画像はリストに追加しましたが、次の形式はこのままでは表示されません。" + notices;
}
