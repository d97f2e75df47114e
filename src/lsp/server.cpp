#include "lsp/server.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "library/registry/docs.h"
#include "library/registry/standard_library.h"
#include "text/text.h"

namespace qel::lsp {

namespace {

// The protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;

// Completion item and symbol kinds of the protocol.
constexpr int kItemFunction = 3, kItemVariable = 6, kItemProperty = 10, kItemKeyword = 14;
constexpr int kSymbolFunction = 12, kSymbolKey = 20;

constexpr std::string_view kParticles[] = {"を", "に", "へ", "で", "から", "まで", "として", "と"};
constexpr std::string_view kBlockWords[] = {"もし", "なら", "もし終わり", "手順は　", "終わり"};

// The tables every document is read against, made once.
StandardLibrary& tables() {
    static StandardLibrary library;
    return library;
}

Json toJson(const Place& p) {
    return {{"line", p.line}, {"character", p.column}};
}
Json toJson(const Span& s) {
    return {{"start", toJson(s.start)}, {"end", toJson(s.end)}};
}

std::string utf8(TextView text) {
    return text::toUtf8(text);
}

std::optional<Text> readLibrary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    return text::normaliseLineEnds(text::decodeFileBytes(bytes));
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A word of the tables (or a procedure) standing at `column` of `line`: the
// longest one that covers it.
struct WordAt {
    Text word;
    enum class Kind { None, Command, Function, Setting, Procedure } kind = Kind::None;
};

WordAt wordAt(TextView line, int column, const Analysis& analysis) {
    WordAt best;
    auto consider = [&](const Text& name, WordAt::Kind kind) {
        if (name.size() <= best.word.size() || name.empty()) return;
        for (std::size_t at = line.find(name); at != TextView::npos; at = line.find(name, at + 1)) {
            if (int(at) <= column && column <= int(at + name.size())) {
                best = {name, kind};
                return;
            }
        }
    };
    for (const Declaration& p : analysis.procedures()) consider(p.name, WordAt::Kind::Procedure);
    for (const auto& [key, entry] : tables().commands().inOrder())
        consider(entry->Name, WordAt::Kind::Command);
    for (const auto& [key, entry] : tables().functions().inOrder())
        consider(entry->Name, WordAt::Kind::Function);
    for (const auto& [key, entry] : tables().settings().inOrder())
        consider(entry->Name, WordAt::Kind::Setting);
    return best;
}

std::string particlesOf(const xxCmdData& entry) {
    std::string list;
    for (const Text& p : entry.Joshi) list += (list.empty() ? "" : "、") + utf8(p);
    return list;
}

}  // namespace

std::string PathOfUri(const std::string& uri) {
    constexpr std::string_view scheme = "file://";
    if (uri.rfind(scheme, 0) != 0) return {};
    std::string path;
    for (std::size_t i = scheme.size(); i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hexValue(uri[i + 1]) >= 0 &&
            hexValue(uri[i + 2]) >= 0) {
            path += char(hexValue(uri[i + 1]) * 16 + hexValue(uri[i + 2]));
            i += 2;
        } else {
            path += uri[i];
        }
    }
    return path;
}

std::string UriOfPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~' ||
            c >= 0x80) {
            uri += char(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

LanguageServer::LanguageServer(std::istream& in, std::ostream& out, std::ostream& log)
    : in_(in), out_(out), log_(log) {}

int LanguageServer::run() {
    for (;;) {
        Incoming next = ReadMessage(in_);
        switch (next.kind) {
            case Incoming::Kind::End:
                return shutDown_ ? 0 : 1;
            case Incoming::Kind::CutShort:
                log_ << "qelscript --lsp: " << next.problem << '\n';
                return shutDown_ ? 0 : 1;
            case Incoming::Kind::BadHeader:
            case Incoming::Kind::BadJson:
                log_ << "qelscript --lsp: " << next.problem << '\n';
                fail(nullptr, kParseError, next.problem);
                continue;
            case Incoming::Kind::TooLarge:
                // The body cannot be skipped without reading it: the stream
                // is no longer in step, so the server stops.
                log_ << "qelscript --lsp: " << next.problem << '\n';
                fail(nullptr, kInvalidRequest, next.problem);
                return 1;
            case Incoming::Kind::Message:
                break;
        }
        try {
            handle(next.message);
        } catch (const std::exception& e) {
            // A message of the wrong shape (a string where an object was
            // expected): the request fails, the server goes on.
            log_ << "qelscript --lsp: " << e.what() << '\n';
            if (next.message.is_object() && next.message.contains("id"))
                fail(next.message["id"], kInvalidParams, e.what());
        }
        if (exited_) return shutDown_ ? 0 : 1;
    }
}

void LanguageServer::handle(const Json& message) {
    if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
        // Answers from the editor to requests we never send are dropped.
        if (message.is_object() && message.contains("id") && !message.contains("result") &&
            !message.contains("error"))
            fail(message["id"], kInvalidRequest, "a request needs a method");
        return;
    }
    const std::string method = message["method"];
    const bool request = message.contains("id");
    const Json id = request ? message["id"] : Json();
    const Json params = message.value("params", Json::object());
    if (method == "exit") {
        exited_ = true;
        return;
    }
    if (!initialized_ && method != "initialize") {
        if (request) fail(id, kServerNotInitialized, "initialize comes first");
        return;
    }
    if (shutDown_) {
        if (request) fail(id, kInvalidRequest, "the server has been shut down");
        return;
    }
    if (method == "initialize") return respond(id, initialize());
    if (method == "initialized") return;
    if (method == "shutdown") {
        shutDown_ = true;
        return respond(id, nullptr);
    }
    if (method == "textDocument/didOpen") return open(params);
    if (method == "textDocument/didChange") return change(params);
    if (method == "textDocument/didClose") return close(params);
    if (method == "textDocument/completion") return respond(id, completion(params));
    if (method == "textDocument/hover") return respond(id, hover(params));
    if (method == "textDocument/definition") return respond(id, definition(params));
    if (method == "textDocument/documentSymbol") return respond(id, symbols(params));
    if (request) fail(id, kMethodNotFound, "unknown method " + method);
}

void LanguageServer::respond(const Json& id, Json result) {
    WriteMessage(out_, {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void LanguageServer::fail(const Json& id, int code, const std::string& message) {
    WriteMessage(
        out_, {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void LanguageServer::notify(const std::string& method, Json params) {
    WriteMessage(out_, {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

Json LanguageServer::initialize() {
    initialized_ = true;
    return {{"capabilities",
             {{"textDocumentSync", {{"openClose", true}, {"change", 1}}},
              {"completionProvider", Json::object()},
              {"hoverProvider", true},
              {"definitionProvider", true},
              {"documentSymbolProvider", true}}},
            {"serverInfo", {{"name", "qelscript"}, {"version", QEL_VERSION}}}};
}

LanguageServer::Document* LanguageServer::documentOf(const Json& params) {
    const std::string uri = params.at("textDocument").at("uri");
    auto it = documents_.find(uri);
    return it == documents_.end() ? nullptr : &it->second;
}

void LanguageServer::open(const Json& params) {
    const Json& item = params.at("textDocument");
    const std::string uri = item.at("uri");
    Document& document = documents_[uri];
    document.text = text::fromUtf8(item.at("text").get<std::string>());
    analyse(uri, document);
}

void LanguageServer::change(const Json& params) {
    const std::string uri = params.at("textDocument").at("uri");
    auto it = documents_.find(uri);
    if (it == documents_.end()) return;
    // Whole-document sync: the last change holds the whole text.
    const Json& changes = params.at("contentChanges");
    if (!changes.is_array() || changes.empty()) return;
    it->second.text = text::fromUtf8(changes.back().at("text").get<std::string>());
    analyse(uri, it->second);
}

void LanguageServer::close(const Json& params) {
    const std::string uri = params.at("textDocument").at("uri");
    documents_.erase(uri);
    notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", Json::array()}});
}

void LanguageServer::analyse(const std::string& uri, Document& document) {
    const std::string path = PathOfUri(uri);
    const std::string folder =
        path.empty() ? std::string() : std::filesystem::path(path).parent_path().string();
    document.analysis = std::make_unique<Analysis>(document.text, folder, readLibrary);
    Json list = Json::array();
    for (const Diagnostic& d : document.analysis->diagnostics()) {
        Json item = {{"range", toJson(d.span)},
                     {"severity", int(d.severity)},
                     {"source", "qelscript"},
                     {"message", utf8(d.message)}};
        if (d.errorNumber) item["code"] = d.errorNumber;
        list.push_back(std::move(item));
    }
    notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", std::move(list)}});
}

Json LanguageServer::completion(const Json& params) {
    Json items = Json::array();
    auto add = [&](const std::string& label, int kind, const std::string& detail) {
        items.push_back({{"label", label}, {"kind", kind}, {"detail", detail}});
    };
    for (const auto& [key, entry] : tables().commands().inOrder()) {
        const std::string particles = particlesOf(*entry);
        add(utf8(entry->Name), kItemKeyword,
            particles.empty() ? "命令" : "命令（" + particles + "）");
    }
    for (const auto& [key, entry] : tables().functions().inOrder())
        add(utf8(entry->Name), kItemFunction, "関数");
    for (const auto& [key, entry] : tables().settings().inOrder())
        add(utf8(entry->Name), kItemProperty, "設定");
    for (std::string_view p : kParticles) add(std::string(p), kItemKeyword, "助詞");
    for (std::string_view w : kBlockWords) add(std::string(w), kItemKeyword, "文の形");
    if (Document* document = documentOf(params); document && document->analysis) {
        for (const Declaration& p : document->analysis->procedures())
            add(utf8(p.name), kItemFunction, "手順：" + utf8(p.detail));
        for (const Text& v : document->analysis->variables()) add(utf8(v), kItemVariable, "変数");
    }
    return items;
}

Json LanguageServer::hover(const Json& params) {
    Document* document = documentOf(params);
    if (!document || !document->analysis) return nullptr;
    const Json& at = params.at("position");
    const int line = at.at("line"), column = at.at("character");
    const WordAt found = wordAt(document->analysis->line(line), column, *document->analysis);
    if (found.kind == WordAt::Kind::None) return nullptr;
    std::string text;
    switch (found.kind) {
        case WordAt::Kind::Procedure:
            for (const Declaration& p : document->analysis->procedures()) {
                if (p.name != found.word) continue;
                text = "**" + utf8(found.word) + "**（手順）\n\n```\n" + utf8(p.detail) + "\n```";
                if (!p.file.empty()) text += "\n\n" + utf8(p.file);
            }
            break;
        case WordAt::Kind::Command:
            if (const CommandEntry* entry = FindCommandEntry(found.word))
                text = "（命令）\n\n" + utf8(CommandHoverText(*entry));
            break;
        case WordAt::Kind::Function:
            if (const FunctionEntry* entry = FindFunctionEntry(found.word))
                text = "（関数）\n\n" + utf8(FunctionHoverText(*entry));
            break;
        case WordAt::Kind::Setting:
            if (const CommandEntry* entry = FindSettingEntry(found.word))
                text = "（設定）\n\n" + utf8(CommandHoverText(*entry));
            break;
        case WordAt::Kind::None:
            break;
    }
    if (text.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", text}}}};
}

Json LanguageServer::definition(const Json& params) {
    Document* document = documentOf(params);
    if (!document || !document->analysis) return nullptr;
    const std::string uri = params.at("textDocument").at("uri");
    const Json& at = params.at("position");
    const int line = at.at("line"), column = at.at("character");
    const Analysis& analysis = *document->analysis;
    std::optional<Declaration> target;
    const WordAt found = wordAt(analysis.line(line), column, analysis);
    if (found.kind == WordAt::Kind::Procedure) {
        for (const Declaration& p : analysis.procedures()) {
            if (p.name == found.word) target = p;  // the last one written is the one called
        }
    }
    if (!target) target = analysis.calledProcedure(line);
    if (!target) return nullptr;
    return {{"uri", target->file.empty() ? uri : UriOfPath(utf8(target->file))},
            {"range", toJson(target->span)}};
}

Json LanguageServer::symbols(const Json& params) {
    Document* document = documentOf(params);
    Json list = Json::array();
    if (!document || !document->analysis) return list;
    for (const Declaration& d : document->analysis->symbols()) {
        list.push_back({{"name", utf8(d.name)},
                        {"detail", utf8(d.detail)},
                        {"kind", d.label ? kSymbolKey : kSymbolFunction},
                        {"range", toJson(d.span)},
                        {"selectionRange", toJson(d.span)}});
    }
    return list;
}

}  // namespace qel::lsp
