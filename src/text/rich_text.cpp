#include "text/rich_text.h"

#include <algorithm>

namespace qel {

namespace {

// Lone CR and lone LF become CR LF: a paragraph ends in exactly one way.
Text withLineBreaks(TextView text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == kCR) {
            if (i + 1 < text.size() && text[i + 1] == kLF) ++i;
            out += kCRLF;
        } else if (c == kLF) {
            out += kCRLF;
        } else {
            out += c;
        }
    }
    return out;
}

std::size_t countBreaks(TextView text) {
    std::size_t n = 0;
    for (std::size_t p = text.find(kCRLF); p != TextView::npos; p = text.find(kCRLF, p + 2)) ++n;
    return n;
}

}  // namespace

RichTextDocument::RichTextDocument() : styles_{CharStyle{}}, paras_{ParaStyle{}} {}

const CharStyle& RichTextDocument::styleAt(std::size_t position) const {
    return position < look_.size() ? styles_[look_[position]] : styles_[0];
}

std::uint32_t RichTextDocument::intern(const CharStyle& style) {
    // Documents use few looks; the newest are the likeliest to repeat.
    for (std::size_t i = styles_.size(); i-- > 0;) {
        if (styles_[i] == style) return std::uint32_t(i);
    }
    styles_.push_back(style);
    return std::uint32_t(styles_.size() - 1);
}

void RichTextDocument::setText(TextView text) {
    text_ = withLineBreaks(text);
    look_.assign(text_.size(), 0);
    paras_.assign(countBreaks(text_) + 1, paras_.empty() ? ParaStyle{} : paras_.front());
    typing_.reset();
}

void RichTextDocument::snapToBreaks(std::size_t& start, std::size_t& end) const {
    start = std::min(start, text_.size());
    end = std::clamp(end, start, text_.size());
    auto splits = [&](std::size_t p) {
        return p > 0 && p < text_.size() && text_[p - 1] == kCR && text_[p] == kLF;
    };
    if (splits(start)) --start;
    if (splits(end)) ++end;
}

std::uint32_t RichTextDocument::styleIndexForInsert(std::size_t start, std::size_t length) const {
    if (length == 0 && typing_ && typing_->first == start) return typing_->second;
    if (length > 0) return look_[start];
    // At a caret: the look of the character before it on the same line.
    if (start > 0 && text_[start - 1] != kLF) return look_[start - 1];
    if (start < look_.size() && text_[start] != kCR) return look_[start];
    return 0;
}

std::size_t RichTextDocument::paragraphOf(std::size_t position) const {
    return countBreaks(TextView(text_).substr(0, std::min(position, text_.size())));
}

std::size_t RichTextDocument::paragraphStart(std::size_t index) const {
    std::size_t p = 0;
    for (std::size_t i = 0; i < index; ++i) {
        p = text_.find(kCRLF, p);
        if (p == Text::npos) return text_.size();
        p += 2;
    }
    return p;
}

void RichTextDocument::replace(std::size_t start, std::size_t length, TextView with) {
    std::size_t end = start + std::min(length, text_.size());
    snapToBreaks(start, end);
    const Text added = withLineBreaks(with);
    const std::uint32_t look = styleIndexForInsert(start, end - start);
    const std::size_t paragraph = paragraphOf(start);
    const std::size_t removedBreaks = countBreaks(TextView(text_).substr(start, end - start));
    const std::size_t addedBreaks = countBreaks(added);

    text_.replace(start, end - start, added);
    look_.erase(look_.begin() + std::ptrdiff_t(start), look_.begin() + std::ptrdiff_t(end));
    look_.insert(look_.begin() + std::ptrdiff_t(start), added.size(), look);
    // The paragraph the edit starts in keeps its layout and lends it to the
    // paragraphs the new text begins.
    const auto first = paras_.begin() + std::ptrdiff_t(paragraph) + 1;
    paras_.erase(first, first + std::ptrdiff_t(removedBreaks));
    paras_.insert(paras_.begin() + std::ptrdiff_t(paragraph) + 1, addedBreaks, paras_[paragraph]);
    typing_.reset();
}

void RichTextDocument::append(TextView text, const CharStyle& style) {
    const Text added = withLineBreaks(text);
    const std::uint32_t look = intern(style);
    text_ += added;
    look_.insert(look_.end(), added.size(), look);
    paras_.insert(paras_.end(), countBreaks(added), ParaStyle{});
}

void RichTextDocument::forEachStyle(std::size_t start, std::size_t length,
                                    const std::function<void(const CharStyle&)>& visit) const {
    std::size_t end = start + std::min(length, text_.size());
    snapToBreaks(start, end);
    if (start == end) return visit(styles_[styleIndexForInsert(start, 0)]);
    std::vector<bool> seen(styles_.size(), false);
    for (std::size_t i = start; i < end; ++i) {
        // Line breaks carry no look of their own that a reader could see.
        if ((text_[i] == kCR || text_[i] == kLF) && end - start > 2) continue;
        if (!seen[look_[i]]) {
            seen[look_[i]] = true;
            visit(styles_[look_[i]]);
        }
    }
}

void RichTextDocument::changeStyle(std::size_t start, std::size_t length,
                                   const std::function<void(CharStyle&)>& change) {
    std::size_t end = start + std::min(length, text_.size());
    snapToBreaks(start, end);
    if (start == end) {
        CharStyle style = styles_[styleIndexForInsert(start, 0)];
        change(style);
        typing_ = {start, intern(style)};
        return;
    }
    // Each old look maps to one new look, worked out once.
    std::vector<std::int64_t> mapped(styles_.size(), -1);
    for (std::size_t i = start; i < end; ++i) {
        const std::uint32_t old = look_[i];
        if (mapped[old] < 0) {
            CharStyle style = styles_[old];
            change(style);
            mapped[old] = intern(style);
            if (mapped.size() < styles_.size()) mapped.resize(styles_.size(), -1);
        }
        look_[i] = std::uint32_t(mapped[old]);
    }
}

std::pair<std::size_t, std::size_t> RichTextDocument::paragraphsOf(std::size_t start,
                                                                   std::size_t length) const {
    std::size_t end = start + std::min(length, text_.size());
    snapToBreaks(start, end);
    const std::size_t first = paragraphOf(start);
    // A range ending right after a line break does not reach the next paragraph.
    std::size_t last = paragraphOf(end);
    if (end > start && end >= 2 && text_[end - 1] == kLF) --last;
    return {first, std::max(first, last)};
}

void RichTextDocument::changeParagraphs(std::size_t start, std::size_t length,
                                        const std::function<void(ParaStyle&)>& change) {
    const auto [first, last] = paragraphsOf(start, length);
    for (std::size_t i = first; i <= last && i < paras_.size(); ++i) change(paras_[i]);
}

std::vector<std::vector<RichTextDocument::Run>> RichTextDocument::runsByParagraph() const {
    std::vector<std::vector<Run>> out(paras_.size());
    std::size_t paragraph = 0;
    for (std::size_t i = 0; i < text_.size();) {
        if (text_[i] == kCR && i + 1 < text_.size() && text_[i + 1] == kLF) {
            ++paragraph;
            i += 2;
            continue;
        }
        std::size_t j = i + 1;
        while (j < text_.size() && look_[j] == look_[i] && text_[j] != kCR) ++j;
        out[paragraph].push_back({i, j, &styles_[look_[i]]});
        i = j;
    }
    return out;
}

}  // namespace qel
