// What the file commands and functions share: script paths and their parts,
// wildcard names, folder walks that never loop, and the CSV form of tables.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ports/platform.h"
#include "text/text.h"

namespace qel {

class Engine;

namespace files {

// A script path with "\" read as "/" (what paths returned to scripts use).
Text slashPath(TextView path);
// Ends with "/" unless empty.
Text withFolderSlash(TextView folder);
// The folder part, up to and including the last separator ("" when none).
Text folderPart(TextView path);
// The part after the last separator; a trailing separator is ignored, so the
// name of "a/b/" is "b".
Text namePart(TextView path);
// The extension with its dot (".txt"), "" when the name has none; a name
// that only begins with a dot (".profile") has none.
Text extensionPart(TextView path);
// The path as given, made absolute against the current folder, with "." and
// ".." steps resolved on the text (links are not followed).
Text absolutePath(FileSystem& files, TextView path);
// The path of `target` as seen from the folder `base`.
Text relativePath(TextView target, TextView base);

// "*" any run of characters, "?" one; Latin letters match either case, as
// the names scripts were written for did.
bool wildcardMatch(TextView pattern, TextView name);
bool hasWildcard(TextView name);

// The paths a source names: itself, or each entry of its folder whose name
// matches its wildcard name (sorted). Several sources may be given one per
// line. Paths keep the form the script wrote.
std::vector<Text> expandSources(FileSystem& files, TextView source);

// Walks a folder tree depth first, visiting each entry below `root` with
// its path (built on `root`) and kind. Folders reached through symbolic
// links are entered once only: a folder already entered (same device and
// inode) is not entered again, so link loops end.
struct WalkEntry {
    Text path;
    Text name;
    FileKind kind;
};
void walkTree(FileSystem& files, TextView root, const std::function<void(const WalkEntry&)>& visit);

// Table form to CSV: cells that read as numbers and hold no cell escape stay
// bare; every other cell is written with its escapes undone, between double
// quotes, with inner quotes doubled. Rows end with CR LF.
Text tableToCsv(TextView table);
// CSV to table form. Quoted fields may hold commas, doubled quotes and line
// breaks; a lone quote inside a quoted field is kept as a character (files
// written without doubling read back as they were meant). Each field is put
// into cell-escape form; blank lines are skipped; blanks around unquoted
// fields are trimmed.
Text csvToTable(TextView csv);
bool isCsvName(TextView fileName);

// Bytes as decimal numbers joined with ","; and back. A list that is not
// whole numbers 0 to 255 gives false.
Text bytesAsDecimalList(std::string_view bytes);
bool decimalListAsBytes(TextView list, std::string& bytes);

}  // namespace files
}  // namespace qel

namespace qel {
struct StatementRecord;
// The command 復元 restores a backup (see backup_commands.cpp) instead of
// Base64 text when it names no target with へ and either has no から or its
// から value names an existing folder. True when it did.
bool RestoreBackupIfAsked(Engine& engine, TextView fileName, TextView fromValue, bool fromGiven,
                          bool targetGiven);
}  // namespace qel
