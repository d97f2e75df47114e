#include "core/statement.h"

#include <functional>

namespace qel {

namespace {

bool liesWithin(TextView part, TextView whole) {
    std::less_equal<const char16_t*> notAfter;
    return notAfter(whole.data(), part.data()) &&
           notAfter(part.data() + part.size(), whole.data() + whole.size());
}

}  // namespace

StatementRecord& StatementRecord::operator=(const StatementRecord& other) {
    if (this == &other) return *this;
    const PartPlaces places = other.placeOfParts();
    StatementFields::operator=(other);
    restoreParts(places);
    return *this;
}

StatementRecord& StatementRecord::operator=(StatementRecord&& other) noexcept {
    if (this == &other) return *this;
    const PartPlaces places = other.placeOfParts();
    StatementFields::operator=(std::move(other));
    restoreParts(places);
    return *this;
}

StatementRecord::PartPlace StatementRecord::placeOf(TextView part) const {
    using In = PartPlace::In;
    if (part.empty()) return {};
    if (liesWithin(part, source)) return {In::Source, std::size_t(part.data() - source.data()), {}};
    const Text& made = heArg.aside();
    if (liesWithin(part, made)) return {In::Made, std::size_t(part.data() - made.data()), {}};
    // A constant text (a literal), which outlives every record.
    return {In::Elsewhere, 0, part};
}

TextView StatementRecord::viewAt(const PartPlace& where, std::size_t size) const {
    switch (where.in) {
        case PartPlace::In::Source:
            return TextView(source).substr(where.offset, size);
        case PartPlace::In::Made:
            return TextView(heArg.aside()).substr(where.offset, size);
        case PartPlace::In::Elsewhere:
            return where.view;
        case PartPlace::In::Nowhere:
            break;
    }
    return {};
}

// A part found in the source is viewed there; any other is appended to the
// record's aside texts, the views into which follow them to their new place.
void StatementRecord::place(TextView& part, TextView text) {
    if (text.empty()) {
        part = {};
        return;
    }
    const std::size_t at = TextView(source).find(text);
    if (at != TextView::npos) {
        part = TextView(source).substr(at, text.size());
        return;
    }
    const PartPlaces places = placeOfParts();
    Text joined = heArg.aside();
    joined += text;
    heArg.setAside(std::move(joined));
    restoreParts(places);
    const Text& made = heArg.aside();
    part = TextView(made).substr(made.size() - text.size());
}

}  // namespace qel
