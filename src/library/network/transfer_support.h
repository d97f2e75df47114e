// The pieces of the transfer commands that need no network: reading the
// addresses and arguments scripts write, building a form body, and turning
// a reply's bytes into text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/text.h"

namespace qel::transfer {

// The address a form is posted to. Scripts write it as host and path with or
// without a leading "http://" ("https://" asks for TLS); the host may name a
// port ("host:8080"), else the scheme's own is used (80, or 443).
struct PostAddress {
    bool secure = false;
    std::string host;  // as written, brackets of an IPv6 literal kept
    int port = 80;
    std::string path;  // from the first "/" on, in the form a request line carries
    std::string url() const;
};
// Nothing when the address has no host, no "/" after the host, or a port
// that is not a number from 1 to 65535.
std::optional<PostAddress> parsePostAddress(TextView address);

// The form body: the comma-separated elements of the list (separators "、"
// and "，" count as ","; cell escapes are undone) joined with "&", in code
// page 932.
std::string formBody(TextView list);

// An address as the network library takes it: characters outside printable
// ASCII (a blank, Japanese text) are written as "%" and the hex digits of
// their UTF-8 bytes; everything else is left as the script wrote it.
std::string urlOfText(TextView address);

// The address with a scheme: one given ("http://", "https://", "ftp://", or
// any other, which the transfer then refuses) stays; without one, "ftp://"
// when `ftp` is set, else "http://".
Text withScheme(TextView address, bool ftp);
bool isFtpAddress(TextView address);

// The address as messages may show it: a password in it is replaced by "***".
Text withoutPassword(TextView address);

// The file name an address ends in (without query or fragment), for a
// download that names no file; "index.html" when the path ends in "/".
Text fileNameOfAddress(TextView address);

// The で argument of ダウンロード and アップロード: "FTP", optionally followed
// by the user name and the password ("FTP,user,password").
struct FtpOptions {
    bool ftp = false;
    std::optional<Text> user, password;
};
FtpOptions parseFtpOptions(TextView evaluatedList);
// False when the user name or the password holds a control character, which
// could end the log-in command early and start another.
bool credentialsUsable(const FtpOptions& options);

// The text of a reply body: decoded as the charset its Content-Type names
// (Shift_JIS / CP932, EUC-JP, ISO-2022-JP, UTF-8), else as a charset an HTML
// or XML declaration near its start names, else detected as files are (a
// byte-order mark, valid UTF-8, else code page 932). Line ends become CR LF.
Text decodeReplyText(std::string_view body, std::string_view contentType);

}  // namespace qel::transfer
