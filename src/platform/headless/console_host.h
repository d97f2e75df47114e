// The host without a display: script messages go to standard output, error
// reports to standard error, and every box can be written to a transcript
// and answered from a file. Tests and command-line users rely on this
// contract (see README).
#pragma once

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/virtual_clock.h"
#include "platform/ports/box_buttons.h"
#include "platform/ports/platform.h"

namespace qel {

struct ConsoleOptions {
    bool cancelErrors = false;   // error boxes answer Cancel (the script stops)
    bool virtualClock = false;   // sleeping advances a virtual clock at once (useVirtualClock)
    std::string transcriptPath;  // one line per box, see README
    std::string answersPath;     // answers to boxes, one per line
    bool recordSystem = false;   // system requests are written down, never acted on
};

class ConsoleHost : public UiHost {
  public:
    ConsoleHost(ConsoleOptions options, std::ostream& out, std::ostream& err, std::istream& in);
    ~ConsoleHost() override;

    // False when the answers file cannot be read.
    bool ready(std::string& problem) const;
    // Opens (and empties) the transcript file; false, with the reason, when
    // it cannot be written. Until then transcript lines are kept and written
    // when it opens, so the caller can first make sure that the file is not
    // one it must not overwrite (the script being run).
    bool openTranscript(std::string& problem);
    // While the flag is set no answer is read from the terminal: the run is
    // being stopped, and a read begun now could wait for ever.
    void watchInterrupt(const volatile int* flag) { interrupt_ = flag; }
    // Whether standard output or the transcript failed to take what was
    // written to it (a full disk, a closed file). Each failure is reported on
    // standard error once, when it happens.
    bool outputLost() const { return outputLost_ || transcriptLost_; }
    // With options.virtualClock: gives the bundle the virtual clock that this
    // host's sleeps advance, its wall time and local time taken from `wall`
    // (the standard clocks when none). Should the bundle drop that clock
    // later, sleeps wait for real again.
    VirtualClock& useVirtualClock(Platform& platform, std::unique_ptr<Clock> wall = nullptr);

    int messageBox(const MessageBoxRequest& request) override;
    std::optional<Text> inputBox(TextView prompt, TextView caption, TextView defaultText) override;
    // The answer of a replayed session, else the next line of the answers
    // file, else a line typed on standard input; "cancel", "キャンセル" or an
    // empty line cancels.
    DialogAnswer chooseInDialog(const DialogRequest& request) override;
    // A tray balloon: on standard output as "title: text", and in the transcript.
    void notify(TextView title, TextView text, int icon) override;
    // A picture printed: its size in the transcript.
    std::string printPicture(const Picture& picture, bool onNewPage) override;
    void setApplicationTitle(TextView title) override { title_ = Text(title); }
    void pumpEvents() override {}
    void sleepMs(int milliseconds) override;
    // Nothing is printed: the transcript records what would have been.
    std::string printText(TextView text, bool onNewPage) override;
    // A request to the system the run did not carry out (--no-system), as a
    // transcript line "SYSTEM<TAB>request".
    void recordSystemRequest(const std::string& request);

  private:
    std::optional<Text> nextAnswer();
    // Questions and input boxes the answers file does not answer are asked
    // on the terminal: the prompt goes to standard error, the answer is one
    // line of standard input (nothing at its end).
    int askButton(const MessageBoxRequest& request);
    std::optional<Text> askText(TextView prompt, TextView defaultText);
    std::optional<std::string> readLine();
    void record(const std::string& line);

    ConsoleOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    std::istream& in_;
    void noteOutputFailure(std::ostream& stream, const std::string& what, bool& lost);

    std::unique_ptr<std::ofstream> transcript_;
    std::vector<std::string> pendingTranscript_;
    const volatile int* interrupt_ = nullptr;
    bool outputLost_ = false;
    bool transcriptLost_ = false;
    std::unique_ptr<std::ifstream> answers_;
    std::string problem_;
    Text title_;
    std::weak_ptr<double> virtualElapsedMs_;  // see VirtualClock::elapsed
};

// The longest answer line kept (1 MiB of UTF-8), from --answers or typed on
// standard input; the rest of a longer line is read past and dropped.
constexpr std::size_t kMaxAnswerLineBytes = std::size_t(1) << 20;
// Reads one line (LF or CR LF) of at most kMaxAnswerLineBytes, cut at a
// character boundary; false at the end of input with nothing read.
bool readAnswerLine(std::istream& in, std::string& line);

// A button number from its number or name (OK, キャンセル, はい …); 0 if none.
int buttonFromAnswer(TextView answer);
// Escapes a field of a transcript line: \\, \t, \n (CR LF or LF), \r.
std::string transcriptField(TextView text);

}  // namespace qel
