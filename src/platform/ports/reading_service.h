// Kana readings of Japanese words.
#pragma once

#include <optional>
#include <vector>

#include "text/text.h"

namespace qel {

// Readings of Japanese words (kanji to kana), which ふりがな gives.
class ReadingService {
  public:
    virtual ~ReadingService() = default;
    // The kana reading of each phrase (Japanese letters, no line breaks), in
    // order; nothing when no reading program can be run.
    virtual std::optional<std::vector<Text>> readings(const std::vector<Text>& phrases) = 0;
};

}  // namespace qel
