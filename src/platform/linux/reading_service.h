// Readings of Japanese words from an installed morphological analyser
// (MeCab with a dictionary) or kana converter (KAKASI), run as a child
// process without a shell, text passed through pipes, with a time limit.
#pragma once

#include <string>
#include <vector>

#include "platform/ports/platform.h"

namespace qel {

class ProcessReadingService : public ReadingService {
  public:
    // A reading program: its argv (argv[0] is looked up on PATH) reading
    // UTF-8 lines on standard input and writing one line of kana per line.
    struct Program {
        std::vector<std::string> argv;
    };
    // MeCab first (it reads words in context), then KAKASI.
    ProcessReadingService();
    explicit ProcessReadingService(std::vector<Program> programs, int timeoutMs = 10000);

    std::optional<std::vector<Text>> readings(const std::vector<Text>& phrases) override;

  private:
    std::vector<Program> programs_;
    int timeoutMs_;
};

// Runs argv with `input` on standard input and collects standard output;
// false when it cannot be started, exits with a failure, or outlives the
// time limit (it is then killed).
bool runFilter(const std::vector<std::string>& argv, const std::string& input, std::string& output,
               int timeoutMs);

}  // namespace qel
