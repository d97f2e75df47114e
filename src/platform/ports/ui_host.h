// The desktop or console that shows the script's boxes, pumps its events and waits.
#pragma once

#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ports/canvas.h"
#include "text/rich_text.h"
#include "text/text.h"

namespace qel {

// Why a message box is shown: hosts without a display route them differently
// (script messages to standard output, error reports to standard error).
enum class BoxPurpose { Message, Error, Question, Confirm };

// Button numbers a message box answers with.
enum BoxAnswer : int {
    kOk = 1,
    kCancel = 2,
    kAbort = 3,
    kRetry = 4,
    kIgnore = 5,
    kYes = 6,
    kNo = 7
};

struct MessageBoxRequest {
    TextView text;
    int style = 0;  // platform style: buttons in the low nibble, icon 16/32/48/64
    TextView caption;
    BoxPurpose purpose = BoxPurpose::Message;
};

// The common dialogs 選択 shows (one engine-wide dialog object).
enum class DialogKind { Open, Save, Folder, Colour, Font, PageSetup };

// What a dialog starts with. Answers are texts of one form on every host:
// files as a list separated by "," (a name holding a comma in double
// quotes), a folder path, a colour as &HRRGGBB (or any colour text), a font as
// "name,size" followed by any of ",太字", ",斜体", ",下線", ",取り消し線",
// page margins as "left,top,right,bottom" in millimetres.
struct DialogRequest {
    DialogKind kind = DialogKind::Open;
    Text title;
    Text folder;                                 // where the file and folder dialogs start
    Text fileName;                               // the file part offered
    std::vector<std::pair<Text, Text>> filters;  // description, pattern
    int filterIndex = 1;                         // from 1
    int flags = 0;                               // the platform dialog flags in force
    Text current;                                // the colour, font or margins offered
    // An answer given before the dialog opens (from a replayed session):
    // the host records it and shows nothing. Inner nothing: cancelled.
    std::optional<std::optional<Text>> preset;
};

// Flag values of DialogRequest::flags that a host's dialog acts on.
enum DialogFlag : int {
    kDialogOverwritePrompt = 2,
    kDialogReadOnlyHidden = 4,
    kDialogMultiSelect = 512,
    kDialogPathMustExist = 2048,
    kDialogFileMustExist = 4096,
    kDialogFixedPitchFonts = 16384,
    kDialogScalableFonts = 131072,
};

struct DialogAnswer {
    std::optional<Text> value;  // nothing: cancelled
    int filterIndex = 0;        // the filter in force when closed (0: unknown)
    // The host's dialog already asked about overwriting and refused
    // missing files, so they must not be asked again.
    bool checked = false;
};

class UiHost {
  public:
    virtual ~UiHost() = default;
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    // The typed text, or nothing when the user cancelled.
    virtual std::optional<Text> inputBox(TextView prompt, TextView caption,
                                         TextView defaultText) = 0;
    virtual void setApplicationTitle(TextView title) = 0;
    // Lets pending window messages (and event procedures) run once.
    virtual void pumpEvents() = 0;
    // Waits, letting the host's events run; time is read from the bundle's
    // clock (a console host on a virtual clock advances that instead).
    virtual void sleepMs(int milliseconds) = 0;
    // Whether anything shown by this host (a window, a timer, a tray icon)
    // could still raise an event. A wait for events with none, and no message
    // channel open, could never end, so it ends at once instead.
    virtual bool hasEventSources() { return false; }
    // Prints the text. With onNewPage the print job starts a new page for it
    // (a first page when none is open yet) and stays open for more; otherwise
    // the text goes below what the open job holds and the job ends. Returns
    // the reason when it could not be printed (the job is then abandoned).
    virtual std::string printText(TextView text, bool onNewPage) {
        (void)text, (void)onNewPage;
        return "this host cannot print";
    }
    // Shows a common dialog and waits for its answer.
    virtual DialogAnswer chooseInDialog(const DialogRequest& request) {
        DialogAnswer answer;
        if (request.preset) answer.value = *request.preset;
        return answer;
    }
    // Prints a picture (an object as it looks) on a page of its own, with the
    // job left open or ended as printText does. The reason when it could not.
    virtual std::string printPicture(const Picture& picture, bool onNewPage) {
        (void)picture, (void)onNewPage;
        return "this host cannot print";
    }
    // Prints a rich text box's text with its looks (fonts, sizes, colours)
    // and paragraph layouts; `baseFont` and `baseSize` are the box's own font,
    // for the characters that follow it. Hosts that print plain text only
    // print the characters.
    virtual std::string printRichText(const RichTextDocument& document, TextView baseFont,
                                      double baseSize, bool onNewPage) {
        (void)baseFont, (void)baseSize;
        return printText(document.text(), onNewPage);
    }
    // Ends a print job left open by printText(…, true) (at the end of a run).
    virtual void endPrintJob() {}
    // Tells the user what a tray balloon says when no tray icon can show it
    // (a desktop notification, else standard error). Never silently dropped.
    virtual void notify(TextView title, TextView text, int icon) {
        (void)icon;
        std::cerr << text::toUtf8(title) << ": " << text::toUtf8(text) << std::endl;
    }
};

}  // namespace qel
