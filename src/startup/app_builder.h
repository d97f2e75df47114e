// Builds stand-alone applications: a copy of the runtime's own image with a
// script (and data files) appended in the layout the attached-script reader
// takes apart again.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "text/text.h"

namespace qel {

struct BuildRequest {
    std::string script;
    std::string output;
    std::vector<std::string> attachments;
    std::string title;
    std::string icon;
    bool desktopEntry = false;
};

// A character of the script that the appended encoding cannot carry: codes
// outside code page 932, its single-byte codes 0x80-0xFF (half-width
// katakana), and the code 4 that stands for a line break.
struct EncodingProblem {
    std::size_t line = 0;    // 1-based
    std::size_t column = 0;  // 1-based, in characters
    char32_t character = 0;
};

// "INFO:" followed by the reversed hexadecimal digits of the script's code
// page 932 codes (line breaks as code 4); false with the first character it
// cannot carry.
bool EncodeScriptBlock(TextView script, std::string& block, EncodingProblem& problem);

// The header of one attached file: "//FILE:" name "," size "/\".
std::string AttachedEntryHeader(std::string_view cp932Name, std::uint64_t size);

// Writes the application; the exit status of the builder (0 built, 2 refused
// with the reason on `err`).
int BuildApplication(const BuildRequest& request, const std::string& runtimePath, std::ostream& out,
                     std::ostream& err);

}  // namespace qel
