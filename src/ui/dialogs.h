// "選択ウィンドウ": the one dialog object of a run. Scripts fill in its
// properties, show a dialog with 選択 and read the answer back from the
// same properties.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/ports/ui_host.h"
#include "text/file_list.h"
#include "text/text.h"

namespace qel {
class Engine;
}

namespace qel::ui {

class ObjectModel;

struct CommonDialog {
    Text filter;  // as written: description|pattern|description|pattern
    int filterIndex = 1;
    Text fileName;  // several files joined by ","
    // What the last file or folder dialog answered (選択されたファイル):
    // unlike ファイル名, which the script also sets to start the next dialog,
    // this changes only when the user chooses or cancels.
    Text chosenFile;
    Text title;
    double flags = 0;  // reset after every 選択
    bool cancelled = false;
    std::uint32_t colour = 0;  // the language's colour value (red in the low byte)
    std::array<std::uint32_t, 16> customColours{};
    Text fontName;
    double fontSize = 9;
    bool bold = false, italic = false, underline = false, strikeout = false;
    Text margins;  // left,top,right,bottom in millimetres
};

// The dialog flag values (what each word of the three flag tables adds).
constexpr int kFlagReadOnlyHidden = kDialogReadOnlyHidden;
constexpr int kFlagOverwritePrompt = kDialogOverwritePrompt;
constexpr int kFlagMultiSelect = kDialogMultiSelect;
constexpr int kFlagPathMustExist = kDialogPathMustExist;
constexpr int kFlagFileMustExist = kDialogFileMustExist;

CommonDialog& DialogOf(ObjectModel& model);

// Reads (`value` null) or sets a property of 選択ウィンドウ; `property` is
// what follows "選択ウィンドウの".
Text DialogProperty(Engine& engine, CommonDialog& dialog, TextView property, const Text* value);

// 選択: shows the dialog the word names and keeps its answer.
void ChooseDialog(Engine& engine, ObjectModel& model, TextView word);

// The sum of flag words ("複数選択,上書き確認") of a dialog's table, or
// nothing (the word that is not in it in `unknown`).
std::optional<double> FlagWords(DialogKind kind, TextView words, Text& unknown);

// The folder part of a path as the dialogs show it: without the separator
// that ends it ("/" stays "/").
Text folderWithoutSlash(TextView path);

}  // namespace qel::ui
