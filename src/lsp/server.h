// `qelscript --lsp`: a language server on standard input and output. It
// keeps the documents the editor opens, reads each one with the runtime's
// front end after every change, and answers with diagnostics, completion,
// hover texts, definitions and the document's procedures and labels.
#pragma once

#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "lsp/analysis.h"
#include "lsp/json_rpc.h"

namespace qel::lsp {

class LanguageServer {
  public:
    LanguageServer(std::istream& in, std::ostream& out, std::ostream& log);

    // Serves until the editor says exit (or the stream ends). The exit
    // status the protocol asks for: 0 after shutdown, 1 otherwise.
    int run();

  private:
    struct Document {
        Text text;
        std::unique_ptr<Analysis> analysis;
    };

    void handle(const Json& message);
    void respond(const Json& id, Json result);
    void fail(const Json& id, int code, const std::string& message);
    void notify(const std::string& method, Json params);

    Json initialize();
    void open(const Json& params);
    void change(const Json& params);
    void close(const Json& params);
    void analyse(const std::string& uri, Document& document);
    Json completion(const Json& params);
    Json hover(const Json& params);
    Json definition(const Json& params);
    Json symbols(const Json& params);

    Document* documentOf(const Json& params);

    std::istream& in_;
    std::ostream& out_;
    std::ostream& log_;
    std::map<std::string, Document> documents_;
    bool initialized_ = false;
    bool shutDown_ = false;
    bool exited_ = false;
};

// The path a file: URI names (percent escapes decoded); empty for other schemes.
std::string PathOfUri(const std::string& uri);
std::string UriOfPath(const std::string& path);

}  // namespace qel::lsp
