// Joins the command, setting-word and function rows with their reference
// text. Built once on first use from static tables only.
#include "library/registry/docs.h"

#include <algorithm>

#include "library/registry/doc_tables.h"
#include "library/registry/registry.h"
#include "library/registry/rows.h"

namespace qel {

namespace {

TextView firstName(TextView names) {
    return names.substr(0, names.find(u','));
}

// Calls fn for each part of a list separated by ",".
template <typename Fn>
void forEachName(TextView names, Fn fn) {
    while (!names.empty()) {
        std::size_t comma = names.find(u',');
        fn(names.substr(0, comma));
        if (comma == TextView::npos) break;
        names.remove_prefix(comma + 1);
    }
}

bool hasName(TextView names, TextView name) {
    bool found = false;
    forEachName(names, [&](TextView each) { found = found || text::equalsFolded(each, name); });
    return found;
}

const CommandDoc* docNamed(const std::vector<CommandDoc>& docs, TextView name) {
    for (const CommandDoc& doc : docs) {
        if (text::equalsFolded(doc.name, name)) return &doc;
    }
    return nullptr;
}

// A row's own description, else that of an earlier row with the same working
// handler (色反転 for ネガポジ, 表示 for ひょうじ), else that of the row it is
// written to be the reading of, where its handler is not built yet.
std::vector<CommandEntry> joinRows(const std::vector<CommandRow>& rows,
                                   const std::vector<CommandDoc>& docs,
                                   const std::vector<DocReading>& readings,
                                   CommandHandler notBuilt) {
    std::vector<CommandEntry> entries;
    entries.reserve(rows.size());
    for (const CommandRow& row : rows) {
        CommandEntry entry{row.names, row.particles, docNamed(docs, firstName(row.names)),
                           row.handler != notBuilt, false};
        for (std::size_t i = 0; entry.doc == nullptr && i < entries.size(); ++i) {
            if (row.handler != notBuilt && rows[i].handler == row.handler && !entries[i].reading) {
                entry.doc = entries[i].doc;
                entry.reading = entry.doc != nullptr;
            }
        }
        for (const DocReading& reading : readings) {
            if (entry.doc == nullptr && text::equalsFolded(reading.reading, firstName(row.names))) {
                entry.doc = docNamed(docs, reading.of);
                entry.reading = entry.doc != nullptr;
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

const CommandEntry* entryNamed(const std::vector<CommandEntry>& entries, TextView name) {
    for (const CommandEntry& entry : entries) {
        if (hasName(entry.names, name)) return &entry;
    }
    return nullptr;
}

std::vector<TextView> allNames(const auto& entries) {
    std::vector<TextView> names;
    for (const auto& entry : entries) {
        forEachName(entry.names, [&](TextView name) {
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        });
    }
    return names;
}

std::vector<TextView> undocumented(const std::vector<CommandEntry>& entries) {
    std::vector<TextView> missing;
    for (const CommandEntry& entry : entries) {
        if (entry.doc == nullptr) missing.push_back(firstName(entry.names));
    }
    return missing;
}

// Short entries stand in tables, a row each: "| `名前` ／ `別名` | 説明 |".
TextView tableText(TextView reference, TextView name) {
    const Text quoted = u"`" + Text(name) + u"`";
    std::size_t at = 0;
    while ((at = reference.find(u"\n| `", at)) != TextView::npos) {
        at += 1;
        std::size_t lineEnd = std::min(reference.find(u'\n', at), reference.size());
        TextView line = reference.substr(at, lineEnd - at);
        std::size_t cellEnd = line.find(u" | ", 2);
        if (cellEnd == TextView::npos || line.substr(2, cellEnd - 2).find(quoted) == TextView::npos)
            continue;
        TextView text = line.substr(cellEnd + 3);
        while (!text.empty() && (text.back() == u'|' || text.back() == u' ')) text.remove_suffix(1);
        return text;
    }
    return {};
}

// The reference's headings name a function by all its names ("### 置き換え ／
// 置換"); the lines up to the next heading are its entry.
TextView functionText(TextView reference, TextView names) {
    TextView name = firstName(names);
    std::size_t at = 0;
    while ((at = reference.find(u"\n### ", at)) != TextView::npos) {
        at += 5;
        std::size_t lineEnd = std::min(reference.find(u'\n', at), reference.size());
        TextView heading = reference.substr(at, lineEnd - at);
        bool matches = false;
        while (!heading.empty() && !matches) {
            std::size_t split = heading.find(u"／");
            // "論理包含（ＯＲ ／ ＸＯＲ）": a remark in brackets is no name.
            TextView part = heading.substr(0, split);
            part = part.substr(0, part.find(u"（"));
            while (!part.empty() && part.back() == u' ') part.remove_suffix(1);
            while (!part.empty() && part.front() == u' ') part.remove_prefix(1);
            matches = text::equalsFolded(part, name);
            heading = split == TextView::npos ? TextView{} : heading.substr(split + 1);
        }
        if (!matches) continue;
        std::size_t start = std::min(lineEnd + 1, reference.size());
        std::size_t end = reference.find(u"\n#", start);
        TextView text =
            reference.substr(start, end == TextView::npos ? TextView::npos : end - start);
        while (!text.empty() && (text.back() == u'\n' || text.back() == u' '))
            text.remove_suffix(1);
        return text;
    }
    return tableText(reference, name);
}

}  // namespace

const std::vector<CommandEntry>& CommandEntries() {
    static const std::vector<CommandEntry> entries =
        joinRows(commandRows(), commandDocs(), commandDocReadings(), cmdNotBuilt);
    return entries;
}

const std::vector<CommandEntry>& SettingEntries() {
    static const std::vector<CommandEntry> entries =
        joinRows(settingRows(), settingDocs(), {}, setNotBuilt);
    return entries;
}

const std::vector<FunctionEntry>& FunctionEntries() {
    static const std::vector<FunctionEntry> entries = [] {
        static const Text reference = text::fromUtf8(functionReferenceUtf8());
        std::vector<FunctionEntry> built;
        for (const FunctionRow& row : functionRows()) {
            TextView text = functionText(reference, row.names);
            for (const FunctionDoc& doc : functionDocSupplement()) {
                if (text.empty() && text::equalsFolded(doc.name, firstName(row.names)))
                    text = doc.text;
            }
            built.push_back({row.names, row.particles, text, row.handler != fnNotBuilt});
        }
        return built;
    }();
    return entries;
}

const CommandEntry* FindCommandEntry(TextView name) {
    return entryNamed(CommandEntries(), name);
}

const CommandEntry* FindSettingEntry(TextView name) {
    return entryNamed(SettingEntries(), name);
}

const CommandDoc* FindCommandDoc(TextView name) {
    const CommandEntry* entry = FindCommandEntry(name);
    return entry == nullptr ? nullptr : entry->doc;
}

const CommandDoc* FindSettingDoc(TextView name) {
    const CommandEntry* entry = FindSettingEntry(name);
    return entry == nullptr ? nullptr : entry->doc;
}

const FunctionEntry* FindFunctionEntry(TextView name) {
    for (const FunctionEntry& entry : FunctionEntries()) {
        if (hasName(entry.names, name)) return &entry;
    }
    return nullptr;
}

std::vector<TextView> CommandNames() {
    return allNames(CommandEntries());
}

std::vector<TextView> SettingNames() {
    return allNames(SettingEntries());
}

std::vector<TextView> FunctionNames() {
    return allNames(FunctionEntries());
}

std::vector<TextView> UndocumentedCommands() {
    return undocumented(CommandEntries());
}

std::vector<TextView> UndocumentedSettings() {
    return undocumented(SettingEntries());
}

namespace {

// "**表示** ／ **ひょうじ**" and a blank line.
Text boldNames(TextView names) {
    Text text;
    forEachName(names, [&](TextView name) {
        if (!text.empty()) text += u" ／ ";
        text += u"**";
        text += name;
        text += u"**";
    });
    return text + u"\n\n";
}

}  // namespace

Text FunctionHoverText(const FunctionEntry& entry) {
    Text text = boldNames(entry.names);
    text += entry.text.empty() ? TextView(u"組み込みの関数です。") : entry.text;
    if (!entry.built) text += u"\n\n（このビルドでは、まだ使えません。使うとエラーになります）";
    text += u"\n";
    return text;
}

Text CommandHoverText(const CommandEntry& entry) {
    Text text = boldNames(entry.names);
    if (entry.doc == nullptr) return text;
    if (entry.reading) {
        text += u"「";
        text += entry.doc->name;
        text += u"」と同じ命令です。";
    }
    text += entry.doc->summary;
    if (!entry.built) text += u"（このビルドでは、まだ使えません。使うとエラーになります）";
    text += u"\n\n- 形: ";
    text += entry.doc->form;
    text += u"\n- 例: `";
    text += entry.doc->example;
    text += u"`";
    if (!entry.doc->errors.empty()) {
        text += u"\n- エラー: ";
        text += entry.doc->errors;
    }
    text += u"\n";
    return text;
}

}  // namespace qel
