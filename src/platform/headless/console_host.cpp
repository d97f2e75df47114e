#include "platform/headless/console_host.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <limits>
#include <thread>

#include "text/number.h"

namespace qel {

namespace {

// Writes the text with each CR LF as one line break.
std::string forTerminal(TextView text) {
    std::string out = text::toUtf8(text::replaceAll(text, kCRLF, u"\n"));
    return out;
}

const char* purposeTag(BoxPurpose purpose) {
    switch (purpose) {
        case BoxPurpose::Message:
            return "MSG";
        case BoxPurpose::Error:
            return "ERR";
        case BoxPurpose::Question:
            return "ASK";
        case BoxPurpose::Confirm:
            return "CONFIRM";
    }
    return "MSG";
}

}  // namespace

int buttonFromAnswer(TextView answer) {
    TextView a = text::trimBlanks(answer);
    if (auto n = number::parse(a)) return (*n >= 1 && *n <= 7) ? int(*n) : 0;
    static const std::pair<TextView, int> kNames[] = {
        {u"OK", kOk},        {u"ＯＫ", kOk},     {u"キャンセル", kCancel}, {u"中止", kAbort},
        {u"再試行", kRetry}, {u"無視", kIgnore}, {u"はい", kYes},          {u"いいえ", kNo},
    };
    for (const auto& [name, button] : kNames) {
        if (text::equalsFolded(a, name)) return button;
    }
    return 0;
}

std::string transcriptField(TextView text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\\') {
            out += "\\\\";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c == kCR && i + 1 < text.size() && text[i + 1] == kLF) {
            out += "\\n";
            ++i;
        } else if (c == kLF) {
            out += "\\n";
        } else if (c == kCR) {
            out += "\\r";
        } else {
            out += text::toUtf8(TextView(&text[i], 1));
        }
    }
    return out;
}

ConsoleHost::ConsoleHost(ConsoleOptions options, std::ostream& out, std::ostream& err,
                         std::istream& in)
    : options_(std::move(options)), out_(out), err_(err), in_(in) {
    if (!options_.answersPath.empty()) {
        // Read a line at a time as boxes ask: an endless source (a device, a
        // pipe) must not be read whole.
        answers_ = std::make_unique<std::ifstream>(options_.answersPath, std::ios::binary);
        if (!*answers_) problem_ = "cannot read the answers file " + options_.answersPath;
    }
}

bool readAnswerLine(std::istream& in, std::string& line) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    if (!buffer) return false;
    bool readAny = false;
    for (;;) {
        int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            break;
        }
        readAny = true;
        if (c == '\n') break;
        if (line.size() < kMaxAnswerLineBytes) {
            line += char(c);
        } else {
            // The rest of an over-long line is dropped, unread into memory.
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            break;
        }
    }
    if (line.size() >= kMaxAnswerLineBytes) {
        // Cut at a character boundary: never half a UTF-8 sequence.
        std::size_t end = line.size();
        while (end > 0 && (static_cast<unsigned char>(line[end - 1]) & 0xC0) == 0x80) --end;
        if (end > 0 && static_cast<unsigned char>(line[end - 1]) >= 0xC0) {
            std::size_t lead = end - 1;
            unsigned char first = static_cast<unsigned char>(line[lead]);
            std::size_t need = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
            if (line.size() - lead < need) line.resize(lead);
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return readAny;
}

ConsoleHost::~ConsoleHost() = default;

bool ConsoleHost::ready(std::string& problem) const {
    problem = problem_;
    return problem_.empty();
}

bool ConsoleHost::openTranscript(std::string& problem) {
    if (options_.transcriptPath.empty() || transcript_) return true;
    transcript_ = std::make_unique<std::ofstream>(options_.transcriptPath,
                                                  std::ios::binary | std::ios::trunc);
    if (!*transcript_) {
        transcript_.reset();
        problem = "cannot write the transcript file " + options_.transcriptPath;
        return false;
    }
    std::vector<std::string> pending = std::move(pendingTranscript_);
    pendingTranscript_.clear();
    for (const std::string& line : pending) record(line);
    return true;
}

void ConsoleHost::noteOutputFailure(std::ostream& stream, const std::string& what, bool& lost) {
    if (stream.good() || lost) return;
    lost = true;
    const int error = errno;
    err_ << "qelscript: cannot write to " << what;
    if (error != 0) err_ << ": " << std::strerror(error);
    err_ << "; what the script writes there is lost\n";
    err_.flush();
}

std::optional<Text> ConsoleHost::nextAnswer() {
    std::string line;
    if (!answers_ || !readAnswerLine(*answers_, line)) return std::nullopt;
    return text::fromUtf8(line);
}

void ConsoleHost::record(const std::string& line) {
    if (options_.transcriptPath.empty()) return;
    if (!transcript_) {
        pendingTranscript_.push_back(line);
        return;
    }
    errno = 0;
    *transcript_ << line << '\n';
    transcript_->flush();
    noteOutputFailure(*transcript_, "the transcript file " + options_.transcriptPath,
                      transcriptLost_);
}

void ConsoleHost::recordSystemRequest(const std::string& request) {
    std::string line = "SYSTEM";
    std::size_t start = 0;
    // The request's own tabs separate its fields; anything else is escaped.
    while (start <= request.size()) {
        std::size_t tab = std::min(request.find('\t', start), request.size());
        line += '\t';
        line += transcriptField(text::fromUtf8(request.substr(start, tab - start)));
        start = tab + 1;
    }
    record(line);
}

int ConsoleHost::messageBox(const MessageBoxRequest& request) {
    if (request.purpose == BoxPurpose::Error) {
        err_ << forTerminal(request.text) << '\n';
        err_.flush();
    } else if (request.purpose == BoxPurpose::Message) {
        errno = 0;
        out_ << forTerminal(request.text) << '\n';
        out_.flush();
        noteOutputFailure(out_, "standard output", outputLost_);
    } else {
        err_ << forTerminal(request.text) << '\n';
        err_.flush();
    }
    int button = defaultButton(request.style);
    if (request.purpose == BoxPurpose::Error) {
        if (options_.cancelErrors && (request.style & 0xF) == 1) button = kCancel;
    } else if (auto answer = nextAnswer()) {
        if (int chosen = buttonFromAnswer(*answer)) button = chosen;
    } else if (request.purpose != BoxPurpose::Message) {
        // A message only informs; questions and confirmations need someone
        // to answer them.
        button = askButton(request);
    }
    record(std::string(purposeTag(request.purpose)) + '\t' + std::to_string(request.style) + '\t' +
           transcriptField(request.caption) + '\t' + transcriptField(request.text) + '\t' +
           std::to_string(button));
    return button;
}

std::optional<Text> ConsoleHost::inputBox(TextView prompt, TextView caption, TextView defaultText) {
    std::optional<Text> answer = nextAnswer();
    if (!answer) answer = askText(prompt, defaultText);
    record("INPUT\t" + transcriptField(caption) + '\t' + transcriptField(prompt) + '\t' +
           transcriptField(defaultText) + '\t' +
           (answer ? "OK\t" + transcriptField(*answer) : "CANCEL\t"));
    return answer;
}

namespace {

const char* dialogWord(DialogKind kind) {
    switch (kind) {
        case DialogKind::Open:
            return "開くファイル";
        case DialogKind::Save:
            return "保存するファイル";
        case DialogKind::Folder:
            return "フォルダ";
        case DialogKind::Colour:
            return "色";
        case DialogKind::Font:
            return "フォント";
        case DialogKind::PageSetup:
            return "ページ設定";
    }
    return "";
}

bool cancelsDialog(TextView answer) {
    TextView t = text::trimBlanks(answer);
    return t.empty() || t == u"cancel" || t == u"キャンセル";
}

}  // namespace

DialogAnswer ConsoleHost::chooseInDialog(const DialogRequest& request) {
    DialogAnswer answer;
    if (request.preset) {
        answer.value = *request.preset;
    } else if (auto line = nextAnswer()) {
        if (!cancelsDialog(*line)) answer.value = Text(text::trimBlanks(*line));
    } else {
        err_ << dialogWord(request.kind) << "を選択してください。";
        if (!request.folder.empty()) err_ << " (" << forTerminal(request.folder) << ")";
        if (!request.current.empty()) err_ << " [" << forTerminal(request.current) << "]";
        err_ << " > ";
        err_.flush();
        std::optional<std::string> typed = readLine();
        if (!typed) err_ << '\n';
        if (typed && !cancelsDialog(text::fromUtf8(*typed)))
            answer.value = Text(text::trimBlanks(text::fromUtf8(*typed)));
    }
    record(std::string("CHOOSE\t") + dialogWord(request.kind) + '\t' +
           transcriptField(request.title) + '\t' +
           (answer.value ? "OK\t" + transcriptField(*answer.value) : "CANCEL\t"));
    return answer;
}

void ConsoleHost::notify(TextView title, TextView text, int icon) {
    errno = 0;
    if (!title.empty()) out_ << forTerminal(title) << ": ";
    out_ << forTerminal(text) << '\n';
    out_.flush();
    noteOutputFailure(out_, "standard output", outputLost_);
    record("BALLOON\t" + std::to_string(icon) + '\t' + transcriptField(title) + '\t' +
           transcriptField(text));
}

std::optional<std::string> ConsoleHost::readLine() {
    std::string line;
    // The end of input, a read error and an interrupted read all mean that no
    // answer will come.
    if (interrupt_ && *interrupt_) return std::nullopt;
    if (!in_.good() || !readAnswerLine(in_, line)) return std::nullopt;
    return line;
}

int ConsoleHost::askButton(const MessageBoxRequest& request) {
    static const char* const kNames[] = {"",       "OK",   "キャンセル", "中止",
                                         "再試行", "無視", "はい",       "いいえ"};
    const std::vector<int> buttons = boxButtons(request.style);
    std::string choices;
    for (int b : buttons) {
        if (!choices.empty()) choices += " / ";
        choices += std::to_string(b) + " " + kNames[b];
    }
    const int fallback = defaultButton(request.style);
    // Endless wrong answers (another program's output piped in) must not
    // keep the box open for ever.
    for (int attempt = 0; attempt < 20; ++attempt) {
        err_ << "[" << choices << "] (" << fallback << ") > ";
        err_.flush();
        std::optional<std::string> line = readLine();
        if (!line) {
            err_ << '\n';
            return dismissButton(request.style);
        }
        TextView typed = text::trimBlanks(text::fromUtf8(*line));
        if (typed.empty()) return fallback;  // Enter presses the default button
        int chosen = buttonFromAnswer(typed);
        for (int b : buttons) {
            if (b == chosen) return chosen;
        }
        err_ << "答えはボタンの番号か名前で入力してください。\n";
    }
    return dismissButton(request.style);
}

std::optional<Text> ConsoleHost::askText(TextView prompt, TextView defaultText) {
    err_ << forTerminal(prompt);
    if (!defaultText.empty()) err_ << " [" << forTerminal(defaultText) << "]";
    err_ << " > ";
    err_.flush();
    std::optional<std::string> line = readLine();
    if (!line) {
        err_ << '\n';
        return std::nullopt;
    }
    // An empty line keeps the text the box was opened with.
    if (line->empty()) return Text(defaultText);
    return text::fromUtf8(*line);
}

std::string ConsoleHost::printText(TextView text, bool onNewPage) {
    record(std::string("PRINT\t") + (onNewPage ? "NEWPAGE" : "ENDDOC") + '\t' +
           transcriptField(text));
    return {};
}

std::string ConsoleHost::printPicture(const Picture& picture, bool onNewPage) {
    record(std::string("PRINT\t") + (onNewPage ? "NEWPAGE" : "ENDDOC") + "\tPICTURE " +
           std::to_string(picture.width) + "x" + std::to_string(picture.height));
    return {};
}

VirtualClock& ConsoleHost::useVirtualClock(Platform& platform, std::unique_ptr<Clock> wall) {
    auto clock = std::make_unique<VirtualClock>(std::move(wall));
    VirtualClock& installed = *clock;
    virtualElapsedMs_ = clock->elapsed();
    platform.clock = std::move(clock);
    return installed;
}

void ConsoleHost::sleepMs(int milliseconds) {
    if (milliseconds <= 0) return;
    // Waits read the bundle's clock: without the virtual clock in it, a
    // skipped sleep would leave them spinning against the real one.
    if (auto elapsed = virtualElapsedMs_.lock(); elapsed && options_.virtualClock) {
        *elapsed += milliseconds;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace qel
