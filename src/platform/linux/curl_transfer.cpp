#include "platform/linux/curl_transfer.h"

#include "platform/linux/curl_library.h"
#include "platform/linux/file_replacement.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

namespace qel {

namespace {

// A body kept in memory (a function's result, which becomes a text) may not
// grow past this; a server sending more would otherwise exhaust the process.
// Larger downloads go to a file.
constexpr std::uint64_t kMaxBodyInMemory = std::uint64_t(64) << 20;
// How long one wait for the network may last before the observer is asked
// again whether to go on: short enough that windows stay responsive and a
// stop request is honoured at once.
constexpr int kPollMilliseconds = 50;

// Set by CurlTransfer::perform before any other use: every function below
// runs inside a transfer.
const CurlLibrary* loadedCurl = nullptr;
const CurlLibrary& api() {
    return *loadedCurl;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { api().easy_cleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { api().multi_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { api().slist_free_all(list); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using Multi = std::unique_ptr<CURLM, MultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

// A download's file while it is being written: a temporary file beside the
// target that becomes the target only by commit(). Destroying it without a
// commit removes it, so every way out of a failed transfer cleans up.
class PartFile {
  public:
    // Creates the temporary file; empty on success, else why not.
    std::string open(const std::string& path) {
        file_replacement::Destination destination;
        if (FileStatus status = file_replacement::resolve(path, destination); !status)
            return status.message;
        // The new file keeps the permissions of the one it replaces.
        mode_t mode =
            destination.exists ? destination.info.st_mode : file_replacement::newFileMode();
        FileStatus opened = replacement_.open(destination, mode, false);
        return opened ? std::string() : opened.message;
    }

    bool write(const char* data, std::size_t size) {
        if (replacement_.write(std::string_view(data, size))) return true;
        error_ = errno;
        return false;
    }

    // Empty on success, else why the file could not be put in place.
    std::string commit() {
        if (error_ != 0) return std::strerror(error_);
        FileStatus published = replacement_.publish();
        return published ? std::string() : published.message;
    }

    std::string writeError() const { return error_ ? std::strerror(error_) : std::string(); }

  private:
    file_replacement::Replacement replacement_{".qel-download-"};
    int error_ = 0;
};

// Where the body goes while the transfer runs.
struct BodySink {
    PartFile* file = nullptr;
    std::string* memory = nullptr;
    std::uint64_t received = 0;
    bool tooLarge = false;
    bool writeFailed = false;
};

size_t receiveBody(char* data, size_t size, size_t count, void* user) {
    auto& sink = *static_cast<BodySink*>(user);
    const std::size_t bytes = size * count;
    if (sink.file) {
        if (!sink.file->write(data, bytes)) {
            sink.writeFailed = true;
            return 0;  // makes the library end the transfer with a write error
        }
    } else if (sink.memory) {
        if (sink.received + bytes > kMaxBodyInMemory) {
            sink.tooLarge = true;
            return 0;
        }
        sink.memory->append(data, bytes);
    }
    sink.received += bytes;
    return bytes;
}

struct UploadSource {
    std::FILE* file = nullptr;
    bool readFailed = false;
};

size_t sendBody(char* buffer, size_t size, size_t count, void* user) {
    auto& source = *static_cast<UploadSource*>(user);
    size_t n = std::fread(buffer, 1, size * count, source.file);
    if (n == 0 && std::ferror(source.file)) {
        source.readFailed = true;
        return CURL_READFUNC_ABORT;
    }
    return n;
}

long wholeSeconds(double seconds) {
    return std::max(1L, long(std::ceil(seconds)));
}

// `connected`: the connection stood (a timeout then is a stall, not a
// server out of reach); `replied`: an answer came on it.
TransferFault faultOf(CURLcode code, bool connected, bool replied) {
    switch (code) {
        case CURLE_OK:
            return TransferFault::None;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return TransferFault::BadAddress;
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_FTP_WEIRD_SERVER_REPLY:
            return TransferFault::Unreachable;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            return TransferFault::Untrusted;
        case CURLE_OPERATION_TIMEDOUT:
            return connected ? TransferFault::Stalled : TransferFault::Unreachable;
        case CURLE_LOGIN_DENIED:
            return TransferFault::LoginDenied;
        case CURLE_HTTP_RETURNED_ERROR:
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_UPLOAD_FAILED:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_TOO_MANY_REDIRECTS:
            return TransferFault::Refused;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
            return replied ? TransferFault::Broken : TransferFault::Unreachable;
        case CURLE_WRITE_ERROR:
        case CURLE_READ_ERROR:
        case CURLE_FILE_COULDNT_READ_FILE:
            return TransferFault::LocalFile;
        default:
            return TransferFault::Other;
    }
}

// Everything one transfer needs to outlive its options.
struct Transfer {
    Easy easy;
    HeaderList headers;
    BodySink sink;
    UploadSource upload;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> uploadFile{nullptr, &std::fclose};
    std::optional<std::uint64_t> uploadLength;
    PartFile part;
    char errorText[CURL_ERROR_SIZE] = {};
};

void addHeader(Transfer& t, const char* line) {
    curl_slist* grown = api().slist_append(t.headers.get(), line);
    if (grown) {
        (void)t.headers.release();
        t.headers.reset(grown);
    }
}

void setCommonOptions(Transfer& t, const TransferRequest& request, const TransferLimits& limits) {
    CURL* h = t.easy.get();
    api().easy_setopt(h, CURLOPT_URL, request.url.c_str());
    api().easy_setopt(h, CURLOPT_ERRORBUFFER, t.errorText);
    api().easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // Only the network schemes: an address must not read local files
    // (file://) or reach other services a script never meant to talk to.
    api().easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps");
    api().easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    api().easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    api().easy_setopt(h, CURLOPT_MAXREDIRS, long(limits.maxRedirects));
    api().easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                      long(std::max(1.0, limits.connectSeconds * 1000)));
    // "Stalled" is less than one byte a second for the whole stall time.
    api().easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    api().easy_setopt(h, CURLOPT_LOW_SPEED_TIME, wholeSeconds(limits.stallSeconds));
    api().easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, wholeSeconds(limits.stallSeconds));
    // An error reply is a failure, not a body to be saved as the download.
    api().easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    if (!request.agent.empty()) api().easy_setopt(h, CURLOPT_USERAGENT, request.agent.c_str());
    if (request.user) api().easy_setopt(h, CURLOPT_USERNAME, request.user->c_str());
    if (request.password) api().easy_setopt(h, CURLOPT_PASSWORD, request.password->c_str());
    // Never a cached copy, from a proxy or anywhere else.
    addHeader(t, "Cache-Control: no-cache");
    addHeader(t, "Pragma: no-cache");
}

void setPostOptions(Transfer& t, const TransferRequest& request) {
    CURL* h = t.easy.get();
    api().easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    api().easy_setopt(h, CURLOPT_POST, 1L);
    api().easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
    api().easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    addHeader(t, "Content-Type: application/x-www-form-urlencoded");
    // A form post names no accepted types and expects no interim answer.
    addHeader(t, "Accept:");
    addHeader(t, "Expect:");
}

// Empty when the source file is ready to be sent, else why not.
std::string prepareUpload(Transfer& t, const TransferRequest& request) {
    struct stat info {};
    if (stat(request.localPath.c_str(), &info) != 0) return std::strerror(errno);
    if (!S_ISREG(info.st_mode)) return std::strerror(EISDIR);
    t.uploadFile.reset(std::fopen(request.localPath.c_str(), "rbe"));
    if (!t.uploadFile) return std::strerror(errno);
    t.upload.file = t.uploadFile.get();
    t.uploadLength = std::uint64_t(info.st_size);
    CURL* h = t.easy.get();
    api().easy_setopt(h, CURLOPT_UPLOAD, 1L);
    api().easy_setopt(h, CURLOPT_READFUNCTION, sendBody);
    api().easy_setopt(h, CURLOPT_READDATA, &t.upload);
    api().easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(info.st_size));
    return {};
}

// The observer hears the body as if it were read in pieces of this size,
// before each piece, whatever sizes the network library hands over: a
// script's progress procedure then sees the same steady counts on a fast
// link, where one delivery may hold many pieces, as on a slow one.
constexpr std::uint64_t kProgressPiece = 4096;

// Where the transfer stands, as the observer hears it.
class ProgressReporter {
  public:
    ProgressReporter(Transfer& transfer, bool uploading) : t(transfer), uploading(uploading) {}

    // Announces every piece the body has reached so far: the count before
    // it, so 0, 4096, 8192 … up to the piece now arriving.
    void report(TransferObserver& observer) {
        const auto [done, length] = position();
        while (nextPiece < done) {
            announce(observer, nextPiece, length);
            nextPiece += kProgressPiece;
        }
    }

    // After the whole body: the count before the read that finds nothing
    // more, which is the whole length.
    void finish(TransferObserver& observer) {
        report(observer);
        const auto [done, length] = position();
        if (done > 0) announce(observer, done, length);
    }

  private:
    Transfer& t;
    bool uploading;
    std::uint64_t nextPiece = 0;  // where the next piece not yet announced starts
    bool announcedAny = false;
    std::uint64_t lastAnnounced = 0;  // the count heard last

    std::pair<std::uint64_t, std::optional<std::uint64_t>> position() const {
        std::uint64_t done = t.sink.received;
        std::optional<std::uint64_t> length;
        if (uploading) {
            curl_off_t sent = 0;
            api().easy_getinfo(t.easy.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
            done = std::uint64_t(std::max<curl_off_t>(0, sent));
            length = t.uploadLength;
        } else {
            curl_off_t announced = -1;
            api().easy_getinfo(t.easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
            if (announced >= 0) length = std::uint64_t(announced);
        }
        return {done, length};
    }

    void announce(TransferObserver& observer, std::uint64_t done,
                  std::optional<std::uint64_t> length) {
        if (announcedAny && lastAnnounced == done) return;
        announcedAny = true;
        lastAnnounced = done;
        observer.bodyProgress(done, length);
    }
};

TransferResult failure(TransferFault fault, std::string message) {
    TransferResult result;
    result.fault = fault;
    result.message = std::move(message);
    return result;
}

}  // namespace

CurlTransfer::CurlTransfer(TransferLimits limits) : limits_(limits) {}

TransferResult CurlTransfer::perform(const TransferRequest& request, TransferObserver& observer) {
    std::string why;
    loadedCurl = curlLibrary(why);
    if (!loadedCurl) return failure(TransferFault::Other, why);
    Transfer t;
    t.easy.reset(api().easy_init());
    Multi multi(api().multi_init());
    if (!t.easy || !multi) return failure(TransferFault::Other, "the network library cannot start");

    TransferResult result;
    const bool uploading = request.method == TransferRequest::Method::Upload;
    setCommonOptions(t, request, limits_);
    if (request.method == TransferRequest::Method::Post) setPostOptions(t, request);
    if (uploading) {
        std::string problem = prepareUpload(t, request);
        if (!problem.empty()) return failure(TransferFault::LocalFile, problem);
    } else if (!request.localPath.empty()) {
        std::string problem = t.part.open(request.localPath);
        if (!problem.empty()) return failure(TransferFault::LocalFile, problem);
        t.sink.file = &t.part;
    } else {
        t.sink.memory = &result.body;
    }
    CURL* h = t.easy.get();
    api().easy_setopt(h, CURLOPT_HTTPHEADER, t.headers.get());
    api().easy_setopt(h, CURLOPT_WRITEFUNCTION, receiveBody);
    api().easy_setopt(h, CURLOPT_WRITEDATA, &t.sink);

    api().multi_add_handle(multi.get(), h);
    ProgressReporter progress(t, uploading);
    bool aborted = false;
    int running = 1;
    while (true) {
        if (api().multi_perform(multi.get(), &running) != CURLM_OK) break;
        progress.report(observer);
        if (!running) break;
        if (!observer.keepGoing()) {
            aborted = true;
            break;
        }
        api().multi_poll(multi.get(), nullptr, 0, kPollMilliseconds, nullptr);
    }

    CURLcode code = CURLE_FAILED_INIT;
    int pending = 0;
    while (CURLMsg* message = api().multi_info_read(multi.get(), &pending)) {
        if (message->msg == CURLMSG_DONE) code = message->data.result;
    }
    api().easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    result.replied = result.status != 0;
    if (char* type = nullptr;
        api().easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        result.contentType = type;
    if (char* url = nullptr; api().easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url)
        result.finalUrl = url;
    api().multi_remove_handle(multi.get(), h);

    if (aborted) return failure(TransferFault::Aborted, "stopped");
    if (code != CURLE_OK) {
        curl_off_t connectTime = 0;
        api().easy_getinfo(h, CURLINFO_CONNECT_TIME_T, &connectTime);
        result.fault = faultOf(code, connectTime > 0 || result.replied, result.replied);
        result.message = t.errorText[0] ? t.errorText : api().easy_strerror(code);
        if (t.sink.writeFailed) result.message = t.part.writeError();
        if (t.sink.tooLarge) {
            result.fault = TransferFault::TooLarge;
            result.message = "the reply is larger than 64 MiB";
        }
        if (t.upload.readFailed) result.fault = TransferFault::LocalFile;
        result.body.clear();
        return result;
    }
    progress.finish(observer);
    if (t.sink.file) {
        std::string problem = t.part.commit();
        if (!problem.empty()) return failure(TransferFault::LocalFile, problem);
    }
    return result;
}

TransferLimits transferLimitsFromEnvironment() {
    TransferLimits limits;
    auto seconds = [](const char* name, double& slot) {
        const char* value = std::getenv(name);
        if (!value || !*value) return;
        char* end = nullptr;
        double v = std::strtod(value, &end);
        if (end && *end == '\0' && std::isfinite(v) && v > 0 && v <= 86400) slot = v;
    };
    seconds("QELSCRIPT_CONNECT_TIMEOUT", limits.connectSeconds);
    seconds("QELSCRIPT_STALL_TIMEOUT", limits.stallSeconds);
    return limits;
}

}  // namespace qel
