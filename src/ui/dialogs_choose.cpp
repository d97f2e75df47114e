// 選択: builds the request from 選択ウィンドウ's properties, takes the answer
// (a replayed session's choose line first, else the host) and checks it the
// way a file dialog would before keeping it.

#include "core/engine.h"
#include "core/paths.h"
#include "text/number.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/kinds.h"
#include "ui/objects.h"
#include "ui/properties.h"
#include "ui/replay.h"

namespace qel::ui {

namespace {

// A host that keeps answering with names it refuses must not hold the
// script for ever.
constexpr int kMaxAttempts = 20;

struct KindWord {
    const char16_t* word;
    DialogKind kind;
    const char16_t* answerWord;  // the word of a choose line for it
};

constexpr KindWord kKinds[] = {
    {u"開くファイル", DialogKind::Open, u"ファイル"},
    {u"保存するファイル", DialogKind::Save, u"ファイル"},
    {u"フォルダ", DialogKind::Folder, u"フォルダ"},
    {u"色", DialogKind::Colour, u"色"},
    {u"フォント", DialogKind::Font, u"フォント"},
    {u"ページ設定", DialogKind::PageSetup, u"ページ設定"},
};

bool isFile(Engine& engine, TextView path) {
    const std::string native = toNativePath(path);
    return engine.files().fileExists(native) && !engine.files().folderExists(native);
}

bool isFolder(Engine& engine, TextView path) {
    return engine.files().folderExists(toNativePath(path));
}

std::vector<std::pair<Text, Text>> filtersOf(TextView written) {
    std::vector<std::pair<Text, Text>> filters;
    std::vector<Text> parts = text::split(written, u"|");
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        filters.emplace_back(parts[i], parts[i + 1]);
    return filters;
}

Text rgbText(std::uint32_t colour) {
    static const char kHex[] = "0123456789ABCDEF";
    std::uint32_t rgb = toRgb(colour);
    Text t = u"&H";
    for (int shift = 20; shift >= 0; shift -= 4) t += char16_t(kHex[(rgb >> shift) & 0xF]);
    return t;
}

Text fontText(const CommonDialog& d) {
    Text t = d.fontName + u"," + number::format(d.fontSize);
    if (d.bold) t += u",太字";
    if (d.italic) t += u",斜体";
    if (d.underline) t += u",下線";
    if (d.strikeout) t += u",取り消し線";
    return t;
}

DialogRequest requestFor(Engine& engine, CommonDialog& d, DialogKind kind) {
    DialogRequest r;
    r.kind = kind;
    r.title = d.title;
    int flags = int(d.flags);
    if (kind == DialogKind::Open || kind == DialogKind::Save || kind == DialogKind::Folder) {
        r.folder = fromNativePath(engine.files().currentFolder());
        while (r.folder.size() > 1 && r.folder.back() == u'/') r.folder.pop_back();
        if (!d.fileName.empty()) {
            // The dialog starts in the file's folder and offers its name alone.
            if (kind == DialogKind::Folder) {
                r.folder = d.fileName;
            } else {
                if (!folderOf(d.fileName).empty()) r.folder = folderWithoutSlash(d.fileName);
                d.fileName = fileNameOf(d.fileName);
                r.fileName = d.fileName;
            }
        }
        r.filters = filtersOf(d.filter);
        r.filterIndex = d.filterIndex;
        if (kind == DialogKind::Save) flags |= kFlagOverwritePrompt;
        if (kind == DialogKind::Open && flags == 0) flags = kFlagPathMustExist | kFlagFileMustExist;
        if (kind != DialogKind::Folder) flags |= kFlagReadOnlyHidden;
    } else if (kind == DialogKind::Colour) {
        r.current = rgbText(d.colour);
    } else if (kind == DialogKind::Font) {
        r.current = fontText(d);
    } else {
        r.current = d.margins;
    }
    r.flags = flags;
    return r;
}

// A box the dialog itself would show over a refused answer.
int dialogBox(Engine& engine, const DialogRequest& r, TextView message, int style) {
    MessageBoxRequest box;
    Text text(message);
    box.text = text;
    box.style = style;
    box.caption = r.title;
    box.purpose = BoxPurpose::Confirm;
    return engine.ui().messageBox(box);
}

// The chosen files as the script reads them, or nothing (after telling the
// user why) when the dialog would not have closed with them.
std::optional<Text> checkFiles(Engine& engine, const DialogRequest& r, const DialogAnswer& a) {
    auto names = SplitFileList(*a.value);
    if (!names) {
        dialogBox(engine, r, u"ファイル名が正しくありません。", 48);
        return std::nullopt;
    }
    if (names->size() > 1 && !(r.flags & kFlagMultiSelect)) {
        dialogBox(engine, r, u"ファイルは一つだけ選択してください。", 48);
        return std::nullopt;
    }
    std::vector<Text> chosen;
    for (const Text& name : *names) {
        const Text shown = normalisedPath(name, r.folder);
        const bool exists = isFile(engine, shown);
        if (!a.checked) {
            if ((r.flags & kFlagFileMustExist) && !exists) {
                dialogBox(engine, r, u"「" + shown + u"」は見つかりません。", 48);
                return std::nullopt;
            }
            const Text folder = folderWithoutSlash(shown);
            if ((r.flags & kFlagPathMustExist) && !isFolder(engine, folder)) {
                dialogBox(engine, r, u"「" + folder + u"」は見つかりません。", 48);
                return std::nullopt;
            }
            if ((r.flags & kFlagOverwritePrompt) && r.kind == DialogKind::Save && exists &&
                dialogBox(engine, r, u"「" + shown + u"」は既にあります。\n上書きしますか？",
                          4 + 48) != kYes)
                return std::nullopt;
        }
        chosen.push_back(shown);
    }
    // One name is kept as it is; several are joined so that each can be
    // told apart again, even one holding a comma.
    return chosen.size() == 1 ? chosen.front() : JoinFileList(chosen);
}

std::optional<Text> checkFolder(Engine& engine, const DialogRequest& r, const DialogAnswer& a) {
    const Text full = normalisedPath(*a.value, r.folder);
    if (!a.checked && !isFolder(engine, full)) {
        dialogBox(engine, r, u"「" + full + u"」は見つかりません。", 48);
        return std::nullopt;
    }
    return full;
}

bool keepFont(CommonDialog& d, TextView answer) {
    std::vector<Text> parts = text::split(answer, u",");
    if (parts.size() < 2 || text::trimBlanks(parts[0]).empty()) return false;
    auto size = number::parse(text::toHalfWidth(text::trimBlanks(parts[1])));
    if (!size || *size <= 0 || *size > 1638) return false;
    bool styles[4] = {};
    static const char16_t* const kStyles[] = {u"太字", u"斜体", u"下線", u"取り消し線"};
    for (std::size_t i = 2; i < parts.size(); ++i) {
        bool known = false;
        for (int s = 0; s < 4; ++s) {
            if (nameKey(text::trimBlanks(parts[i])) == nameKey(kStyles[s]))
                styles[s] = known = true;
        }
        if (!known) return false;
    }
    d.fontName = Text(text::trimBlanks(parts[0]));
    d.fontSize = *size;
    d.bold = styles[0], d.italic = styles[1], d.underline = styles[2], d.strikeout = styles[3];
    return true;
}

bool keepMargins(Engine& engine, ObjectModel& model, CommonDialog& d, TextView answer) {
    std::vector<Text> parts = text::split(text::toHalfWidth(answer), u",");
    if (parts.size() != 4) return false;
    for (const Text& part : parts) {
        auto mm = number::parse(text::trimBlanks(part));
        if (!mm || *mm < 0 || *mm > 1000) return false;
    }
    d.margins = text::toHalfWidth(text::trimBlanks(answer));
    // The page setup is the printer's: its margins follow.
    SetProperty(engine, model, u"プリンタの余白", d.margins, true);
    return true;
}

// Keeps an answer the dialog accepted; false when it is refused and the
// dialog stays open.
bool keepAnswer(Engine& engine, ObjectModel& model, CommonDialog& d, const DialogRequest& r,
                const DialogAnswer& a) {
    if (a.filterIndex > 0) d.filterIndex = a.filterIndex;
    switch (r.kind) {
        case DialogKind::Open:
        case DialogKind::Save: {
            auto files = checkFiles(engine, r, a);
            if (files) d.fileName = d.chosenFile = *files;
            return files.has_value();
        }
        case DialogKind::Folder: {
            auto folder = checkFolder(engine, r, a);
            if (folder) d.fileName = d.chosenFile = *folder;
            return folder.has_value();
        }
        case DialogKind::Colour: {
            auto colour = ColourValue(engine, *a.value);
            if (colour)
                d.colour = *colour;
            else
                dialogBox(engine, r, u"色が正しくありません。", 48);
            return colour.has_value();
        }
        case DialogKind::Font:
            if (keepFont(d, *a.value)) return true;
            dialogBox(engine, r, u"フォントが正しくありません。", 48);
            return false;
        case DialogKind::PageSetup:
            if (keepMargins(engine, model, d, *a.value)) return true;
            dialogBox(engine, r, u"余白が正しくありません。", 48);
            return false;
    }
    return false;
}

// What a cancelled dialog leaves behind.
void cancelled(CommonDialog& d, DialogKind kind) {
    d.cancelled = true;
    if (kind == DialogKind::Open || kind == DialogKind::Save || kind == DialogKind::Folder) {
        d.fileName.clear();
        d.chosenFile.clear();
    }
    if (kind == DialogKind::Colour) d.colour = 0;
}

// The replayed session's answer for this dialog, if it has one left.
void takeReplayed(Engine& engine, ObjectModel& model, const KindWord& kind, DialogRequest& r) {
    Replay* replay = Events(engine, model).replay();
    if (!replay) return;
    auto choice = replay->takeChoice();
    if (!choice) return;
    if (choice->cancelled) {
        r.preset = std::optional<Text>();
    } else if (nameKey(choice->kind) != nameKey(kind.answerWord)) {
        replay->noteProblem(choice->line, "choose " + text::toUtf8(choice->kind) +
                                              " answers a dialog of " +
                                              text::toUtf8(kind.answerWord) + " instead");
        r.preset = std::optional<Text>();
    } else {
        r.preset = choice->value;
    }
}

}  // namespace

void ChooseDialog(Engine& engine, ObjectModel& model, TextView word) {
    CommonDialog& d = DialogOf(model);
    const KindWord* kind = nullptr;
    for (const KindWord& k : kKinds) {
        if (nameKey(text::trimBlanks(word)) == nameKey(k.word)) kind = &k;
    }
    if (!kind) {
        d.flags = 0;
        engine.Report(ErrorId::CannotSelect, word);
        return;
    }
    DialogRequest request = requestFor(engine, d, kind->kind);
    d.cancelled = false;
    bool kept = false;
    for (int attempt = 0; attempt < kMaxAttempts && !kept; ++attempt) {
        request.preset.reset();
        takeReplayed(engine, model, *kind, request);
        DialogAnswer answer = engine.ui().chooseInDialog(request);
        if (!answer.value) break;
        kept = keepAnswer(engine, model, d, request, answer);
    }
    if (!kept) cancelled(d, kind->kind);
    d.flags = 0;
}

}  // namespace qel::ui
