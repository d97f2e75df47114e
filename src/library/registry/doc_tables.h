// The description tables behind docs.h: one row per documented command or
// setting word, keyed by the first name of the row it documents.
#pragma once

#include <string_view>
#include <vector>

#include "library/registry/docs.h"

namespace qel {

// A reading whose row cannot share its text through the handler (its handler
// is not built yet) and the name of the row it is the reading of.
struct DocReading {
    TextView reading;
    TextView of;
};

const std::vector<CommandDoc>& commandDocs();
const std::vector<CommandDoc>& settingDocs();
const std::vector<DocReading>& commandDocReadings();

// A function the reference does not describe, and its short entry.
struct FunctionDoc {
    TextView name;  // the first name of its function row
    TextView text;  // Markdown, like an entry of the reference
};

const std::vector<FunctionDoc>& functionDocSupplement();

// docs/functions.md as compiled in (UTF-8).
std::string_view functionReferenceUtf8();

}  // namespace qel
