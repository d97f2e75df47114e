// Files read and written in an encoding, with failures reported the way
// scripts expect. Used by ＥＵＣで開け and ＪＩＳで開け, and by 開け and 保存
// when they are given a form.
#pragma once

#include <optional>

#include "encodings/uEncoding.h"
#include "text/text.h"

namespace qel {

class Engine;

// The encoding a form word of 開け or 保存 names: ＥＵＣ, ＪＩＳ or ＵＴＦ８,
// in either width and any letter case. Nothing for any other word.
std::optional<uEncoding::Selector> EncodingOfForm(TextView form);

// Reads the file a script names (relative names from the current folder) and
// decodes it. On failure reports 201 (204 for EUC-JP) for a missing file or
// folder and 210 otherwise, with the name (style 48), and returns false.
bool ReadFileInEncoding(Engine& engine, TextView fileName, uEncoding::Selector selector, Text& out);

// Encodes the text and replaces the file's content in one step. On failure
// reports it (see ReportWriteFault) and returns false.
bool WriteFileInEncoding(Engine& engine, TextView fileName, TextView text,
                         uEncoding::Selector selector);

// A failed write: 202 with the name when the name or its folder cannot be
// used, 203 with the system's description otherwise (style 16).
void ReportWriteFault(Engine& engine, TextView fileName, const FileStatus& status);

}  // namespace qel
