// Splitting a command line into a program and its arguments the way a POSIX
// shell reads words, without ever handing it to a shell: no variables,
// globbing, redirection or command substitution can happen.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qel {

// Words separated by blanks; '…' keeps everything literally; "…" keeps
// everything but lets a backslash escape $ ` " \ and a newline; outside
// quotes a backslash takes the next character literally. An unclosed quote
// or a trailing lone backslash gives nothing.
std::optional<std::vector<std::string>> splitCommandLine(const std::string& commandLine);

// One word quoted so that splitCommandLine gives it back unchanged.
std::string quoteWord(const std::string& word);

}  // namespace qel
