#include "ui/dialogs.h"

#include <span>

#include "core/engine.h"
#include "core/paths.h"
#include "text/number.h"
#include "ui/events.h"
#include "ui/kinds.h"
#include "ui/objects.h"
#include "ui/properties.h"
#include "ui/replay.h"

namespace qel::ui {

namespace {

struct FlagWord {
    const char16_t* word;
    double value;
};

constexpr FlagWord kColourFlags[] = {
    {u"初期値設定", 1}, {u"色の作成", 2}, {u"色の作成ボタン無効", 4}, {u"ヘルプボタン", 8}};

constexpr FlagWord kFontFlags[] = {{u"スクリーンフォントのみ", 1},
                                   {u"プリンタフォントのみ", 2},
                                   {u"利用できるフォント", 3},
                                   {u"ヘルプボタン", 4},
                                   {u"装飾", 256},
                                   {u"適用ボタン", 512},
                                   {u"外字フォント無効", 1024},
                                   {u"ベクタフォントなし", 2048},
                                   {u"プレビューなし", 4096},
                                   {u"固定ピッチフォントのみ", 16384},
                                   {u"エラーメッセージ", 65536},
                                   {u"スケーラブルフォントのみ", 131072},
                                   {u"TrueTypeフォントのみ", 262144},
                                   {u"フォント名未選択", 524288},
                                   {u"スタイル未選択", 1048576},
                                   {u"フォントサイズ未選択", 2097152},
                                   {u"共通フォントのみ", 98307}};

constexpr FlagWord kFileFlags[] = {{u"読み取り専用チェックオン", 1},
                                   {u"上書き確認", 2},
                                   {u"読み取り専用チェック非表示", 4},
                                   {u"同じフォルダ", 8},
                                   {u"ヘルプボタン", 16},
                                   {u"無効文字有効", 256},
                                   {u"複数選択", 512},
                                   {u"有効なパス名のみ", 2048},
                                   {u"既存ファイル名のみ", 4096},
                                   {u"新規作成確認", 8192},
                                   {u"共有違反エラー無視", 16384},
                                   {u"読み取り専用無効", -32768},
                                   {u"短いファイル名", 262144},
                                   {u"ショートカットしない", 1048576},
                                   {u"長いファイル名", 2097152}};

enum class Prop {
    FileName,
    Folder,
    Filter,
    Title,
    ColourFlags,
    FontFlags,
    FileFlags,
    Flags,
    Cancel,
    FontName,
    FontSize,
    Bold,
    Italic,
    Underline,
    Strikeout,
    Colour,
    CustomColours,
    Margins
};

constexpr std::pair<const char16_t*, Prop> kProps[] = {
    {u"ファイル名", Prop::FileName},
    {u"フォルダ名", Prop::Folder},
    {u"フィルタ", Prop::Filter},
    {u"タイトル", Prop::Title},
    {u"色の詳細設定", Prop::ColourFlags},
    {u"フォントの詳細設定", Prop::FontFlags},
    {u"ファイルの詳細設定", Prop::FileFlags},
    {u"フラグ", Prop::Flags},
    {u"キャンセル", Prop::Cancel},
    {u"フォント名", Prop::FontName},
    {u"フォントサイズ", Prop::FontSize},
    {u"太字", Prop::Bold},
    {u"斜体", Prop::Italic},
    {u"下線", Prop::Underline},
    {u"取り消し線", Prop::Strikeout},
    {u"色", Prop::Colour},
    {u"作成した色", Prop::CustomColours},
    {u"余白", Prop::Margins},
};

Text truth(bool b) {
    return b ? Text(u"1") : Text(u"0");
}

bool truthOf(TextView t) {
    auto n = number::parse(text::toHalfWidth(text::trimBlanks(t)));
    return n && *n != 0;
}

std::span<const FlagWord> flagTable(DialogKind kind) {
    switch (kind) {
        case DialogKind::Colour:
            return kColourFlags;
        case DialogKind::Font:
            return kFontFlags;
        default:
            return kFileFlags;
    }
}

void setFlagWords(Engine& engine, CommonDialog& dialog, DialogKind kind, TextView written) {
    Text unknown;
    if (auto sum = FlagWords(kind, written, unknown)) {
        dialog.flags = *sum;
        return;
    }
    engine.Report(ErrorId::ValueNotRight, unknown);
}

// "フォルダ名" is the folder part of the file name (the first one's, for several).
Text folderPart(TextView fileName) {
    Text first(fileName.substr(0, std::min(fileName.find(u','), fileName.size())));
    return folderWithoutSlash(first);
}

}  // namespace

Text folderWithoutSlash(TextView path) {
    Text folder = folderOf(path);
    if (folder.size() > 1 && (folder.back() == u'/' || folder.back() == u'\\')) folder.pop_back();
    return folder;
}

CommonDialog& DialogOf(ObjectModel& model) {
    if (!model.dialog) model.dialog = std::make_shared<CommonDialog>();
    return *model.dialog;
}

std::optional<double> FlagWords(DialogKind kind, TextView words, Text& unknown) {
    double sum = 0;
    for (TextView raw : text::splitViews(words, u",")) {
        TextView word = text::trimBlanks(raw);
        if (word.empty()) continue;
        if (auto n = number::parse(text::toHalfWidth(word))) {
            sum += *n;
            continue;
        }
        const FlagWord* found = nullptr;
        for (const FlagWord& row : flagTable(kind)) {
            if (nameKey(word) == nameKey(row.word)) found = &row;
        }
        if (!found) {
            unknown = Text(word);
            return std::nullopt;
        }
        sum += found->value;
    }
    return sum;
}

Text DialogProperty(Engine& engine, CommonDialog& dialog, TextView property, const Text* value) {
    const Text key = nameKey(text::trimBlanks(property));
    const std::pair<const char16_t*, Prop>* row = nullptr;
    for (const auto& r : kProps) {
        if (nameKey(r.first) == key) row = &r;
    }
    if (!row) {
        engine.Report(ErrorId::NoSuchSetting, u"「選択ウィンドウ」に「" + Text(property) + u"」");
        return {};
    }
    const Prop p = row->second;
    if (value) {
        const Text& v = *value;
        switch (p) {
            case Prop::FileName:
                dialog.fileName = v;
                break;
            case Prop::Folder: {
                const Text file = fileNameOf(dialog.fileName);
                const bool slashed = !v.empty() && (v.back() == u'/' || v.back() == u'\\');
                dialog.fileName = file.empty() ? v : v + (slashed ? u"" : u"/") + file;
                break;
            }
            case Prop::Filter:
                dialog.filter = v;
                break;
            case Prop::Title:
                dialog.title = v;
                break;
            case Prop::ColourFlags:
                setFlagWords(engine, dialog, DialogKind::Colour, v);
                break;
            case Prop::FontFlags:
                setFlagWords(engine, dialog, DialogKind::Font, v);
                break;
            case Prop::FileFlags:
                setFlagWords(engine, dialog, DialogKind::Open, v);
                break;
            case Prop::Flags: {
                auto n = number::parse(text::toHalfWidth(text::trimBlanks(v)));
                if (!n) engine.Report(ErrorId::ValueNotRight, v);
                if (n) dialog.flags = *n;
                break;
            }
            case Prop::Cancel:
            case Prop::CustomColours:
                engine.Report(ErrorId::ReadOnlyProperty, row->first);
                break;
            case Prop::FontName:
                dialog.fontName = v;
                break;
            case Prop::FontSize: {
                auto n = number::parse(text::toHalfWidth(text::trimBlanks(v)));
                if (!n || *n <= 0 || *n > 1638) engine.Report(ErrorId::ValueNotRight, v);
                if (n && *n > 0 && *n <= 1638) dialog.fontSize = *n;
                break;
            }
            case Prop::Bold:
                dialog.bold = truthOf(v);
                break;
            case Prop::Italic:
                dialog.italic = truthOf(v);
                break;
            case Prop::Underline:
                dialog.underline = truthOf(v);
                break;
            case Prop::Strikeout:
                dialog.strikeout = truthOf(v);
                break;
            case Prop::Colour: {
                auto colour = ColourValue(engine, v);
                if (!colour) engine.Report(ErrorId::ColourUnreadable, v);
                if (colour) dialog.colour = *colour;
                break;
            }
            case Prop::Margins:
                dialog.margins = v;
                break;
        }
        return {};
    }
    switch (p) {
        case Prop::FileName:
            return dialog.fileName;
        case Prop::Folder:
            return folderPart(dialog.fileName);
        case Prop::Filter:
            return dialog.filter;
        case Prop::Title:
            return dialog.title;
        case Prop::ColourFlags:
        case Prop::FontFlags:
        case Prop::FileFlags:
        case Prop::Flags:
            return number::format(dialog.flags);
        case Prop::Cancel:
            return truth(dialog.cancelled);
        case Prop::FontName:
            return dialog.fontName;
        case Prop::FontSize:
            return number::format(dialog.fontSize);
        case Prop::Bold:
            return truth(dialog.bold);
        case Prop::Italic:
            return truth(dialog.italic);
        case Prop::Underline:
            return truth(dialog.underline);
        case Prop::Strikeout:
            return truth(dialog.strikeout);
        case Prop::Colour:
            return number::format(double(dialog.colour));
        case Prop::CustomColours: {
            Text joined;
            for (std::size_t i = 0; i < dialog.customColours.size(); ++i) {
                if (i) joined += u',';
                joined += number::format(double(dialog.customColours[i]));
            }
            return joined;
        }
        case Prop::Margins:
            return dialog.margins;
    }
    return {};
}

}  // namespace qel::ui
