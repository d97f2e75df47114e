// The encoding family: 変換, 符号化, 復元 (function and command), ＵＲＬ形式,
// ＥＵＣで開け and ＪＩＳで開け, and the encoded file reading and writing
// that the file commands share.
#include "core/engine.h"
#include "core/parser.h"
#include "core/paths.h"
#include "encodings/uEncoding.h"
#include "library/files/file_support.h"
#include "library/files/store_guard.h"
#include "library/registry/arguments.h"
#include "library/settings/protection.h"
#include "library/strings/encoding_io.h"
#include "library/strings/strings.h"

namespace qel {

namespace {

// 変換 names encodings by these exact words; any other word (the empty one
// included) leaves the text as it is in that direction.
std::optional<uEncoding::Selector> encodingOfWord(TextView word) {
    if (word == u"EUC") return uEncoding::Selector::Euc;
    if (word == u"JIS") return uEncoding::Selector::Jis;
    if (word == u"UTF8") return uEncoding::Selector::Utf8;
    return std::nullopt;
}

bool wantsUtf8(TextView word) {
    Text folded = text::toUpperAscii(text::toHalfWidth(text::trimBlanks(word)));
    return folded == u"UTF8" || folded == u"UTF-8";
}

// Reports a file the codec could not read, by its name; false then.
bool reportUnread(Engine& engine, TextView fileName, uEncoding::CodecStatus status,
                  ErrorId missing = ErrorId::NotFound) {
    switch (status) {
        case uEncoding::CodecStatus::Ok:
            return true;
        case uEncoding::CodecStatus::Missing:
            engine.Report(missing, ErrorIcon::Warning, fileName);
            return false;
        case uEncoding::CodecStatus::Unreadable:
            engine.Report(ErrorId::CannotOpen, fileName);
            return false;
    }
    return false;
}

void restoreToFile(Engine& engine, TextView fileName, TextView base64) {
    if (RefuseStoreWrite(engine, fileName)) return;
    UiHost& ui = engine.ui();
    FileStatus status = uEncoding::base64DecodeToFile(engine.files(), toNativePath(fileName),
                                                      base64, [&ui] { ui.pumpEvents(); });
    if (!status) ReportWriteFault(engine, fileName, status);
}

}  // namespace

// ---- shared with the file commands ----------------------------------------------

std::optional<uEncoding::Selector> EncodingOfForm(TextView form) {
    Text folded = text::toFullWidth(text::toUpperAscii(text::trimBlanks(form)));
    if (folded == u"ＥＵＣ") return uEncoding::Selector::Euc;
    if (folded == u"ＪＩＳ") return uEncoding::Selector::Jis;
    if (folded == u"ＵＴＦ８") return uEncoding::Selector::Utf8;
    return std::nullopt;
}

bool ReadFileInEncoding(Engine& engine, TextView fileName, uEncoding::Selector selector,
                        Text& out) {
    auto status =
        uEncoding::readFileInEncoding(engine.files(), toNativePath(fileName), selector, out);
    return reportUnread(
        engine, fileName, status,
        selector == uEncoding::Selector::Euc ? ErrorId::FileNotFoundQuoteHint : ErrorId::NotFound);
}

bool WriteFileInEncoding(Engine& engine, TextView fileName, TextView text,
                         uEncoding::Selector selector) {
    FileStatus status =
        uEncoding::writeFileInEncoding(engine.files(), toNativePath(fileName), text, selector);
    if (!status) ReportWriteFault(engine, fileName, status);
    return bool(status);
}

void ReportWriteFault(Engine& engine, TextView fileName, const FileStatus& status) {
    if (status.fault == FileFault::NotFound) {
        engine.Report(ErrorId::BadOrReadOnlyFolder, fileName);
    } else {
        engine.Report(ErrorId::CannotSave, text::fromUtf8(status.message));
    }
}

// ---- functions ---------------------------------------------------------------------

// 変換(text, from, to): from and to are "EUC", "JIS" or "UTF8". The text's
// bytes are decoded from `from`, and the result encoded to `to`; encoded
// bytes come back as a byte text (see uEncoding::textOfBytes).
void fnConvert(Text& result, Text& args, Engine& engine) {
    std::vector<Text> pieces = UnpackArgs(engine, args, true, 3);
    Text value = std::move(pieces[0]);
    if (auto from = encodingOfWord(pieces[1])) {
        std::string bytes = uEncoding::bytesOfText(value);
        // Unlike reading a file, a conversion shows where bytes were not
        // UTF-8 instead of dropping them.
        value = *from == uEncoding::Selector::Utf8 ? uEncoding::utf8Decode(bytes, u"\uFFFD")
                                                   : uEncoding::decode(bytes, *from);
    }
    if (auto to = encodingOfWord(pieces[2])) {
        result = uEncoding::textOfBytes(uEncoding::encode(value, *to));
    } else {
        result = std::move(value);
    }
}

// 符号化(file): the file's bytes as Base64 text.
void fnEncodeFile(Text& result, Text& args, Engine& engine) {
    Text fileName = std::move(UnpackArgs(engine, args, true, 1)[0]);
    if (fileName.empty()) {
        engine.Report(ErrorId::FunctionArgumentsMissing);
        return;
    }
    auto status = uEncoding::base64EncodeFile(engine.files(), toNativePath(fileName), result);
    reportUnread(engine, fileName, status);
}

// 復元(file を, base64 から): writes the decoded bytes as the file's content.
void fnRestore(Text& result, Text& args, Engine& engine) {
    result.clear();
    if (!CheckProtection(engine, Guard::Files)) return;
    std::vector<Text> pieces = UnpackArgs(engine, args, true, 2);
    if (pieces[0].empty()) {
        engine.Report(ErrorId::FunctionArgumentsMissing);
        return;
    }
    restoreToFile(engine, pieces[0], pieces[1]);
}

// ＵＲＬ形式(text から, kind で): the code page 932 bytes of the text, or its
// UTF-8 bytes when the kind is UTF8, in URL form.
void fnUrlEncode(Text& result, Text& args, Engine& engine) {
    std::vector<Text> pieces = UnpackArgs(engine, args, true, 2);
    if (wantsUtf8(pieces[1])) {
        result = uEncoding::urlEncode(uEncoding::utf8Encode(pieces[0]), uEncoding::UrlBytes::Utf8);
    } else {
        result = uEncoding::urlEncode(uEncoding::bytesOfText(pieces[0]),
                                      uEncoding::UrlBytes::CodePage932);
    }
}

namespace {
void openInEncoding(Text& result, Text& args, Engine& engine, uEncoding::Selector selector) {
    Text fileName = std::move(UnpackArgs(engine, args, true, 1)[0]);
    ReadFileInEncoding(engine, fileName, selector, result);
}
}  // namespace

void fnOpenEuc(Text& result, Text& args, Engine& engine) {
    openInEncoding(result, args, engine, uEncoding::Selector::Euc);
}

void fnOpenJis(Text& result, Text& args, Engine& engine) {
    openInEncoding(result, args, engine, uEncoding::Selector::Jis);
}

// ---- the command 復元 --------------------------------------------------------------

// 「file」を base64 から復元 — as the function; also base64 を「file」へ復元,
// the way 保存 names its target.
void cmdRestore(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    const Text source = AskParticle(record, u"から");
    Text fileArg = Args(record).woArg;
    Text textArg = source;
    if (!Args(record).heArg.empty()) {
        fileArg = Args(record).heArg;
        textArg = Args(record).woArg;
    }
    if (fileArg.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    Text fileName = engine.EvalText(fileArg);
    Text base64 = engine.EvalText(textArg);
    // Without a text to decode, or with a backup folder after から, the
    // command puts a backup back instead.
    if (RestoreBackupIfAsked(engine, fileName, base64, !source.empty(),
                             !Args(record).heArg.empty())) {
        return;
    }
    restoreToFile(engine, fileName, base64);
}

}  // namespace qel
