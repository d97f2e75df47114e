// Browsers: going to an address (a local file, or http and https through the
// runtime's transfer port), the history behind 戻る and 進む, the events a
// page load raises, and the properties scripts read.
#include "ui/browser.h"

#include <cctype>

#include "core/paths.h"
#include "encodings/uEncoding.h"
#include "ui/find_replace.h"
#include "ui/rich_support.h"
#include "ui/transfer_reason.h"

namespace qel::ui {

namespace {

// Pages larger than this are refused rather than read into memory.
constexpr std::uint64_t kMaxPageBytes = 32ULL * 1024 * 1024;
constexpr TextView kBlank = u"about:blank";

enum class Where { File, Web, Blank, Refused };

Text lowerScheme(TextView address) {
    std::size_t colon = address.find(u':');
    if (colon == TextView::npos || colon < 2) return {};
    Text scheme;
    for (char16_t c : address.substr(0, colon)) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
              c == u'+' || c == u'-' || c == u'.'))
            return {};
        scheme += c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    }
    return scheme;
}

Where whereOf(TextView address) {
    if (address.empty() || address == kBlank) return Where::Blank;
    const Text scheme = lowerScheme(address);
    if (scheme.empty()) return Where::File;
    if (scheme == u"http" || scheme == u"https") return Where::Web;
    if (scheme == u"file") return Where::File;
    // javascript:, mailto:, data: and the rest are never run or handed on.
    return Where::Refused;
}

// The local path a file address names: "file:///a/b" and "file://localhost/a/b" → "/a/b".
Text localPath(TextView address) {
    if (lowerScheme(address) != u"file") return Text(address);
    TextView rest = address.substr(5);
    if (rest.substr(0, 2) == u"//") {
        rest.remove_prefix(2);
        if (rest.substr(0, 9) == u"localhost") rest.remove_prefix(9);
    }
    Text path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        auto hex = [](char16_t c) {
            return c >= u'0' && c <= u'9'   ? c - u'0'
                   : c >= u'a' && c <= u'f' ? c - u'a' + 10
                   : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                            : -1;
        };
        if (rest[i] == u'%' && i + 2 < rest.size() && hex(rest[i + 1]) >= 0 &&
            hex(rest[i + 2]) >= 0) {
            path += char16_t(hex(rest[i + 1]) * 16 + hex(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

bool endsWithNoCase(TextView t, TextView lowerEnd) {
    if (t.size() < lowerEnd.size()) return false;
    for (std::size_t i = 0; i < lowerEnd.size(); ++i) {
        char16_t c = t[t.size() - lowerEnd.size() + i];
        if ((c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c) != lowerEnd[i]) return false;
    }
    return true;
}

// Whether a page without a content type is HTML: by its name, else by how it begins.
bool looksLikeHtml(TextView address, TextView source) {
    for (TextView end : {TextView(u".html"), TextView(u".htm"), TextView(u".xhtml")}) {
        if (endsWithNoCase(address, end)) return true;
    }
    std::size_t i = source.find_first_not_of(u" \t\r\n\uFEFF");
    if (i == TextView::npos) return false;
    Text head;
    for (char16_t c : source.substr(i, 14)) head += c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    return head.rfind(u"<!doctype html", 0) == 0 || head.rfind(u"<html", 0) == 0;
}

// The charset a reply's type or a page's own declaration names, lower case.
std::string charsetOf(std::string_view contentType, std::string_view bytes) {
    auto after = [](std::string_view where) -> std::string {
        std::string lower;
        for (char c : where) lower += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        std::size_t at = lower.find("charset=");
        if (at == std::string::npos) return {};
        at += 8;
        while (at < lower.size() && (lower[at] == '"' || lower[at] == '\'')) ++at;
        std::string name;
        while (at < lower.size() && (std::isalnum(static_cast<unsigned char>(lower[at])) ||
                                     lower[at] == '-' || lower[at] == '_'))
            name += lower[at++];
        return name;
    };
    std::string named = after(contentType);
    return named.empty() ? after(bytes.substr(0, 2048)) : named;
}

// A page's text: in the charset its reply or its <meta> names, else found
// as files are (a byte-order mark, valid UTF-8, else code page 932).
Text pageText(std::string_view bytes, std::string_view contentType) {
    const std::string charset = charsetOf(contentType, bytes);
    if (charset == "utf-8" || charset == "utf8") {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        return text::fromUtf8(bytes);
    }
    if (charset == "shift_jis" || charset == "shift-jis" || charset == "sjis" ||
        charset == "x-sjis" || charset == "windows-31j" || charset == "cp932")
        return text::fromCp932(bytes);
    if (charset == "euc-jp" || charset == "x-euc-jp") return uEncoding::eucDecode(bytes);
    if (charset == "iso-2022-jp") return uEncoding::jisDecode(bytes);
    return text::decodeFileBytes(bytes);
}

// Reads the transfer's body while the script's windows stay alive; 中止 (or
// the script being stopped) ends it.
class PageReader : public TransferObserver {
  public:
    PageReader(Engine& engine, const std::shared_ptr<RichContent>& rc) : engine_(engine), rc_(rc) {}
    void bodyProgress(std::uint64_t, std::optional<std::uint64_t>) override {}
    bool keepGoing() override {
        engine_.ui().pumpEvents();
        auto rc = rc_.lock();
        return rc && !rc->browser.stopAsked && !engine_.stopRequested;
    }

  private:
    Engine& engine_;
    std::weak_ptr<RichContent> rc_;
};

struct Fetched {
    BrowserPage page;
    bool ok = false;
    Text movedTo;  // the address a redirect ended at; empty when none
};

Fetched fetchFile(Engine& engine, const Text& address) {
    Fetched f;
    const std::string path = toNativePath(localPath(address));
    auto info = engine.files().fileInfo(path);
    if (!info) return engine.Report(ErrorId::NotFound, address), f;
    std::string bytes;
    if (info->kind != FileKind::File || info->size > kMaxPageBytes ||
        !engine.files().readFile(path, bytes))
        return engine.Report(ErrorId::CannotOpen, address), f;
    if (bytes.find('\0') != std::string::npos && bytes.rfind("\xFF\xFE", 0) != 0 &&
        bytes.rfind("\xFE\xFF", 0) != 0)
        return engine.Report(ErrorId::CannotOpen, address), f;  // no page: a program, a picture …
    f.page.source = pageText(bytes, {});
    f.page.html = looksLikeHtml(address, f.page.source);
    f.ok = true;
    return f;
}

void reportNotFetched(Engine& engine, const Text& address, const Text& reason) {
    engine.ReportText(ErrorId::DownloadFailed,
                      Text(errorEntry(ErrorId::DownloadFailed).message) + u"\\n" + reason, address);
}

Fetched fetchWeb(Engine& engine, const std::shared_ptr<RichContent>& rc, const Text& address) {
    Fetched f;
    if (rc->browser.offline || !engine.platform.transfer) {
        reportNotFetched(
            engine, address,
            rc->browser.offline ? u"オフラインです。" : u"このホストはネットワークを使えません。");
        return f;
    }
    TransferRequest request;
    request.url = text::toUtf8(address);
    request.agent = "qelscript";
    PageReader reader(engine, rc);
    TransferResult r = engine.platform.transfer->perform(request, reader);
    if (!r) {
        if (r.fault != TransferFault::Aborted)
            reportNotFetched(engine, address, transferFaultText(r));
        return f;
    }
    if (r.body.size() > kMaxPageBytes || r.body.find('\0') != std::string::npos) {
        engine.Report(ErrorId::CannotOpen, address);
        return f;
    }
    f.page.source = pageText(r.body, r.contentType);
    // A redirected page is known by the address it came from, so that links
    // relative to it and 更新 go where the server put them. A redirect to a
    // scheme browsers refuse keeps the asked address.
    const Text landed = text::fromUtf8(r.finalUrl);
    if (!landed.empty() && landed != address && whereOf(landed) == Where::Web) f.movedTo = landed;
    const std::string& type = r.contentType;
    f.page.html = type.empty() ? looksLikeHtml(address, f.page.source)
                               : type.find("html") != std::string::npos;
    f.ok = true;
    return f;
}

Text lastPart(TextView address) {
    TextView page = address.substr(0, address.find_first_of(u"?#"));
    while (!page.empty() && page.back() == u'/') page.remove_suffix(1);
    std::size_t slash = page.find_last_of(u"/\\");
    TextView name = slash == TextView::npos ? page : page.substr(slash + 1);
    return name.empty() ? Text(address) : Text(name);
}

void setStatus(EventDispatch& events, ScriptObject& b, const Text& status) {
    BrowserContent& bc = b.rich->browser;
    if (bc.status == status) return;
    bc.status = status;
    events.RunEventEx(b.kind->word, u"の状況が変わる", b);
}

enum class Step { New, Back, Forward, Again };

// Goes to `address`; the page and the history change only when it arrived.
void go(EventDispatch& events, Engine& engine, ScriptObject& b, Text address, Step step) {
    std::shared_ptr<RichContent> rc = b.rich;  // kept while procedures run
    const Where where = whereOf(address);
    if (where == Where::Refused) {
        engine.Report(ErrorId::BadAddress, address);
        return;
    }
    rc->browser.stopAsked = false;
    rc->browser.loading = true;
    events.RunEventEx(b.kind->word, u"の読み込み開始", b);
    if (b.unloaded) return;
    setStatus(events, b, address + u" を開いています");
    Fetched f;
    if (where == Where::Blank) {
        address = Text(kBlank);
        f.ok = true;
    } else {
        // As the language's browsers do, the download events frame every fetch.
        events.RunEventEx(b.kind->word, u"のダウンロード開始", b);
        if (b.unloaded) return;
        f = where == Where::File ? fetchFile(engine, address) : fetchWeb(engine, rc, address);
        if (!b.unloaded) events.RunEventEx(b.kind->word, u"のダウンロード完了", b);
    }
    rc->browser.loading = false;
    if (b.unloaded) return;
    if (!f.ok) {
        setStatus(events, b, Text());
        return;
    }
    BrowserContent& bc = rc->browser;
    if (!f.movedTo.empty()) address = f.movedTo;
    f.page.address = address;
    bc.page = std::move(f.page);
    bc.findStart = bc.findLength = 0;  // a new page is searched from its top
    bc.foundNumber = 0;
    if (step == Step::New) {
        bc.history.resize(std::size_t(bc.at + 1));
        bc.history.push_back(address);
        bc.at = int(bc.history.size()) - 1;
    } else {
        if (step != Step::Again) bc.at += step == Step::Back ? -1 : 1;
        bc.history[std::size_t(bc.at)] = address;
    }
    bc.text = bc.page.html ? htmlText(bc.page.source) : text::normaliseLineEnds(bc.page.source);
    Text title = bc.page.html ? htmlTitle(bc.page.source) : Text();
    if (title.empty()) title = lastPart(address);
    notify(engine, b, {RichChange::Everything});
    if (title != bc.title) {
        bc.title = title;
        events.RunEventEx(b.kind->word, u"のタイトル変更", b);
        if (b.unloaded) return;
    }
    setStatus(events, b, u"完了");
    if (b.unloaded) return;
    events.RunEventEx(b.kind->word, u"の読み込み完了", b);
}

// A link for a new window: the script may name the browser it goes to
// in それ; there are no windows of the browser's own, so otherwise it
// opens where it was clicked.
void openNewWindow(EventDispatch& events, Engine& engine, ScriptObject& browser,
                   const Text& address) {
    browser.rich->browser.newAddress = address;
    engine.answer.clear();
    events.RunEventEx(browser.kind->word, u"で新しいウィンドウ", browser);
    std::shared_ptr<ScriptObject> chosen;
    if (!engine.answer.empty())
        chosen = events.model().ResolveObject(engine, engine.answer.text(), true);
    const bool elsewhere = chosen && chosen->type == ObjectType::Control && chosen->kind &&
                           chosen->kind->id == KindId::Browser && chosen->rich;
    if (browser.unloaded && !elsewhere) return;
    go(events, engine, elsewhere ? *chosen : browser, address, Step::New);
}

enum Id {
    Address,
    NewAddress,
    Title,
    State,
    Status,
    Source,
    Content,
    Offline,
    FullScreen,
    Back,
    Forward
};
// clang-format off
constexpr PropertyName kNames[] = {
    {u"アドレス", Address}, {u"新アドレス", NewAddress}, {u"タイトル", Title}, {u"状態", State},
    {u"状況", Status}, {u"ソース", Source}, {u"内容", Content}, {u"オフライン", Offline},
    {u"フルスクリーン", FullScreen}, {u"戻る", Back}, {u"進む", Forward},
};
// clang-format on

}  // namespace

bool isBrowser(const ScriptObject& object) {
    return object.type == ObjectType::Control && object.kind &&
           object.kind->id == KindId::Browser && object.rich;
}

void browse(Engine& engine, ObjectModel& model, ScriptObject& browser, TextView address) {
    go(Events(engine, model), engine, browser, Text(text::trimBlanks(address)), Step::New);
}

void browseBack(Engine& engine, ObjectModel& model, ScriptObject& browser) {
    const BrowserContent& bc = browser.rich->browser;
    if (bc.at <= 0) return;  // nothing before: as a disabled button, nothing happens
    go(Events(engine, model), engine, browser, bc.history[std::size_t(bc.at - 1)], Step::Back);
}

void browseForward(Engine& engine, ObjectModel& model, ScriptObject& browser) {
    const BrowserContent& bc = browser.rich->browser;
    if (bc.at + 1 >= int(bc.history.size())) return;
    go(Events(engine, model), engine, browser, bc.history[std::size_t(bc.at + 1)], Step::Forward);
}

bool browserVerb(Engine& engine, ObjectModel& model, ScriptObject& browser, TextView verb) {
    BrowserContent& bc = browser.rich->browser;
    if (verb.find(u"中止") != TextView::npos) {
        // A page on its way stops at the transfer's next look; a loaded one stays.
        if (bc.loading) bc.stopAsked = true;
        return true;
    }
    if (verb.find(u"更新") != TextView::npos) {
        if (bc.at >= 0) go(Events(engine, model), engine, browser, bc.page.address, Step::Again);
        return true;
    }
    if (verb.find(u"検索") != TextView::npos) {
        // There is no search site of the desktop to go to: 検索 finds in the
        // page, with the dialog that finds in text boxes.
        OpenFindDialog(engine, model, browser, false);
        return true;
    }
    if (verb.find(u"ホーム") != TextView::npos) {
        browse(engine, model, browser, kBlank);
        return true;
    }
    return false;
}

std::string followLink(EventDispatch& events, Engine& engine, ScriptObject& browser,
                       TextView link) {
    if (!isBrowser(browser)) return "not a browser";
    BrowserContent& bc = browser.rich->browser;
    if (!link.empty() && link[0] == u'#') return {};  // a place on the same page
    const Text address = resolveLink(bc.page.address, link);
    // A page's javascript: or mailto: link does nothing: the user gets no
    // error box for the page's doing.
    if (whereOf(address) == Where::Refused) return {};
    const Text target = bc.page.html ? linkTarget(bc.page.source, link) : Text();
    if (target.empty() || target == u"_self" || target == u"_parent" || target == u"_top") {
        go(events, engine, browser, address, Step::New);
        return {};
    }
    openNewWindow(events, engine, browser, address);
    return {};
}

void followInNewWindow(EventDispatch& events, Engine& engine, ScriptObject& browser,
                       TextView address) {
    if (!isBrowser(browser)) return;
    const Text resolved = resolveLink(browser.rich->browser.page.address, address);
    if (whereOf(resolved) == Where::Refused) return;  // as a refused link: quietly nothing
    openNewWindow(events, engine, browser, resolved);
}

void pageStatus(EventDispatch& events, ScriptObject& browser, const Text& status) {
    if (isBrowser(browser)) setStatus(events, browser, status);
}

void pageFullScreen(Engine& engine, ScriptObject& browser, bool on) {
    if (!isBrowser(browser) || browser.rich->browser.fullScreen == on) return;
    browser.rich->browser.fullScreen = on;
    notify(engine, browser, {RichChange::Settings});
}

bool browserProperty(PropertyContext& c) {
    Text key = nameKey(c.request.name);
    const PropertyName* row = nullptr;
    for (const PropertyName& r : kNames) {
        if (nameKey(r.name) == key) row = &r;
    }
    if (!row) return false;
    BrowserContent& bc = content(c).browser;
    auto flag = [](bool on) { return Text(on ? u"1" : u"0"); };
    switch (Id(row->id)) {
        case Address:
            if (c.getting()) return c.result.value = bc.page.address, true;
            browse(c.engine, c.model, c.object, c.request.text);
            return true;
        case NewAddress:
            return readOnly(c, bc.newAddress), true;
        case Title:
            return readOnly(c, bc.title), true;
        case State:
            // As the language's browsers count: 0 nothing yet, 1 loading, 4 complete.
            return readOnly(c, bc.loading ? u"1" : bc.at < 0 ? u"0" : u"4"), true;
        case Status:
            return readOnly(c, bc.status), true;
        case Source:
            return readOnly(c, bc.page.source), true;
        case Content:
            return readOnly(c, bc.text), true;
        case Offline:
            if (c.getting()) return c.result.value = flag(bc.offline), true;
            bc.offline = c.request.number != 0;
            notify(c, RichChange::Settings);  // a view fetching pictures itself stops too
            return true;
        case FullScreen:
            if (c.getting()) return c.result.value = flag(bc.fullScreen), true;
            bc.fullScreen = c.request.number != 0;
            notify(c, RichChange::Settings);
            return true;
        case Back:
            return readOnly(c, flag(bc.at > 0)), true;
        case Forward:
            return readOnly(c, flag(bc.at + 1 < int(bc.history.size()))), true;
    }
    return true;
}

}  // namespace qel::ui
