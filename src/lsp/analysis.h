// What an editor is told about one script while it is being written: the
// problems the runtime would meet before and when running it, the
// procedures and labels it declares, the names it assigns, and where each
// procedure a statement calls is written. The runtime's own front end does
// the reading (the same splitting, classification, block marking and
// procedure registration a run does), so the editor sees the script as the
// runtime will.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace qel {
class Qel;
}

namespace qel::lsp {

// A place in a document: line and column counted from 0, the column in
// UTF-16 units (what editors speaking the protocol count by default).
struct Place {
    int line = 0;
    int column = 0;
};

struct Span {
    Place start, end;
};

enum class Severity { Error = 1, Warning = 2, Information = 3 };

struct Diagnostic {
    Span span;
    Severity severity = Severity::Error;
    Text message;
    int errorNumber = 0;  // the runtime's error number, 0 for the editor's own checks
};

// A procedure or label a script (or a library it loads) declares.
struct Declaration {
    Text name;
    Text detail;  // the declaring line as written
    Text file;    // empty: the document itself; else the library's path
    Span span;    // the whole declaring line
    bool label = false;
};

// Reads a library file a script names (a .qlb or .qel), as UTF-8 text with
// CR LF line ends; nothing when it cannot be read.
using FileReader = std::function<std::optional<Text>(const std::string& path)>;

class Analysis {
  public:
    // `folder` is the document's folder: libraries the script loads by a
    // relative name are looked for there.
    Analysis(TextView document, const std::string& folder, const FileReader& read);

    const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }
    // Procedures and labels of the document, in the order written.
    const std::vector<Declaration>& symbols() const { return symbols_; }
    // Names the document assigns to (variables), each once.
    const std::vector<Text>& variables() const { return variables_; }
    // Every procedure the script can call: its own, then those of the
    // libraries it loads.
    const std::vector<Declaration>& procedures() const { return procedures_; }

    // The procedure a statement on `line` calls, found as the runtime finds
    // it (the whole statement, its verb, then a procedure name inside the verb).
    std::optional<Declaration> calledProcedure(int line) const;

    // The line's text as the editor holds it.
    TextView line(int number) const;

  private:
    void prepare(Qel& qel, const std::string& folder, const FileReader& read);
    void checkQuotes();
    void checkCommands(Qel& qel);
    void collectDeclarations();
    void loadLibraries(Qel& qel, const std::string& folder, const FileReader& read);

    std::vector<Text> lines_;
    std::vector<Diagnostic> diagnostics_;
    std::vector<Declaration> symbols_;
    std::vector<Text> variables_;
    std::vector<Declaration> procedures_;
    // Per line: the statement's verb and source as the runtime reads them.
    struct LineFacts {
        int kind = -1;  // StatementKind, -1 for an empty line
        Text source, head;
    };
    std::vector<LineFacts> facts_;
};

}  // namespace qel::lsp
