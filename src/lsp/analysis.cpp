#include "lsp/analysis.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "core/parser.h"
#include "engine/qel.h"
#include "library/registry/standard_library.h"
#include "platform/linux/posix_files.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel::lsp {

namespace {

constexpr TextView kCRLF = u"\r\n";

std::vector<Text> splitLines(TextView document) {
    std::vector<Text> lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = document.find(u'\n', start);
        TextView line =
            document.substr(start, end == TextView::npos ? TextView::npos : end - start);
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == TextView::npos) return lines;
        start = end + 1;
    }
}

// Errors the front end reports while it prepares a program land here,
// with the line the runtime names, instead of in a box.
class CaptureHost : public UiHost {
  public:
    explicit CaptureHost(std::vector<Diagnostic>& found) : found_(found) {}
    void attach(Engine& engine) { engine_ = &engine; }
    void setLineCount(int count) { lineCount_ = count; }

    int messageBox(const MessageBoxRequest& request) override {
        if (request.purpose != BoxPurpose::Error || !engine_) return kOk;
        Diagnostic d;
        const int line = std::clamp(engine_->errors.errorLine - 1, 0, std::max(0, lineCount_ - 1));
        d.span = {{line, 0}, {line, kWholeLine}};
        d.message = text::replaceAll(engine_->errors.lastErrorMessage, u"\r\n", u"\n");
        d.errorNumber = engine_->errors.lastErrorNumber;
        found_.push_back(std::move(d));
        return kOk;
    }
    std::optional<Text> inputBox(TextView, TextView, TextView) override { return std::nullopt; }
    void setApplicationTitle(TextView) override {}
    void pumpEvents() override {}
    void sleepMs(int) override {}

    static constexpr int kWholeLine = 100000;

  private:
    std::vector<Diagnostic>& found_;
    Engine* engine_ = nullptr;
    int lineCount_ = 1;
};

// A library a statement loads by a literal name: 「tools.qlb」を参照 or
// 「tools.qlb」を実行.
std::optional<Text> loadedLibrary(const StatementRecord& record) {
    if (record.kind != StatementKind::Command) return std::nullopt;
    const BoundArguments& args = Args(record);
    if (args.head != u"参照" && args.head != u"実行") return std::nullopt;
    TextView name = text::trimBlanks(args.woArg);
    if (name.size() < 3 || name.front() != u'「' || name.back() != u'」') return std::nullopt;
    name = name.substr(1, name.size() - 2);
    if (name.find(u'［') != TextView::npos) return std::nullopt;  // worked out when it runs
    Text file(name);
    if (file.find(u'.') == Text::npos) file += u".qel";
    return file;
}

Span wholeLine(int line, TextView text) {
    return {{line, 0}, {line, int(text.size())}};
}

}  // namespace

Analysis::Analysis(TextView document, const std::string& folder, const FileReader& read)
    : lines_(splitLines(document)) {
    Platform platform;
    auto host = std::make_unique<CaptureHost>(diagnostics_);
    CaptureHost& capture = *host;
    platform.ui = std::move(host);
    platform.files = std::make_unique<PosixFileSystem>();
    Qel qel(std::move(platform));
    capture.attach(qel.engine());
    capture.setLineCount(int(lines_.size()));
    qel.engine().runEnvironment = RunEnvironment::ScriptFile;
    prepare(qel, folder, read);
}

void Analysis::prepare(Qel& qel, const std::string& folder, const FileReader& read) {
    Engine& engine = qel.engine();
    Text joined;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i) joined += kCRLF;
        joined += lines_[i];
    }
    auto program = engine.LoadProgram(std::move(joined), 0);
    engine.programLevels.assign(1, program);
    facts_.resize(lines_.size());
    for (std::size_t i = 0; i < program->statements.size() && i < facts_.size(); ++i) {
        const StatementRecord& record = program->statements[i];
        if (record.source.empty()) continue;
        facts_[i].kind = int(record.kind);
        facts_[i].source = record.source;
        if (record.kind == StatementKind::Command)
            facts_[i].head = Args(record).head;
        else
            facts_[i].head = Text(record.head);
    }
    collectDeclarations();
    loadLibraries(qel, folder, read);
    checkQuotes();
    checkCommands(qel);
    // Errors the front end reports name a line, not a place on it.
    for (Diagnostic& d : diagnostics_) {
        const int length = int(line(d.span.end.line).size());
        d.span.end.column = std::min(d.span.end.column, length);
        d.span.start.column = std::min(d.span.start.column, d.span.end.column);
    }
}

void Analysis::collectDeclarations() {
    std::set<Text> seenVariables;
    std::vector<std::pair<Text, int>> seenProcedures;
    for (std::size_t i = 0; i < facts_.size(); ++i) {
        const LineFacts& f = facts_[i];
        const int line = int(i);
        if (f.kind == int(StatementKind::ProcHead)) {
            // The name as the runtime registers it: after 手順は, before its
            // parameter list.
            TextView name = TextView(f.source).substr(4);
            if (std::size_t open = name.find(u'（'); open != TextView::npos)
                name = name.substr(0, open);
            name = text::trimBlanks(name);
            Declaration d{Text(name), f.source, {}, wholeLine(line, lines_[i]), false};
            for (const auto& [earlier, at] : seenProcedures) {
                if (text::equalsFolded(earlier, d.name)) {
                    diagnostics_.push_back({d.span, Severity::Warning,
                                            u"手順「" + d.name + u"」は" + number::format(at + 1) +
                                                u"行目にもあります。後に書いた方が使われます。",
                                            0});
                }
            }
            seenProcedures.emplace_back(d.name, line);
            symbols_.push_back(d);
            procedures_.push_back(d);
        } else if (f.kind == int(StatementKind::Label)) {
            TextView name = TextView(f.source).substr(0, f.source.size() - 1);
            symbols_.push_back({Text(name), f.source, {}, wholeLine(line, lines_[i]), true});
        } else if (f.kind == int(StatementKind::Assign) && !f.head.empty() &&
                   seenVariables.insert(f.head).second) {
            variables_.push_back(f.head);
        }
    }
}

void Analysis::loadLibraries(Qel& qel, const std::string& folder, const FileReader& read) {
    Engine& engine = qel.engine();
    int number = 1;
    const auto& statements = engine.programLevels[0]->statements;
    for (const StatementRecord& record : statements) {
        auto name = loadedLibrary(record);
        if (!name) continue;
        std::filesystem::path path(text::toUtf8(*name));
        if (path.is_relative()) path = std::filesystem::path(folder) / path;
        auto content = read(path.string());
        if (!content) continue;
        // Errors inside a library are the library's to show, not this document's.
        const std::size_t before = diagnostics_.size();
        auto library = engine.LoadProgram(std::move(*content), number++);
        diagnostics_.resize(before);
        for (std::size_t i = 0; i < library->statements.size(); ++i) {
            const StatementRecord& line = library->statements[i];
            if (line.kind != StatementKind::ProcHead) continue;
            TextView procedure = TextView(line.source).substr(4);
            if (std::size_t open = procedure.find(u'（'); open != TextView::npos)
                procedure = procedure.substr(0, open);
            procedures_.push_back({Text(text::trimBlanks(procedure)), line.source,
                                   text::fromUtf8(path.string()), wholeLine(int(i), line.source),
                                   false});
        }
    }
}

// A 「 left open at the end of its statement swallows the rest of it: the
// runtime would read it as one long text. The statement is read as the
// runtime keeps it (comments cut, continued lines joined).
void Analysis::checkQuotes() {
    for (std::size_t i = 0; i < facts_.size(); ++i) {
        const TextView source = facts_[i].source;
        int depth = 0;
        for (char16_t c : source) {
            if (c == u'「')
                ++depth;
            else if (c == u'」' && depth > 0)
                --depth;
        }
        if (depth == 0) continue;
        const TextView line = lines_[i];
        const std::size_t open = line.find(u'「');
        diagnostics_.push_back(
            {{{int(i), open == TextView::npos ? 0 : int(open)}, {int(i), int(line.size())}},
             Severity::Error,
             u"「 が閉じていません（」が" + number::format(depth) + u"個足りません）。",
             0});
    }
}

// A command statement whose verb no command, procedure or object answers is
// what the runtime reports as an unknown command when it gets there.
void Analysis::checkCommands(Qel& qel) {
    Engine& engine = qel.engine();
    auto& library = static_cast<StandardLibrary&>(engine.library);
    for (std::size_t i = 0; i < facts_.size(); ++i) {
        const LineFacts& f = facts_[i];
        if (f.kind != int(StatementKind::Command) || f.head.empty() || f.head == u"\r") continue;
        // Verbs addressed to an object (plug-ins, the calling program, a
        // browser) are only known when the script runs.
        if (f.head.find(u'の') != Text::npos || f.source.find(u'の') != Text::npos) continue;
        if (library.commands().find(f.head)) continue;
        if (engine.procedures.find(f.source) || engine.procedures.find(f.head)) continue;
        bool known = false;
        for (const auto& [key, entry] : library.commands().inOrder()) {
            if (f.head.find(entry->Name) != Text::npos) {
                known = true;
                break;
            }
        }
        for (const auto& [key, entry] : engine.procedures.inOrder()) {
            if (known) break;
            known = text::findOutside(f.head, key, text::kSyntaxBrackets, 1) != Text::npos;
        }
        if (known) continue;
        // Reported by the runtime's own error routine, so the editor shows
        // the message a run would; then narrowed to the verb.
        const std::size_t before = diagnostics_.size();
        engine.Report(ErrorId::UnknownCommand, f.head, {}, int(i) + 1);
        const TextView line = lines_[i];
        const std::size_t at = line.find(f.head);
        if (diagnostics_.size() > before && at != TextView::npos)
            diagnostics_.back().span = {{int(i), int(at)}, {int(i), int(at + f.head.size())}};
    }
}

std::optional<Declaration> Analysis::calledProcedure(int line) const {
    if (line < 0 || std::size_t(line) >= facts_.size()) return std::nullopt;
    const LineFacts& f = facts_[std::size_t(line)];
    if (f.kind != int(StatementKind::Command) && f.kind != int(StatementKind::Assign) &&
        f.kind != int(StatementKind::If))
        return std::nullopt;
    // The whole statement, then the verb, then a name inside the verb; a
    // later declaration of a name replaces an earlier one, as in a run.
    for (const TextView wanted : {TextView(f.source), TextView(f.head)}) {
        for (auto it = procedures_.rbegin(); it != procedures_.rend(); ++it) {
            if (text::equalsFolded(it->name, wanted)) return *it;
        }
    }
    for (auto it = procedures_.rbegin(); it != procedures_.rend(); ++it) {
        if (!it->name.empty() && f.source.find(it->name) != Text::npos) return *it;
    }
    return std::nullopt;
}

TextView Analysis::line(int number) const {
    if (number < 0 || std::size_t(number) >= lines_.size()) return {};
    return lines_[std::size_t(number)];
}

}  // namespace qel::lsp
