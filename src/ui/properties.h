// Reading and setting objects' properties by their Japanese names
// (ボタン1の幅は100, 「ボタン1の幅」を「100」に変える, ボタン1の幅 in an expression).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "text/text.h"
#include "ui/objects.h"

namespace qel::ui {

enum class PropertyMode { Get = -1, Set = 0 };

struct PropertyRequest {
    Text name;    // after the owner chain, trimmed
    Text source;  // the value as written (set)
    Text text;    // the value evaluated, or as written when it is a list (set)
    double number = 0;
    bool isList = false;  // the value held a top-level separator and was not evaluated
};

struct PropertyResult {
    Text value;
    bool notReadable = false;  // may only be set
    bool notWritable = false;  // may only be read
};

struct PropertyContext {
    Engine& engine;
    ObjectModel& model;
    ScriptObject& object;
    PropertyMode mode;
    const PropertyRequest& request;
    PropertyResult& result;
    bool getting() const { return mode == PropertyMode::Get; }
};

// One family of properties: its names (ordered data, several names may share
// an id) and the code that acts on them.
struct PropertyName {
    TextView name;
    int id;
};
struct PropertyFamily {
    std::span<const PropertyName> names;
    void (*apply)(PropertyContext& context, int id);
};

// The families of one object type, asked in order (the common one first).
struct PropertyHandler {
    std::span<const PropertyFamily* const> families;
};

// The handler of an object, chosen by its type once and cached by identity;
// null for objects without one.
const PropertyHandler* handlerOf(ObjectModel& model, const ScriptObject& object);
// The family and id that know `name` for this handler.
std::optional<std::pair<const PropertyFamily*, int>> findProperty(const PropertyHandler& handler,
                                                                  TextView name);

enum class SetOutcome {
    NotAProperty,  // the target names no object, or no property of it
    Done,          // set, or the failure was reported
};
// `quiet`: a target that names no object, or no property of an existing
// one, is left to the caller without a report (an assignment then stores a
// variable of that name).
SetOutcome SetProperty(Engine& engine, ObjectModel& model, TextView target, TextView value,
                       bool quiet);
// The value, or nothing when the target has no property part or names no
// object (notProperty); failures are reported unless quiet.
std::optional<Text> GetProperty(Engine& engine, ObjectModel& model, TextView target,
                                TextView arguments, bool quiet);

// A colour text as the language's colour value (red in the low byte).
// Nothing when the text is no colour.
std::optional<std::uint32_t> ColourValue(Engine& engine, TextView text);
// Between the language's colour value and the widget port's 0xRRGGBB.
std::uint32_t toRgb(std::uint32_t colour);
std::uint32_t fromRgb(std::uint32_t rgb);
// The 16 basic colours as 0xRRGGBB.
std::uint32_t basicColourRgb(int n);

// The property families.
extern const PropertyFamily kCommonProperties;
extern const PropertyFamily kWindowProperties;
extern const PropertyFamily kButtonProperties;
extern const PropertyFamily kTextProperties;
extern const PropertyFamily kRichTextProperties;
extern const PropertyFamily kPictureProperties;
extern const PropertyFamily kListProperties;
extern const PropertyFamily kFolderListProperties;
extern const PropertyFamily kDriveListProperties;
extern const PropertyFamily kScrollProperties;
extern const PropertyFamily kCheckProperties;
extern const PropertyFamily kImageProperties;
extern const PropertyFamily kTimerProperties;
extern const PropertyFamily kLabelProperties;
extern const PropertyFamily kShapeProperties;
extern const PropertyFamily kPrinterProperties;
extern const PropertyFamily kDriveProperties;

// Fills a new folder or drive list from the file system.
void fillFileList(Engine& engine, ScriptObject& object);

}  // namespace qel::ui
