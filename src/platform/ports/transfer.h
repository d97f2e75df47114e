// The transfer port: fetching a URL (HTTP, HTTPS, FTP), posting a form, and
// sending a file to an FTP server. One call runs one whole transfer on the
// calling thread; while it runs, the observer hears how the body is coming
// along and is asked, every few tens of milliseconds, whether to go on, so
// the host can keep its windows alive and the user can stop a slow transfer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qel {

class TransferObserver {
  public:
    virtual ~TransferObserver() = default;
    // Bytes of the body moved so far, and the body's whole length when the
    // other side announced one (a Content-Length, an FTP SIZE answer, the
    // size of a file being sent). Heard as if the body moved in pieces of
    // 4,096 bytes: before each piece (0, 4096, 8192 …) and, once the whole
    // body has moved, with its whole size. Called from the transfer loop,
    // never from inside the network library, so it may run script code.
    virtual void bodyProgress(std::uint64_t done, std::optional<std::uint64_t> length) = 0;
    // False ends the transfer at once (it then fails with Aborted).
    virtual bool keepGoing() = 0;
};

enum class TransferFault {
    None,
    BadAddress,   // a scheme other than http, https or ftp, or a malformed URL
    Unreachable,  // no connection: unknown host, refused, connect timeout, TLS failure
    Untrusted,    // the server's TLS certificate could not be verified
    LoginDenied,  // the FTP server refused the user name or the password
    Refused,      // the server answered with an error (HTTP 4xx/5xx, FTP: no such file)
    Stalled,      // connected, but nothing arrived for the stall time
    Broken,       // the connection ended before the whole body arrived
    LocalFile,    // the local file could not be written or read
    TooLarge,     // a body kept in memory grew past the limit for texts
    Aborted,      // the observer asked to stop
    Other,
};

struct TransferResult {
    TransferFault fault = TransferFault::None;
    std::string message;      // the network library's description (UTF-8, English)
    long status = 0;          // the last HTTP status or FTP reply code (0 none)
    bool replied = false;     // a reply (headers, an FTP greeting) came before the fault
    std::string contentType;  // of the final HTTP reply
    std::string finalUrl;     // where the body came from, after any redirects
    std::string body;         // the body, when it was not written to a file
    explicit operator bool() const { return fault == TransferFault::None; }
};

struct TransferRequest {
    enum class Method { Get, Post, Upload };
    Method method = Method::Get;
    std::string url;
    // Post: the exact body bytes. The request then goes out as HTTP/1.0 with
    // a form content type.
    std::string body;
    // FTP log-in; when not given, the URL's own (or anonymous) is used.
    std::optional<std::string> user, password;
    std::string agent;  // the User-Agent sent with HTTP requests
    // Get: when not empty, the body goes to this file instead of `body`. It
    // is written under a temporary name in the same folder and renamed into
    // place only when the whole body arrived, so a failed or stopped
    // transfer never leaves a partial file under this name.
    // Upload: the file whose bytes are sent.
    std::string localPath;
};

// Limits every transfer obeys.
struct TransferLimits {
    double connectSeconds = 30;  // to reach the server
    double stallSeconds = 60;    // without a single byte, once connected
    int maxRedirects = 10;
};

class TransferPort {
  public:
    virtual ~TransferPort() = default;
    virtual TransferResult perform(const TransferRequest& request, TransferObserver& observer) = 0;
};

}  // namespace qel
