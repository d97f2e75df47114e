#include "library/plugins/native_arguments.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/engine.h"
#include "core/values.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

namespace {

// A text handed back by a function is read no further than this, so that a
// missing terminator cannot run through the whole address space.
constexpr std::size_t kMaxReturnedText = 1 << 20;
// The largest "#" block: a byte list longer than this is a mistake.
constexpr std::size_t kMaxBlock = 16u << 20;

struct TypeWord {
    std::u16string_view word;
    NativeType type;
};
// "long" and "int" are 32 bits as in the structures legacy scripts describe;
// a C "long" of a 64-bit Linux library is "lparam". "integer" is 16 bits.
constexpr TypeWord kTypeWords[] = {
    {u"long", NativeType::Int32},   {u"int", NativeType::Int32},
    {u"dword", NativeType::UInt32}, {u"integer", NativeType::Int16},
    {u"lparam", NativeType::Int64}, {u"pointer", NativeType::Int64},
    {u"int64", NativeType::Int64},  {u"double", NativeType::Double},
    {u"float", NativeType::Float},  {u"single", NativeType::Float},
    {u"string", NativeType::Text},  {u"void", NativeType::Void},
};

std::size_t sizeOf(NativeType type) {
    switch (type) {
        case NativeType::Int16:
            return 2;
        case NativeType::Int32:
        case NativeType::UInt32:
        case NativeType::Float:
            return 4;
        case NativeType::Void:
            return 0;
        default:
            return 8;
    }
}

std::int64_t integerOf(TextView value) {
    double n = number::toNumber(value);
    if (!std::isfinite(n)) return 0;
    if (n >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    if (n <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(std::trunc(n));
}

Text integerText(std::int64_t n) {
    return text::fromUtf8(std::to_string(n));
}

void storeField(unsigned char* at, NativeType type, TextView value, void* textPointer) {
    const std::int64_t n = integerOf(value);
    switch (type) {
        case NativeType::Int16: {
            auto v = std::int16_t(n);
            std::memcpy(at, &v, sizeof v);
            break;
        }
        case NativeType::Int32:
        case NativeType::UInt32: {
            auto v = std::uint32_t(n);
            std::memcpy(at, &v, sizeof v);
            break;
        }
        case NativeType::Int64:
            std::memcpy(at, &n, sizeof n);
            break;
        case NativeType::Double: {
            double v = number::toNumber(value);
            std::memcpy(at, &v, sizeof v);
            break;
        }
        case NativeType::Float: {
            auto v = float(number::toNumber(value));
            std::memcpy(at, &v, sizeof v);
            break;
        }
        case NativeType::Text:
            std::memcpy(at, &textPointer, sizeof textPointer);
            break;
        case NativeType::Void:
            break;
    }
}

Text loadField(const unsigned char* at, NativeType type) {
    switch (type) {
        case NativeType::Int16: {
            std::int16_t v;
            std::memcpy(&v, at, sizeof v);
            return integerText(v);
        }
        case NativeType::Int32: {
            std::int32_t v;
            std::memcpy(&v, at, sizeof v);
            return integerText(v);
        }
        case NativeType::UInt32: {
            std::uint32_t v;
            std::memcpy(&v, at, sizeof v);
            return integerText(v);
        }
        case NativeType::Int64: {
            std::int64_t v;
            std::memcpy(&v, at, sizeof v);
            return integerText(v);
        }
        case NativeType::Double: {
            double v;
            std::memcpy(&v, at, sizeof v);
            return number::format(v);
        }
        case NativeType::Float: {
            float v;
            std::memcpy(&v, at, sizeof v);
            return number::format(double(v));
        }
        case NativeType::Text: {
            const void* p;
            std::memcpy(&p, at, sizeof p);
            return TextAt(p);
        }
        case NativeType::Void:
            break;
    }
    return {};
}

// The entries of a dictionary value in their order: key, raw value.
std::vector<std::pair<Text, Text>> dictionaryEntries(TextView dictionary) {
    std::vector<std::pair<Text, Text>> entries;
    for (TextView line : text::splitViews(dictionary, u"\r\n")) {
        if (line.empty()) continue;
        std::size_t eq = line.find(u'=');
        Text key(line.substr(0, eq));
        if (key.empty()) continue;
        entries.emplace_back(key, values::DictGet(dictionary, key));
    }
    return entries;
}

}  // namespace

std::optional<NativeType> NativeTypeOf(TextView word) {
    TextView trimmed = text::trimBlanks(word);
    for (const TypeWord& t : kTypeWords) {
        if (text::equalsFolded(trimmed, t.word)) return t.type;
    }
    return std::nullopt;
}

NativeValue::Type PassedAs(NativeType type) {
    switch (type) {
        case NativeType::Int16:
        case NativeType::Int32:
        case NativeType::UInt32:
            return NativeValue::Type::Int32;
        case NativeType::Int64:
            return NativeValue::Type::Int64;
        case NativeType::Double:
            return NativeValue::Type::Double;
        case NativeType::Float:
            return NativeValue::Type::Float;
        case NativeType::Text:
            return NativeValue::Type::Pointer;
        case NativeType::Void:
            return NativeValue::Type::Void;
    }
    return NativeValue::Type::Int64;
}

std::optional<NativePrototype> ParsePrototype(TextView written, Text& why) {
    NativePrototype prototype;
    TextView whole = text::trimBlanks(written);
    std::size_t open = whole.find(u'(');
    TextView head = text::trimBlanks(whole.substr(0, open));
    // The name is the last word of the head; a word before it is the result.
    std::size_t blank = head.find_last_of(u" \t　");
    TextView name = blank == TextView::npos ? head : head.substr(blank + 1);
    if (blank != TextView::npos) {
        auto result = NativeTypeOf(head.substr(0, blank));
        if (!result) {
            why = u"「" + Text(text::trimBlanks(head.substr(0, blank))) + u"」は型ではありません。";
            return std::nullopt;
        }
        prototype.result = *result;
    }
    prototype.name = text::toUtf8(name);
    if (open == TextView::npos) return prototype;
    std::size_t close = whole.rfind(u')');
    if (close == TextView::npos || close < open) {
        why = u"括弧が閉じていません。";
        return std::nullopt;
    }
    prototype.typed = true;
    TextView inside = text::trimBlanks(whole.substr(open + 1, close - open - 1));
    if (inside.empty() || text::equalsFolded(inside, u"void")) return prototype;
    for (TextView word : text::splitViews(inside, u",")) {
        auto type = NativeTypeOf(word);
        if (!type || *type == NativeType::Void) {
            why = u"「" + Text(text::trimBlanks(word)) + u"」は型ではありません。";
            return std::nullopt;
        }
        prototype.parameters.push_back(*type);
    }
    return prototype;
}

std::optional<StructLayout> LayoutStructure(TextView dictionary, Text& why) {
    StructLayout layout;
    std::size_t largest = 1;
    for (auto& [key, raw] : dictionaryEntries(dictionary)) {
        StructField field;
        field.name = key;
        std::size_t colon = raw.find(u':');
        field.typeWord = Text(text::trimBlanks(TextView(raw).substr(0, colon)));
        if (colon != Text::npos) field.value = raw.substr(colon + 1);
        auto type = NativeTypeOf(field.typeWord);
        if (!type || *type == NativeType::Void) {
            why = u"「" + key + u"」の型「" + field.typeWord + u"」が分かりません。";
            return std::nullopt;
        }
        field.type = *type;
        const std::size_t size = sizeOf(field.type);
        layout.size = (layout.size + size - 1) / size * size;
        field.offset = layout.size;
        layout.size += size;
        largest = std::max(largest, size);
        layout.fields.push_back(std::move(field));
    }
    if (layout.fields.empty()) {
        why = u"構造体に項目がありません。";
        return std::nullopt;
    }
    layout.size = (layout.size + largest - 1) / largest * largest;
    return layout;
}

std::vector<Text> SplitNativeArguments(TextView written) {
    Text unified = values::unifySeparators(written);
    std::vector<Text> pieces;
    // 「」 alone is the way to write "no arguments" before を.
    TextView whole = text::trimBlanks(unified);
    if (whole.empty() || whole == u"「」") return pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text::findOutside(unified, u",", text::kSyntaxBrackets, start);
        TextView piece =
            TextView(unified).substr(start, comma == text::npos ? text::npos : comma - start);
        pieces.emplace_back(text::trimBlanks(piece));
        if (comma == text::npos) break;
        start = comma + 1;
    }
    return pieces;
}

std::optional<Text> QuotedLiteral(TextView piece) {
    if (piece.size() >= 2 && piece.front() == u'「' && piece.back() == u'」')
        return Text(piece.substr(1, piece.size() - 2));
    if (piece.size() >= 2 && piece.front() == u'"' && piece.back() == u'"')
        return Text(piece.substr(1, piece.size() - 2));
    return std::nullopt;
}

Text TextAt(const void* address) {
    if (!address) return {};
    const char* p = static_cast<const char*>(address);
    return text::fromUtf8(std::string_view(p, strnlen(p, kMaxReturnedText)));
}

void* PreparedCall::newBlock(std::size_t bytes) {
    // Whole 8-byte words: every block is aligned for any field it holds.
    const std::size_t words = bytes / 8 + 1;
    blocks_.push_back(std::make_unique<std::uint64_t[]>(words));
    return blocks_.back().get();
}

void* PreparedCall::keepText(TextView value) {
    std::string bytes = text::toUtf8(value);
    void* block = newBlock(bytes.size() + 1);
    std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

bool PreparedCall::prepare(Engine& engine, TextView written, const NativePrototype& prototype) {
    std::vector<Text> pieces = SplitNativeArguments(written);
    if (prototype.typed && pieces.size() != prototype.parameters.size()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return false;
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::optional<NativeType> declared;
        if (prototype.typed) declared = prototype.parameters[i];
        if (!prepareOne(engine, pieces[i], declared)) return false;
    }
    return true;
}

bool PreparedCall::prepareOne(Engine& engine, TextView piece, std::optional<NativeType> declared) {
    if (auto literal = QuotedLiteral(piece); literal && !declared) {
        values.push_back({NativeValue::Type::Pointer, 0, 0, keepText(*literal)});
        return true;
    }
    const char16_t marker = piece.empty() ? 0 : piece.front();
    const bool marked = marker == u'*' || marker == u'＊' || marker == u'@' || marker == u'＠' ||
                        marker == u'#' || marker == u'＃';
    Text name(text::trimBlanks(marked ? piece.substr(1) : piece));
    bool notFound = false;
    Text value = engine.GetVariable(name, notFound);
    if (name.empty() || notFound) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return false;
    }
    if (marker == u'*' || marker == u'＊') {
        void* block = newBlock(4);
        storeField(static_cast<unsigned char*>(block), NativeType::Int32, value, nullptr);
        writeBacks_.push_back({Kind::Reference, name, blocks_.size() - 1, {}, 4});
        values.push_back({NativeValue::Type::Pointer, 0, 0, block});
        return true;
    }
    if (marker == u'@' || marker == u'＠') {
        Text why;
        auto layout = LayoutStructure(value, why);
        if (!layout) {
            engine.ReportText(ErrorId::LibraryCallFailed,
                              u"DLLの呼び出しがうまくできませんでした。\n" + why);
            return false;
        }
        auto* block = static_cast<unsigned char*>(newBlock(layout->size));
        // Texts of string fields get blocks of their own after this one.
        const std::size_t index = blocks_.size() - 1;
        for (const StructField& field : layout->fields) {
            void* textPointer = field.type == NativeType::Text ? keepText(field.value) : nullptr;
            storeField(block + field.offset, field.type, field.value, textPointer);
        }
        writeBacks_.push_back({Kind::Structure, name, index, *layout, layout->size});
        values.push_back({NativeValue::Type::Pointer, 0, 0, block});
        return true;
    }
    if (marker == u'#' || marker == u'＃') {
        std::vector<Text> cells = SplitNativeArguments(value);
        if (cells.size() > kMaxBlock) {
            engine.ReportText(ErrorId::LibraryCallFailed,
                              u"DLLの呼び出しがうまくできませんでした。\n" + name);
            return false;
        }
        auto* block = static_cast<unsigned char*>(newBlock(cells.size()));
        for (std::size_t i = 0; i < cells.size(); ++i)
            block[i] = (unsigned char)integerOf(cells[i]);
        writeBacks_.push_back({Kind::Bytes, name, blocks_.size() - 1, {}, cells.size()});
        values.push_back({NativeValue::Type::Pointer, 0, 0, block});
        return true;
    }
    NativeType type = declared
                          ? *declared
                          : (number::readsAsNumber(value) ? NativeType::Int64 : NativeType::Text);
    NativeValue passed{PassedAs(type), integerOf(value), number::toNumber(value), nullptr};
    if (type == NativeType::Text) passed.pointer = keepText(value);
    values.push_back(passed);
    return true;
}

void PreparedCall::writeBack(Engine& engine) const {
    for (const WriteBack& back : writeBacks_) {
        const auto* block = reinterpret_cast<const unsigned char*>(blocks_[back.block].get());
        switch (back.kind) {
            case Kind::Reference:
                engine.SetVariable(back.variable, loadField(block, NativeType::Int32));
                break;
            case Kind::Structure: {
                Text dictionary;
                for (const StructField& field : back.layout.fields) {
                    dictionary = values::DictSet(
                        dictionary, field.name,
                        field.typeWord + u":" + loadField(block + field.offset, field.type));
                }
                engine.SetVariable(back.variable, dictionary);
                break;
            }
            case Kind::Bytes: {
                Text list;
                for (std::size_t i = 0; i < back.bytes; ++i) {
                    if (i) list += u',';
                    list += integerText(block[i]);
                }
                engine.SetVariable(back.variable, list);
                break;
            }
        }
    }
}

}  // namespace qel
