// The reference text of the commands, setting words and functions, for the
// generated command reference and for editors (hover, completion). Only
// static tables: nothing here needs an engine, so a language server or a
// documentation tool can use it without running scripts.
#pragma once

#include <vector>

#include "text/text.h"

namespace qel {

// One documented command or setting word, keyed by the first name of its row.
// Every field is Japanese text for script writers.
struct CommandDoc {
    TextView name;     // the first name of the row it documents
    TextView summary;  // what it does, in a sentence or two
    TextView form;     // how it is written, with its particles
    TextView example;  // one short line of script
    TextView errors;   // the errors it reports; empty when it reports none
};

// A command row as an editor sees it: all its names, its particles, and the
// text that documents it (the row's own, or that of the row it is a reading
// of). `built` is false where the handler only says it is not built yet.
struct CommandEntry {
    TextView names;         // aliases separated by ","
    TextView particles;     // separated by ","
    const CommandDoc* doc;  // null only when the row lacks a description
    bool built;
    bool reading;  // a hiragana reading of another row
};

// A built-in function row and its entry in the function reference
// (docs/functions.md, compiled in): the lines under the function's heading.
struct FunctionEntry {
    TextView names;      // aliases separated by ","
    TextView particles;  // separated by ","
    TextView text;       // Markdown; empty when the reference has no entry
    bool built;
};

// Every command row, setting-word row and function entry, in table order.
const std::vector<CommandEntry>& CommandEntries();
const std::vector<CommandEntry>& SettingEntries();
const std::vector<FunctionEntry>& FunctionEntries();

// The documentation of a command, setting word or function named by any of
// its names (Latin letters compared without regard to case); null for an
// unknown name.
const CommandDoc* FindCommandDoc(TextView name);
const CommandDoc* FindSettingDoc(TextView name);
const FunctionEntry* FindFunctionEntry(TextView name);

// The row named by any of its names, with its documentation; null for an
// unknown name.
const CommandEntry* FindCommandEntry(TextView name);
const CommandEntry* FindSettingEntry(TextView name);

// Every name, for completion: each alias of each row once, in table order.
std::vector<TextView> CommandNames();
std::vector<TextView> SettingNames();
std::vector<TextView> FunctionNames();

// The Markdown text an editor shows when hovering a command, setting word or
// function: its names in bold, then its reference entry.
Text CommandHoverText(const CommandEntry& entry);
Text FunctionHoverText(const FunctionEntry& entry);

// Rows of the command table that have no description (and are no reading of
// a described row), by first name; empty when the reference is complete.
std::vector<TextView> UndocumentedCommands();
std::vector<TextView> UndocumentedSettings();

}  // namespace qel
