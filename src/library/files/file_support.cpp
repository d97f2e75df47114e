#include "library/files/file_support.h"

#include <set>
#include <utility>

#include "core/engine.h"
#include "core/paths.h"
#include "core/values.h"
#include "library/registry/function_support.h"
#include "text/number.h"

namespace qel::files {

namespace {

bool isSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

// Lines of a text at CR LF, LF or CR.
std::vector<Text> linesOf(TextView text) {
    std::vector<Text> lines;
    Text line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == kCR || c == kLF) {
            if (c == kCR && i + 1 < text.size() && text[i + 1] == kLF) ++i;
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line += c;
        }
    }
    lines.push_back(std::move(line));
    return lines;
}

bool isCsvBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

}  // namespace

Text slashPath(TextView path) {
    Text out(path);
    for (char16_t& c : out) {
        if (c == u'\\') c = u'/';
    }
    return out;
}

Text withFolderSlash(TextView folder) {
    Text out = slashPath(folder);
    if (!out.empty() && out.back() != u'/') out += u'/';
    return out;
}

Text folderPart(TextView path) {
    return slashPath(folderOf(path));
}

Text namePart(TextView path) {
    std::size_t end = path.size();
    while (end > 1 && isSeparator(path[end - 1])) --end;
    return fileNameOf(path.substr(0, end));
}

Text extensionPart(TextView path) {
    Text name = namePart(path);
    std::size_t dot = name.rfind(u'.');
    if (dot == Text::npos || dot == 0) return {};
    return name.substr(dot);
}

Text absolutePath(FileSystem& fs, TextView path) {
    return normalisedPath(slashPath(path), fromNativePath(fs.currentFolder()));
}

Text relativePath(TextView target, TextView base) {
    std::vector<Text> to = text::splitNonEmpty(target, u'/'),
                      from = text::splitNonEmpty(base, u'/');
    std::size_t same = 0;
    while (same < to.size() && same < from.size() && to[same] == from[same]) ++same;
    Text out;
    for (std::size_t i = same; i < from.size(); ++i) out += u"../";
    out += text::join(std::span(to).subspan(same), u"/");
    if (!target.empty() && target.back() == u'/' && !out.empty() && out.back() != u'/') {
        out += u'/';
    }
    return out.empty() ? Text(u"./") : out;
}

bool hasWildcard(TextView name) {
    return name.find_first_of(u"*?") != TextView::npos;
}

bool wildcardMatch(TextView pattern, TextView name) {
    // Greedy matching with one back-tracking point: linear in practice and
    // never recursive, whatever the pattern.
    std::size_t p = 0, n = 0, starP = TextView::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || text::foldAscii(pattern[p]) ==
                                                                    text::foldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != TextView::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

std::vector<Text> expandSources(FileSystem& fs, TextView source) {
    std::vector<Text> result;
    for (Text& line : linesOf(source)) {
        Text one(text::trimBlanks(line));
        if (one.empty()) continue;
        Text name = fileNameOf(one);
        if (!hasWildcard(name)) {
            if (fs.fileInfo(toNativePath(one))) result.push_back(one);
            continue;
        }
        Text folder = folderOf(one);
        std::vector<FolderEntry> entries;
        if (!fs.listFolder(folder.empty() ? std::string(".") : toNativePath(folder), entries)) {
            continue;
        }
        for (const FolderEntry& entry : entries) {
            Text entryName = text::fromUtf8(entry.name);
            if (wildcardMatch(name, entryName)) result.push_back(folder + entryName);
        }
    }
    return result;
}

void walkTree(FileSystem& fs, TextView root, const std::function<void(const WalkEntry&)>& visit) {
    std::set<std::pair<std::uint64_t, std::uint64_t>> entered;
    std::vector<Text> pending{withFolderSlash(root)};
    if (auto info = fs.fileInfo(toNativePath(root))) entered.insert({info->device, info->inode});
    // An explicit stack rather than recursion: deep trees cannot exhaust the
    // machine stack.
    while (!pending.empty()) {
        Text folder = std::move(pending.back());
        pending.pop_back();
        std::vector<FolderEntry> entries;
        if (!fs.listFolder(toNativePath(folder), entries)) continue;
        std::vector<Text> subfolders;
        for (const FolderEntry& entry : entries) {
            Text name = text::fromUtf8(entry.name);
            Text path = folder + name;
            visit({path, name, entry.kind});
            if (entry.kind != FileKind::Folder) continue;
            auto info = fs.fileInfo(toNativePath(path));
            if (!info || !entered.insert({info->device, info->inode}).second) continue;
            subfolders.push_back(path + u"/");
        }
        // Visited in name order: the first subfolder is taken next.
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) pending.push_back(*it);
    }
}

Text tableToCsv(TextView table) {
    std::vector<TextView> rows = splitRows(table);
    // A table ending with a line break has no further row.
    if (rows.size() > 1 && rows.back().empty()) rows.pop_back();
    Text out;
    for (TextView row : rows) {
        bool first = true;
        for (TextView cell : splitCells(row)) {
            if (!first) out += u',';
            first = false;
            // Blanks around a bare field are trimmed on reading, so a number
            // written with them is quoted to keep them.
            if (number::readsAsNumber(cell) && cell.find(u'{') == TextView::npos &&
                text::trimBlanks(cell).size() == cell.size()) {
                out += cell;
                continue;
            }
            out += u'"';
            out += text::replaceAll(values::unescapeCell(cell), u"\"", u"\"\"");
            out += u'"';
        }
        out += kCRLF;
    }
    return out;
}

Text csvToTable(TextView csv) {
    Text out;
    std::vector<Text> fields;
    Text field;
    bool quoted = false;    // the field began with a quote
    bool inQuotes = false;  // and it is still open
    bool lineHasText = false;
    auto endField = [&] {
        Text value = quoted ? field : Text(text::trimBlanks(field));
        // Trailing blanks after a closing quote are not part of the field.
        fields.push_back(values::escapeCell(text::normaliseLineEnds(value)));
        field.clear();
        quoted = false;
    };
    auto endLine = [&] {
        endField();
        if (lineHasText) {
            if (!out.empty()) out += kCRLF;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (i > 0) out += u',';
                out += fields[i];
            }
        }
        fields.clear();
        lineHasText = false;
    };
    for (std::size_t i = 0; i < csv.size(); ++i) {
        char16_t c = csv[i];
        if (inQuotes) {
            if (c != u'"') {
                field += c;
                continue;
            }
            if (i + 1 < csv.size() && csv[i + 1] == u'"') {
                field += u'"';
                ++i;
                continue;
            }
            // A quote closes the field only where the field can end.
            std::size_t j = i + 1;
            while (j < csv.size() && isCsvBlank(csv[j])) ++j;
            if (j == csv.size() || csv[j] == u',' || csv[j] == kCR || csv[j] == kLF) {
                inQuotes = false;
                i = j - 1;
            } else {
                field += u'"';
            }
            continue;
        }
        if (c == u',') {
            lineHasText = true;
            endField();
        } else if (c == kCR || c == kLF) {
            if (c == kCR && i + 1 < csv.size() && csv[i + 1] == kLF) ++i;
            endLine();
        } else if (c == u'"' && text::trimBlanks(field).empty() && !quoted) {
            field.clear();
            quoted = inQuotes = lineHasText = true;
        } else {
            field += c;
            if (!isCsvBlank(c)) lineHasText = true;
        }
    }
    if (lineHasText || !field.empty() || !fields.empty()) endLine();
    // Rows of one empty quoted field at the end would leave the table ending
    // with line breaks, which the table form reads as no further row: the
    // next save would drop them. They hold nothing, so they go now, and a
    // table read from a file stays the same however often it is saved.
    while (text::endsWith(out, kCRLF)) out.resize(out.size() - kCRLF.size());
    return out;
}

bool isCsvName(TextView fileName) {
    return text::toLowerAscii(extensionPart(fileName)) == u".csv";
}

Text bytesAsDecimalList(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size() * 4);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += u',';
        out += text::fromAscii(std::to_string(static_cast<unsigned char>(bytes[i])));
    }
    return out;
}

bool decimalListAsBytes(TextView list, std::string& bytes) {
    bytes.clear();
    if (text::trimBlanks(list).empty()) return true;
    for (TextView cell : splitCells(text::trimBlanks(list))) {
        TextView digits = text::trimBlanks(cell);
        if (digits.empty() || digits.size() > 3) return false;
        int value = 0;
        for (char16_t c : digits) {
            if (c < u'0' || c > u'9') return false;
            value = value * 10 + (c - u'0');
        }
        if (value > 255) return false;
        bytes += char(value);
    }
    return true;
}

}  // namespace qel::files
