// Reading the addresses and arguments of the transfer commands, building form
// bodies, and decoding reply bodies: everything of transfers that needs no
// network.
#include <gtest/gtest.h>

#include "library/network/transfer_support.h"

namespace qel::transfer {
namespace {

TEST(PostAddress, HostPathAndPort) {
    auto a = parsePostAddress(u"http://example.com/cgi-bin/form.cgi?x=1");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "example.com");
    EXPECT_EQ(a->port, 80);
    EXPECT_EQ(a->path, "/cgi-bin/form.cgi?x=1");
    EXPECT_EQ(a->url(), "http://example.com/cgi-bin/form.cgi?x=1");

    // Without a scheme, with a port of its own, and with the scheme in capitals.
    a = parsePostAddress(u"example.com:8080/a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->port, 8080);
    EXPECT_EQ(a->url(), "http://example.com:8080/a");
    a = parsePostAddress(u"HTTP://Example.com/");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->url(), "http://Example.com/");

    // TLS on its own port; an IPv6 literal keeps its colons out of the port.
    a = parsePostAddress(u"https://secure.example/p");
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->secure);
    EXPECT_EQ(a->url(), "https://secure.example/p");
    a = parsePostAddress(u"http://[::1]:81/p");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "[::1]");
    EXPECT_EQ(a->port, 81);
}

TEST(PostAddress, OnlyTheLeadingSchemeIsRemoved) {
    // An address carried in the query must reach the server intact.
    auto a = parsePostAddress(u"http://h/go?next=http://other/x");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "h");
    EXPECT_EQ(a->path, "/go?next=http://other/x");
}

TEST(PostAddress, RefusesWhatCannotBeSent) {
    for (TextView bad : {u"example.com", u"http://example.com", u"/path/only", u"http:///x",
                         u"h:0/x", u"h:65536/x", u"h:8o/x", u"h:/x", u"[::1/x", u""}) {
        EXPECT_FALSE(parsePostAddress(bad)) << text::toUtf8(bad);
    }
}

TEST(FormBody, ListElementsJoinedInCodePage932) {
    EXPECT_EQ(formBody(u"a=1,b=2"), "a=1&b=2");
    EXPECT_EQ(formBody(u"a=1、b=2，c=3"), "a=1&b=2&c=3");
    // An escaped comma belongs to its element.
    EXPECT_EQ(formBody(u"note=a{**}b,x=1"), "note=a,b&x=1");
    EXPECT_EQ(formBody(u"名前=山田"), "\x96\xBC\x91\x4F=\x8E\x52\x93\x63");
    EXPECT_EQ(formBody(u""), "");
}

TEST(AddressText, UnsafeCharactersAreEncoded) {
    EXPECT_EQ(urlOfText(u"http://h/a b"), "http://h/a%20b");
    EXPECT_EQ(urlOfText(u"http://h/日"), "http://h/%E6%97%A5");
    // A line break cannot smuggle a header or a command into the request.
    EXPECT_EQ(urlOfText(u"http://h/x\r\nHost: evil"), "http://h/x%0D%0AHost:%20evil");
    EXPECT_EQ(urlOfText(u"ftp://u:p@h/a?b=c#d"), "ftp://u:p@h/a?b=c#d");
}

TEST(AddressText, SchemesAndNames) {
    EXPECT_EQ(withScheme(u"h/x", false), u"http://h/x");
    EXPECT_EQ(withScheme(u" h/x ", true), u"ftp://h/x");
    EXPECT_EQ(withScheme(u"https://h/x", true), u"https://h/x");
    EXPECT_TRUE(isFtpAddress(u"FTP://h/x"));
    EXPECT_FALSE(isFtpAddress(u"http://h/ftp://"));

    EXPECT_EQ(withoutPassword(u"ftp://user:pw@h/x"), u"ftp://user:***@h/x");
    EXPECT_EQ(withoutPassword(u"ftp://user:p:w@h:21/x"), u"ftp://user:***@h:21/x");
    EXPECT_EQ(withoutPassword(u"ftp://user@h/x"), u"ftp://user@h/x");
    EXPECT_EQ(withoutPassword(u"http://h/a:b@c"), u"http://h/a:b@c");

    EXPECT_EQ(fileNameOfAddress(u"http://h/dir/file.txt?x=1#top"), u"file.txt");
    EXPECT_EQ(fileNameOfAddress(u"http://h/dir/"), u"index.html");
    EXPECT_EQ(fileNameOfAddress(u"http://h"), u"index.html");
}

TEST(FtpArguments, WordUserAndPassword) {
    FtpOptions o = parseFtpOptions(u"ＦＴＰ、qel、secret");
    EXPECT_TRUE(o.ftp);
    EXPECT_EQ(o.user, u"qel");
    EXPECT_EQ(o.password, u"secret");
    o = parseFtpOptions(u"ftp");
    EXPECT_TRUE(o.ftp);
    EXPECT_FALSE(o.user);
    EXPECT_FALSE(parseFtpOptions(u"HTTP,a,b").ftp);
    EXPECT_FALSE(credentialsUsable(parseFtpOptions(u"FTP,qel\r\nDELE x,p")));
    EXPECT_TRUE(credentialsUsable(parseFtpOptions(u"FTP,qel,p a ss")));
}

TEST(ReplyText, CharsetFromTheReplyThenTheDocumentThenTheBytes) {
    const std::string sjis = "\x93\xFA\x96\x7B";          // 日本 in code page 932
    const std::string euc = "\xC6\xFC\xCB\xDC";           // 日本 in EUC-JP
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC";  // 日本 in UTF-8
    EXPECT_EQ(decodeReplyText(sjis, "text/plain; charset=Shift_JIS"), u"日本");
    EXPECT_EQ(decodeReplyText(euc, "text/html;charset=\"EUC-JP\""), u"日本");
    EXPECT_EQ(decodeReplyText("\x1B$BF|K\\\x1B(B", "text/plain; Charset=ISO-2022-JP"), u"日本");
    EXPECT_EQ(decodeReplyText("\xEF\xBB\xBF" + utf8, "text/plain; charset=utf-8"), u"日本");
    // No charset in the reply: a declaration in the document, else detection.
    EXPECT_EQ(decodeReplyText("<meta charset=euc-jp>" + euc, "text/html"),
              u"<meta charset=euc-jp>日本");
    EXPECT_EQ(decodeReplyText("<?xml version=\"1.0\" encoding=\"EUC-JP\"?>" + euc, ""),
              u"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>日本");
    EXPECT_EQ(decodeReplyText(utf8, "text/plain"), u"日本");
    EXPECT_EQ(decodeReplyText(sjis, "text/plain; charset=unknown-thing"), u"日本");
    // Line ends are the language's own.
    EXPECT_EQ(decodeReplyText("a\nb\r\nc", "text/plain; charset=utf-8"), u"a\r\nb\r\nc");
    EXPECT_EQ(decodeReplyText("", "text/plain"), u"");
}

}  // namespace
}  // namespace qel::transfer
