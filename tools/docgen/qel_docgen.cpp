// Writes the files made from the command and setting-word tables: the command
// reference (docs/commands.md) and the command names and setting words of the
// editor grammars (TextMate, Vim).
//
//   qel_docgen write SOURCE_DIR   rewrite them in the source tree
//   qel_docgen check SOURCE_DIR   fail when one differs from what write would
//                                 make, or a row lacks its description
//
// The files are made, not written by hand, so that a command added to the
// table without a description, or a renamed alias, shows in the tests.
// The markers the generated lines follow are found by their text; a file
// without them is reported, never half rewritten.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "library/registry/docs.h"

namespace {

using qel::CommandEntry;
using qel::Text;
using qel::TextView;
using qel::text::toUtf8;

std::vector<TextView> splitNames(TextView names) {
    std::vector<TextView> parts;
    while (!names.empty()) {
        std::size_t comma = names.find(u',');
        parts.push_back(names.substr(0, comma));
        if (comma == TextView::npos) break;
        names.remove_prefix(comma + 1);
    }
    return parts;
}

std::string joined(TextView names, std::string_view separator) {
    std::string out;
    for (TextView name : splitNames(names)) {
        if (!out.empty()) out += separator;
        out += toUtf8(name);
    }
    return out;
}

// The readings and other rows that share a described row's text.
std::vector<const CommandEntry*> sharersOf(const std::vector<CommandEntry>& entries,
                                           const qel::CommandDoc* doc) {
    std::vector<const CommandEntry*> sharers;
    for (const CommandEntry& entry : entries) {
        if (entry.reading && entry.doc == doc) sharers.push_back(&entry);
    }
    return sharers;
}

void writeEntry(std::ostream& out, const std::vector<CommandEntry>& entries,
                const CommandEntry& entry) {
    out << "### " << joined(entry.names, " ／ ") << "\n\n";
    out << toUtf8(entry.doc->summary);
    if (!entry.built) out << "（このビルドでは、まだ使えません。使うとエラーになります）";
    out << "\n\n- 形: " << toUtf8(entry.doc->form) << "\n";
    out << "- 例: `" << toUtf8(entry.doc->example) << "`\n";
    if (!entry.particles.empty()) out << "- 助詞の並び: " << joined(entry.particles, "、") << "\n";
    std::vector<const CommandEntry*> sharers = sharersOf(entries, entry.doc);
    if (!sharers.empty()) {
        out << "- 同じ命令の別の書き方: ";
        bool first = true;
        for (const CommandEntry* sharer : sharers) {
            out << (first ? "" : "、") << joined(sharer->names, "、");
            if (!sharer->built) out << "（まだ使えません）";
            first = false;
        }
        out << "\n";
    }
    if (!entry.doc->errors.empty()) out << "- エラー: " << toUtf8(entry.doc->errors) << "\n";
    out << "\n";
}

void writeSection(std::ostream& out, const std::vector<CommandEntry>& entries) {
    for (const CommandEntry& entry : entries) {
        if (entry.doc != nullptr && !entry.reading) writeEntry(out, entries, entry);
    }
}

std::string commandReference() {
    std::ostringstream out;
    out << "# 命令リファレンス\n\n"
           "<!-- qel_docgen が命令の表から作るファイルです。手で直さず、説明は\n"
           "     src/library/registry/command_docs.cpp を直して ./build.sh docs "
           "を実行してください。 -->\n\n"
           "文の最後に書く命令の一覧です。命令は表の順に並んでいます（文の動詞が二つ以上の命令の名"
           "前を\n"
           "含む時は、表で先にある命令が選ばれます）。引数は「を」「へ」「で」などの助詞で命令に渡"
           "します。\n"
           "同じ命令のひらがなの書き方（さいせい など）は、漢字の命令の項目にまとめてあります。\n"
           "式の中で使う関数は [関数リファレンス](functions.md)、エラーの番号は "
           "[エラー](errors.md) を\n"
           "見てください。\n\n"
           "## 命令\n\n";
    writeSection(out, qel::CommandEntries());
    out << "## 設定の言葉\n\n"
           "「色は、赤」「テンポ＝120」のように、代入の左に書くと設定になる言葉です。\n\n";
    writeSection(out, qel::SettingEntries());
    std::string text = out.str();
    text.pop_back();  // one line end at the end of the file
    return text;
}

bool isHiragana(char16_t c) {
    return c >= u'ぁ' && c <= u'ゖ';
}

// Names wholly in hiragana (つく, てん, しない …) are ordinary words and
// particles too often to be coloured as commands wherever they appear, so
// the grammars colour only names with kanji, katakana or Latin letters.
std::vector<Text> grammarNames() {
    std::vector<Text> names;
    for (TextView name : qel::CommandNames()) {
        if (std::all_of(name.begin(), name.end(), isHiragana)) continue;
        names.emplace_back(name);
    }
    // Longest first, so that 起動して待 wins over 起動 in an alternation.
    std::stable_sort(names.begin(), names.end(),
                     [](const Text& a, const Text& b) { return a.size() > b.size(); });
    return names;
}

std::string escapedForRegex(const Text& name) {
    std::string out;
    for (char c : toUtf8(name)) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += "\\\\";
        out += c;
    }
    return out;
}

// The line of the TextMate grammar that follows its "commands" comment.
std::string textMateCommandLine() {
    std::string line = "      \"match\": \"(?:";
    bool first = true;
    for (const Text& name : grammarNames()) {
        line += (first ? "" : "|") + escapedForRegex(name);
        first = false;
    }
    return line + ")\"";
}

// The setting words, longest first. Only at the start of a line and before
// は or ＝ are they settings, so there they can be coloured in every script.
std::vector<Text> settingNames() {
    std::vector<Text> names;
    for (TextView name : qel::SettingNames()) names.emplace_back(name);
    std::stable_sort(names.begin(), names.end(),
                     [](const Text& a, const Text& b) { return a.size() > b.size(); });
    return names;
}

std::string textMateSettingLine() {
    std::string line = "      \"match\": \"^[ \\\\t　]*(";
    bool first = true;
    for (const Text& name : settingNames()) {
        line += (first ? "" : "|") + escapedForRegex(name);
        first = false;
    }
    return line + ")(?=[ \\\\t　]*(?:は|＝|=))\",";
}

std::vector<std::string> vimSettingLines() {
    std::string line = "syn match qelSetting /^[ \\t　]*\\zs\\%(";
    bool first = true;
    for (const Text& name : settingNames()) {
        line += (first ? "" : "\\|") + toUtf8(name);
        first = false;
    }
    return {line + "\\)\\ze[ \\t　]*\\%(は\\|＝\\|=\\)/"};
}

// The Vim lines between the markers: one syn match per name, longest last so
// that Vim, which prefers the match defined last, takes the longest name.
std::vector<std::string> vimCommandLines() {
    std::vector<Text> names = grammarNames();
    std::vector<std::string> lines;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        std::string name = toUtf8(*it);
        lines.push_back("syn match qelCommand \"\\V" + name + "\"");
    }
    return lines;
}

std::string readFile(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The file at path with the lines after the line holding `after` replaced,
// up to the line holding `until` (or just one line when until is empty).
std::string withGeneratedLines(const std::string& current, const std::string& after,
                               const std::string& until,
                               const std::vector<std::string>& generated) {
    std::vector<std::string> lines = linesOf(current);
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < lines.size() && lines[i].find(after) == std::string::npos) out.push_back(lines[i++]);
    if (i == lines.size()) return {};  // no marker: the file was broken by hand
    out.push_back(lines[i++]);
    std::size_t end = i + 1;
    if (!until.empty()) {
        end = i;
        while (end < lines.size() && lines[end].find(until) == std::string::npos) ++end;
        if (end == lines.size()) return {};
    }
    out.insert(out.end(), generated.begin(), generated.end());
    out.insert(out.end(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(end, lines.size())),
               lines.end());
    return joinLines(out);
}

struct MadeFile {
    std::string path;  // relative to the source folder
    std::string text;  // empty when it could not be made
};

std::vector<MadeFile> madeFiles(const std::string& source) {
    std::vector<MadeFile> files;
    files.push_back({"docs/commands.md", commandReference() + "\n"});
    bool ok = false;
    std::string grammar = readFile(source + "/editors/textmate/qelscript.tmLanguage.json", ok);
    if (ok) {
        grammar =
            withGeneratedLines(grammar, "\"comment\": \"setting words, written by qel_docgen\"", "",
                               {textMateSettingLine()});
    }
    if (!grammar.empty()) {
        grammar =
            withGeneratedLines(grammar, "\"comment\": \"command names, written by qel_docgen\"", "",
                               {textMateCommandLine()});
    }
    files.push_back({"editors/textmate/qelscript.tmLanguage.json", ok ? grammar : ""});
    std::string vim = readFile(source + "/editors/vim/syntax/qelscript.vim", ok);
    if (ok)
        vim = withGeneratedLines(vim, "\" BEGIN setting words", "\" END setting words",
                                 vimSettingLines());
    if (!vim.empty()) {
        vim = withGeneratedLines(vim, "\" BEGIN command names", "\" END command names",
                                 vimCommandLines());
    }
    files.push_back({"editors/vim/syntax/qelscript.vim", ok ? vim : ""});
    return files;
}

bool reportUndocumented() {
    bool complete = true;
    for (TextView name : qel::UndocumentedCommands()) {
        std::cerr << "qel_docgen: the command " << toUtf8(name) << " has no description\n";
        complete = false;
    }
    for (TextView name : qel::UndocumentedSettings()) {
        std::cerr << "qel_docgen: the setting word " << toUtf8(name) << " has no description\n";
        complete = false;
    }
    return complete;
}

int write(const std::string& source) {
    int status = 0;
    for (const MadeFile& file : madeFiles(source)) {
        if (file.text.empty()) {
            std::cerr << "qel_docgen: " << file.path << " is missing or lacks its marker line\n";
            status = 1;
            continue;
        }
        std::ofstream out(source + "/" + file.path, std::ios::binary | std::ios::trunc);
        out << file.text;
        if (!out) {
            std::cerr << "qel_docgen: cannot write " << file.path << "\n";
            status = 1;
        }
    }
    return reportUndocumented() ? status : 1;
}

int check(const std::string& source) {
    int status = reportUndocumented() ? 0 : 1;
    for (const MadeFile& file : madeFiles(source)) {
        bool ok = false;
        std::string current = readFile(source + "/" + file.path, ok);
        if (file.text.empty()) {
            std::cerr << "qel_docgen: " << file.path << " is missing or lacks its marker line\n";
            status = 1;
        } else if (!ok || current != file.text) {
            std::cerr
                << "qel_docgen: " << file.path
                << " is not what the tables make; run ./build.sh docs and commit the result\n";
            status = 1;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "write") return write(argv[2]);
    if (argc == 3 && std::string_view(argv[1]) == "check") return check(argv[2]);
    if (argc == 2 && std::string_view(argv[1]) == "print") {
        std::cout << commandReference() << "\n";
        return reportUndocumented() ? 0 : 1;
    }
    std::cerr << "usage: qel_docgen write|check SOURCE_DIR, or qel_docgen print\n";
    return 2;
}
