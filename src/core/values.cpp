#include "core/values.h"

#include <vector>

#include "text/brackets.h"
#include "text/number.h"

namespace qel::values {

Text escapeCell(TextView value) {
    // Most cells (numbers, words) hold nothing to escape: copied whole.
    bool plain = true;
    for (char16_t c : value) {
        if (c == u',' || c == u'、' || c == u'，' || c == kCR) {
            plain = false;
            break;
        }
    }
    if (plain) return Text(value);
    Text out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char16_t c = value[i];
        if (c == u'、') {
            out += u"{//}";
        } else if (c == u',') {
            out += u"{**}";
        } else if (c == u'，') {
            out += u"{*/}";
        } else if (c == kCR && i + 1 < value.size() && value[i + 1] == kLF) {
            out += u"{*n}";
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

Text unescapeCell(TextView cell) {
    // Most cells hold no brace at all; the number test (which keeps a number
    // such as 1{**}2 from being taken apart) is needed only for those that do.
    if (cell.find(u'{') == TextView::npos || number::readsAsNumber(cell)) return Text(cell);
    Text out = text::replaceAll(cell, u"{//}", u"、");
    out = text::replaceAll(out, u"{**}", u",");
    out = text::replaceAll(out, u"{*/}", u"，");
    return text::replaceAll(out, u"{*n}", kCRLF);
}

Text unifySeparators(TextView list) {
    Text out(list);
    for (char16_t& c : out) {
        if (c == u'、' || c == u'，') c = u',';
    }
    return out;
}

void writeCell(Text& text, std::size_t start, std::size_t end, long long c, TextView value) {
    // One pass over the row: its separators become "," and the wanted cell's
    // bounds are noted on the way.
    std::size_t cell = start;
    std::size_t cellEnd = text::npos;
    long long commas = 0;
    for (std::size_t i = start; i < end; ++i) {
        char16_t& ch = text[i];
        if (ch >= u'、') {
            if (ch != u'、' && ch != u'，') continue;
            ch = u',';
        } else if (ch != u',') {
            continue;
        }
        if (commas < c - 1) {
            ++commas;
            cell = i + 1;
        } else if (cellEnd == text::npos) {
            cellEnd = i;
        }
    }
    if (commas < c - 1) {
        Text tail(std::size_t(c - 1 - commas), u',');
        tail += value;
        text.insert(end, tail);
        return;
    }
    if (cellEnd == text::npos) cellEnd = end;
    text.replace(cell, cellEnd - cell, value);
}

namespace {
// Position of the line `key=` in a dictionary, or text::npos; `valueStart` is where
// the value begins.
std::size_t findDictLine(TextView dict, TextView key, std::size_t& valueStart) {
    Text probe = Text(kCRLF) + Text(key) + u"=";
    Text hay = Text(kCRLF) + Text(dict);
    std::size_t p = hay.find(probe);
    if (p == Text::npos) return Text::npos;
    valueStart = p + probe.size() - 2;  // in dict coordinates
    return p;                           // the line starts at p in dict coordinates
}
}  // namespace

Text DictGet(TextView dict, TextView key) {
    std::size_t valueStart = 0;
    if (findDictLine(dict, key, valueStart) == Text::npos) return {};
    std::size_t end = dict.find(kCRLF, valueStart);
    TextView value =
        dict.substr(valueStart, end == TextView::npos ? TextView::npos : end - valueStart);
    return text::replaceAll(value, u"{/n}", kCRLF);
}

Text DictSet(TextView dict, TextView key, TextView value) {
    Text stored = text::replaceAll(value, kCRLF, u"{/n}");
    std::size_t valueStart = 0;
    if (findDictLine(dict, key, valueStart) == Text::npos) {
        if (dict.empty()) return Text(key) + u"=" + stored;
        return Text(dict) + Text(kCRLF) + Text(key) + u"=" + stored;
    }
    std::size_t end = dict.find(kCRLF, valueStart);
    Text out(dict.substr(0, valueStart));
    out += stored;
    if (end != TextView::npos) out += dict.substr(end);
    return out;
}

std::vector<Text> splitArguments(TextView list) {
    std::vector<Text> parts;
    for (char16_t separator : {u',', u'、', u'，'}) {
        // One scanner for the whole list: long lists stay linear.
        text::BracketScanner brackets(list, text::kArgumentBrackets);
        std::size_t start = 0;
        for (std::size_t p = list.find(separator); p != text::npos;
             p = list.find(separator, p + 1)) {
            if (brackets.inside(p)) continue;
            parts.emplace_back(list.substr(start, p - start));
            start = p + 1;
        }
        if (parts.empty()) continue;
        parts.emplace_back(list.substr(start));
        return parts;
    }
    parts.emplace_back(list);
    return parts;
}

}  // namespace qel::values
