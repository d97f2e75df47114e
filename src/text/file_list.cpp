#include "text/file_list.h"

namespace qel {

std::optional<std::vector<Text>> SplitFileList(TextView list) {
    std::vector<Text> files;
    Text current;
    bool quoted = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        char16_t c = list[i];
        if (quoted && c == u'"' && i + 1 < list.size() && list[i + 1] == u'"') {
            current += u'"';
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            files.push_back(Text(text::trimBlanks(current)));
            current.clear();
        } else {
            current += c;
        }
    }
    files.push_back(Text(text::trimBlanks(current)));
    if (quoted) return std::nullopt;
    for (const Text& f : files) {
        if (f.empty()) return std::nullopt;
    }
    return files;
}

Text JoinFileList(const std::vector<Text>& files) {
    Text list;
    for (const Text& name : files) {
        if (!list.empty()) list += u',';
        if (name.find_first_of(u",\"") == Text::npos) {
            list += name;
            continue;
        }
        list += u'"';
        for (char16_t c : name) {
            if (c == u'"') list += u'"';
            list += c;
        }
        list += u'"';
    }
    return list;
}

}  // namespace qel
