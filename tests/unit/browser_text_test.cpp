// What a browser makes of a page without a widget: where links lead, the
// title and the text a script reads.
#include <gtest/gtest.h>

#include "ui/browser.h"

namespace qel::ui {
namespace {

TEST(BrowserLinks, RelativeAddressesResolveAgainstThePageTheyStandOn) {
    EXPECT_EQ(resolveLink(u"http://h/a/b.html?q=1#x", u"c.html"), u"http://h/a/c.html");
    EXPECT_EQ(resolveLink(u"http://h/a/b.html", u"/top.html"), u"http://h/top.html");
    EXPECT_EQ(resolveLink(u"http://h/a/b.html", u"../../../up.html"), u"http://h/up.html");
    EXPECT_EQ(resolveLink(u"http://h", u"x.html"), u"http://h/x.html");
    EXPECT_EQ(resolveLink(u"https://h/a/", u"//other/p"), u"https://other/p");
    EXPECT_EQ(resolveLink(u"http://h/a/b.html#old", u"#new"), u"http://h/a/b.html#new");
    EXPECT_EQ(resolveLink(u"file:///d/p/a.html", u"./b.html"), u"file:///d/p/b.html");
    // Local pages keep the form the script gave.
    EXPECT_EQ(resolveLink(u"pages/sub/a.html", u"../b.html"), u"pages/b.html");
    EXPECT_EQ(resolveLink(u"a.html", u"../b.html"), u"../b.html");
    EXPECT_EQ(resolveLink(u"C:\\web\\a.html", u"b.html"), u"C:/web/b.html");
    // A link with a scheme of its own is taken as it is (and judged when gone to).
    EXPECT_EQ(resolveLink(u"a.html", u"javascript:alert(1)"), u"javascript:alert(1)");
}

TEST(BrowserText, ThePageReadsAsAReaderSeesIt) {
    EXPECT_EQ(htmlTitle(u"<head><TITLE lang=\"ja\">\n A &amp;  B </TITLE>"), u"A & B");
    EXPECT_EQ(htmlTitle(u"<p>no title</p>"), u"");
    EXPECT_EQ(htmlText(u"<p>one\n  two</p><p>three<br>four</p>"), u"one two\r\nthree\r\nfour");
    EXPECT_EQ(htmlText(u"a<script>x<y</script>b<style>p{}</style>c<!-- d -->e"), u"abce");
    EXPECT_EQ(htmlText(u"<pre>x  y\nz</pre>"), u"x  y\r\nz");
    EXPECT_EQ(htmlText(u"<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>"),
              u"1\t2\r\n3");
    EXPECT_EQ(htmlText(u"&#x1F600;&#65;&bogus; 1 < 2 <a title=\"x>y\">z</a>"),
              u"\U0001F600A&bogus; 1 < 2 z");
    // Unclosed pieces end the text rather than running past it.
    EXPECT_EQ(htmlText(u"a<script>never closed"), u"a");
    EXPECT_EQ(htmlText(u"a<!-- never closed"), u"a");
    EXPECT_EQ(htmlText(u"a<b"), u"a");
}

TEST(BrowserText, ALinksTargetIsFoundByItsAddressAsWritten) {
    const TextView page =
        u"<abbr href=x target=no><A HREF='x?a=1&amp;b=2' Target = \"_blank\">x</A>"
        u"<a target=side href=y>y</a><a href=z>z</a>";
    EXPECT_EQ(linkTarget(page, u"x?a=1&b=2"), u"_blank");
    EXPECT_EQ(linkTarget(page, u"y"), u"side");
    EXPECT_EQ(linkTarget(page, u"z"), u"");
    EXPECT_EQ(linkTarget(page, u"x"), u"");
}

}  // namespace
}  // namespace qel::ui
