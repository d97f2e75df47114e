// The file lists a file dialog answers with several chosen files.
#pragma once

#include <optional>
#include <vector>

#include "text/text.h"

namespace qel {

// Splits a file list of a dialog answer; nothing when it is malformed.
std::optional<std::vector<Text>> SplitFileList(TextView list);

// Joins file names with ","; a name holding "," or a double quote goes in
// double quotes with its quotes doubled, so SplitFileList gives it back.
Text JoinFileList(const std::vector<Text>& files);

}  // namespace qel
