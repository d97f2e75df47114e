// Transfers: the command ダウンロード (HTTP, HTTPS and FTP to a file), the
// command アップロード (a file to an FTP server) and the function
// ＨＴＴＰでダウンロード (a page as text or into a file, fetched or posted).
// All of them read the body through ReadBody, which keeps the script's
// windows alive, reports progress and stops when the script is stopped.
#include "core/engine.h"
#include "core/parser.h"
#include "core/paths.h"
#include "library/files/store_guard.h"
#include "library/network/network.h"
#include "library/network/transfer_support.h"
#include "library/registry/function_support.h"
#include "library/registry/library_state.h"
#include "library/settings/protection.h"
#include "library/textio/progress.h"
#include "text/number.h"
#include "ui/transfer_reason.h"

namespace qel {

namespace {

// The body reader's side of a transfer: progress to the script's progress
// procedure (only when the length is known, as the percentage needs it),
// window events while waiting, and the stop request.
class BodyReader : public TransferObserver {
  public:
    explicit BodyReader(Engine& engine) : engine_(engine) {}

    void bodyProgress(std::uint64_t done, std::optional<std::uint64_t> length) override {
        if (!length || *length == 0 || !ProgressOn(engine_)) return;
        NotifyProgress(engine_, double(done), double(*length));
    }

    bool keepGoing() override {
        engine_.ui().pumpEvents();
        if (engine_.interruptFlag && *engine_.interruptFlag) engine_.stopRequested = true;
        return !engine_.stopRequested;
    }

  private:
    Engine& engine_;
};

// The agent name servers see: the executable's own name, so that a
// stand-alone application shows up under its name.
std::string agentName(Engine& engine) {
    std::string path = engine.files().executablePath();
    std::string name = path.substr(path.rfind('/') + 1);
    return name.empty() ? std::string("qelscript") : name;
}

TransferResult ReadBody(Engine& engine, TransferRequest& request) {
    if (!engine.platform.transfer) {
        TransferResult none;
        none.fault = TransferFault::Unreachable;
        none.message = "no network transfers in this host";
        return none;
    }
    request.agent = agentName(engine);
    BodyReader reader(engine);
    return engine.platform.transfer->perform(request, reader);
}

TransferResult HttpGet(Engine& engine, TextView url, std::string localPath = {}) {
    TransferRequest request;
    request.url = transfer::urlOfText(url);
    request.localPath = std::move(localPath);
    return ReadBody(engine, request);
}

TransferResult HttpPost(Engine& engine, const transfer::PostAddress& address, TextView data,
                        std::string localPath = {}) {
    TransferRequest request;
    request.method = TransferRequest::Method::Post;
    request.url = address.url();
    request.body = transfer::formBody(data);
    request.localPath = std::move(localPath);
    return ReadBody(engine, request);
}

// The error's message with a reason on a line of its own.
void reportWithReason(Engine& engine, ErrorId error, TextView word, TextView reason) {
    engine.ReportText(error, Text(errorEntry(error).message) + u"\\n" + Text(reason), word);
}

void reportWithReason(Engine& engine, ErrorId error, TextView word, const TransferResult& result) {
    reportWithReason(engine, error, word, ui::transferFaultText(result));
}

// The function's failures: an address that cannot be reached, or that
// answers with an error, is "not found"; a failure while the body was being
// read is an unexpected error with its reason.
void reportFunctionFailure(Engine& engine, TextView url, const TransferResult& result) {
    switch (result.fault) {
        case TransferFault::Aborted:
            return;
        case TransferFault::BadAddress:
        case TransferFault::Unreachable:
        case TransferFault::Untrusted:
        case TransferFault::Refused:
            engine.Report(ErrorId::FileNotFoundQuoteHint, transfer::withoutPassword(url));
            return;
        case TransferFault::LocalFile:
            engine.Report(ErrorId::CannotSave, text::fromUtf8(result.message));
            return;
        default:
            engine.Report(ErrorId::UnknownFault, ui::transferFaultText(result));
    }
}

// The で argument of the FTP forms; nothing (after the report) when its
// user name or password could not be sent safely.
std::optional<transfer::FtpOptions> ftpArgument(StatementRecord& record, Engine& engine) {
    const Text written = AskParticle(record, u"で");
    if (written.empty()) return transfer::FtpOptions{};
    transfer::FtpOptions options = transfer::parseFtpOptions(engine.EvalText(written));
    if (!transfer::credentialsUsable(options)) {
        reportWithReason(engine, ErrorId::FtpConnectFailed, {},
                         u"ユーザー名とパスワードには改行などの制御文字を使えません。");
        return std::nullopt;
    }
    return options;
}

void useLogIn(TransferRequest& request, const transfer::FtpOptions& options) {
    if (options.user) request.user = text::toUtf8(*options.user);
    if (options.password) request.password = text::toUtf8(*options.password);
}

bool isConnectFault(const TransferResult& result) {
    return result.fault == TransferFault::Unreachable || result.fault == TransferFault::LoginDenied;
}

}  // namespace

// URL を ファイル へ [「FTP,ユーザー名,パスワード」で] ダウンロード
void cmdDownload(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    AskParticle(record, u"で");  // binds で first, so を and へ hold only their own arguments
    if (Args(record).woArg.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    Text source = engine.EvalText(Args(record).woArg);
    Text target = Args(record).heArg.empty() ? Text() : engine.EvalText(Args(record).heArg);
    auto ftp = ftpArgument(record, engine);
    if (!ftp) return;
    Text address = transfer::withScheme(source, ftp->ftp);
    if (target.empty()) target = transfer::fileNameOfAddress(address);
    if (RefuseStoreWrite(engine, target)) return;

    TransferRequest request;
    request.url = transfer::urlOfText(address);
    request.localPath = toNativePath(target);
    useLogIn(request, *ftp);
    TransferResult result = ReadBody(engine, request);
    if (result || result.fault == TransferFault::Aborted) return;
    if (transfer::isFtpAddress(address) && isConnectFault(result)) {
        reportWithReason(engine, ErrorId::FtpConnectFailed, {}, result);
    } else {
        reportWithReason(engine, ErrorId::DownloadFailed, transfer::withoutPassword(source),
                         result);
    }
}

// ファイル を URL へ [「FTP,ユーザー名,パスワード」で] アップロード. An address
// ending in "/" names a folder: the file keeps its own name there.
void cmdUpload(StatementRecord& record, Engine& engine) {
    AskParticle(record, u"で");  // binds で first, so を and へ hold only their own arguments
    if (Args(record).woArg.empty() || Args(record).heArg.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    Text source = engine.EvalText(Args(record).woArg);
    Text destination = engine.EvalText(Args(record).heArg);
    auto ftp = ftpArgument(record, engine);
    if (!ftp) return;
    Text address = transfer::withScheme(destination, true);
    if (!transfer::isFtpAddress(address)) {
        engine.Report(ErrorId::BadAddress, destination);
        return;
    }
    if (text::endsWith(address, u"/")) address += fileNameOf(source);
    std::string localPath = toNativePath(source);
    if (!engine.files().fileExists(localPath)) {
        engine.Report(ErrorId::NotFound, source);
        return;
    }

    TransferRequest request;
    request.method = TransferRequest::Method::Upload;
    request.url = transfer::urlOfText(address);
    request.localPath = std::move(localPath);
    useLogIn(request, *ftp);
    TransferResult result = ReadBody(engine, request);
    if (result || result.fault == TransferFault::Aborted) return;
    reportWithReason(engine,
                     isConnectFault(result) ? ErrorId::FtpConnectFailed : ErrorId::FtpUploadFailed,
                     {}, result);
}

// ＨＴＴＰでダウンロード(URL を [送るデータ で] [ファイル として]): the body
// as text, or, with a file, written to that file (the result is then the
// file's name). With data the form is posted, else the page is fetched.
void fnHttpDownload(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    if (!a.given(0)) {
        engine.Report(ErrorId::FunctionArgumentsMissing, libraryState(engine).currentFunctionName);
        return;
    }
    const Text url = a.text(0);
    const bool toFile = a.given(2) && !a.text(2).empty();
    std::string localPath = toFile ? toNativePath(a.text(2)) : std::string();
    // Into a file it is a file change; as text it changes nothing.
    if (toFile && (!CheckProtection(engine, Guard::Files) || RefuseStoreWrite(engine, a.text(2))))
        return;

    TransferResult reply;
    if (a.given(1)) {
        auto address = transfer::parsePostAddress(url);
        if (!address) {
            engine.Report(ErrorId::BadAddress, url);
            return;
        }
        reply = HttpPost(engine, *address, a.text(1), std::move(localPath));
    } else {
        reply = HttpGet(engine, transfer::withScheme(url, false), std::move(localPath));
    }
    if (!reply) {
        reportFunctionFailure(engine, url, reply);
        return;
    }
    result = toFile ? a.text(2) : transfer::decodeReplyText(reply.body, reply.contentType);
}

}  // namespace qel
