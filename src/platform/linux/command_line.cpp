#include "platform/linux/command_line.h"

namespace qel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Inside double quotes a backslash only escapes the characters that would
// otherwise end or change the quoted text.
bool escapableInDoubleQuotes(char c) {
    return c == '$' || c == '`' || c == '"' || c == '\\' || c == '\n';
}

}  // namespace

std::optional<std::vector<std::string>> splitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    const std::size_t n = commandLine.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = commandLine[i];
        if (isBlank(c)) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (i + 1 >= n) return std::nullopt;
            ++i;
            // A backslash before a line break joins the lines, as in a shell.
            if (commandLine[i] != '\n') word += commandLine[i];
        } else if (c == '\'') {
            std::size_t close = commandLine.find('\'', i + 1);
            if (close == std::string::npos) return std::nullopt;
            word.append(commandLine, i + 1, close - i - 1);
            i = close;
        } else if (c == '"') {
            std::size_t j = i + 1;
            for (; j < n && commandLine[j] != '"'; ++j) {
                if (commandLine[j] == '\\' && j + 1 < n &&
                    escapableInDoubleQuotes(commandLine[j + 1])) {
                    ++j;
                    if (commandLine[j] == '\n') continue;
                }
                word += commandLine[j];
            }
            if (j >= n) return std::nullopt;
            i = j;
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

std::string quoteWord(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t\n\r'\"\\$`") == std::string::npos) return word;
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

}  // namespace qel
