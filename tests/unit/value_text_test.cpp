// A value used as a table or a dictionary keeps its lines beside its text.
// Whatever is written, in whatever order, the text read back must be the
// one the plain text operations give: the reference here edits a plain
// text with the dictionary functions and a row search of its own.
#include <gtest/gtest.h>

#include <random>

#include "core/value_text.h"
#include "core/values.h"
#include "text/number.h"

namespace qel {
namespace {

// The plain-text table write: rows found by walking CR LF, missing rows added.
void referenceWrite(Text& table, long long r, long long c, TextView value, bool wholeRow) {
    std::size_t start = 0;
    long long row = 1;
    for (; row < r; ++row) {
        std::size_t p = table.find(kCRLF, start);
        if (p == Text::npos) break;
        start = p + 2;
    }
    if (row < r) {
        for (; row < r; ++row) table += kCRLF;
        start = table.size();
    }
    std::size_t end = table.find(kCRLF, start);
    if (end == Text::npos) end = table.size();
    if (wholeRow) {
        table.replace(start, end - start, value);
    } else {
        values::writeCell(table, start, end, c, values::escapeCell(value));
    }
}

TextView referenceRow(TextView table, long long r) {
    std::size_t start = 0;
    for (long long row = 1; row < r; ++row) {
        std::size_t p = table.find(kCRLF, start);
        if (p == Text::npos) return {};
        start = p + 2;
    }
    std::size_t end = table.find(kCRLF, start);
    return table.substr(start, end == Text::npos ? Text::npos : end - start);
}

// Texts chosen to hit the layout's edges: separators, line breaks alone and
// in pairs, "=" (which moves a key's boundary), escapes, empty texts.
const std::vector<Text> kPieces = {u"",    u"a",      u"=",    u"\r", u"\n",   u"\r\n", u",",
                                   u"、",  u"，",     u"{/n}", u"鍵", u"値=1", u"x\r",  u"\ny",
                                   u"123", u"a\r\nb", u"k",    u"k=", u"==",   u" "};

Text randomText(std::mt19937& random) {
    Text out;
    int pieces = int(random() % 3);
    for (int i = 0; i < pieces; ++i) out += kPieces[random() % kPieces.size()];
    return out;
}

TEST(ValueTextForms, DictionaryWritesAndReadsMatchThePlainText) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        ValueText value;
        Text reference;
        if (random() % 2) {
            reference = randomText(random) + Text(kCRLF) + randomText(random);
            value = reference;
        }
        for (int step = 0; step < 40; ++step) {
            Text key = randomText(random);
            Text written = randomText(random);
            switch (random() % 5) {
                case 0:
                case 1:
                    value.dictSet(key, written);
                    reference = values::DictSet(reference, key, written);
                    break;
                case 2:
                    ASSERT_EQ(value.dictGet(key), values::DictGet(reference, key))
                        << "round " << round << " step " << step;
                    break;
                case 3:
                    ASSERT_EQ(value.text(), reference) << "round " << round << " step " << step;
                    break;
                default: {
                    // A copy is a value of its own: writing one leaves the other.
                    ValueText copy = value;
                    copy.dictSet(u"copy", u"only");
                    ASSERT_EQ(value.text(), reference);
                    break;
                }
            }
        }
        ASSERT_EQ(value.text(), reference) << "round " << round;
    }
}

TEST(ValueTextForms, TableWritesAndReadsMatchThePlainText) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        ValueText value;
        Text reference;
        for (int step = 0; step < 40; ++step) {
            long long r = 1 + static_cast<long long>(random() % 6);
            long long c = 1 + static_cast<long long>(random() % 4);
            Text written = randomText(random);
            switch (random() % 7) {
                case 0:
                case 1:
                case 2:
                    value.writeCell(r, c, values::escapeCell(written));
                    referenceWrite(reference, r, c, written, false);
                    break;
                case 3:
                    value.writeRow(r, written);
                    referenceWrite(reference, r, c, written, true);
                    break;
                case 4:
                    ASSERT_EQ(Text(value.row(r)), Text(referenceRow(reference, r)))
                        << "round " << round << " step " << step;
                    break;
                case 5:
                    // Mixed use: a dictionary write on a table and back.
                    value.dictSet(u"k", written);
                    reference = values::DictSet(reference, u"k", written);
                    break;
                default:
                    ASSERT_EQ(value.text(), reference) << "round " << round << " step " << step;
                    value += u"z";
                    reference += u"z";
                    break;
            }
        }
        ASSERT_EQ(value.text(), reference) << "round " << round;
    }
}

TEST(ValueTextForms, NumbersAndLinesGiveWayToEachOther) {
    ValueText value;
    value.setNumber(42);
    EXPECT_EQ(value.row(1), u"42");
    value.writeCell(2, 2, u"x");
    EXPECT_EQ(value.text(), u"42\r\n,x");
    double n = 0;
    EXPECT_FALSE(value.readsAsNumber(n));
    value.setNumber(7);
    EXPECT_EQ(value.dictGet(u"a"), u"");
    EXPECT_EQ(value.text(), u"7");
    EXPECT_TRUE(value.readsAsNumber(n));
    EXPECT_EQ(n, 7);
    value.dictSet(u"a", u"1");
    EXPECT_EQ(value.text(), u"7\r\na=1");
}

// Enough keys to make the index grow several times, keys that are prefixes
// of one another, lines without "=", repeated keys (the first line answers),
// and every way the text can change under an index already made.
TEST(ValueTextForms, LargeDictionaryIndexFollowsEveryKindOfWrite) {
    std::mt19937 random(3);
    ValueText value;
    Text reference;
    auto check = [&](TextView key, int step) {
        ASSERT_EQ(value.dictGet(key), values::DictGet(reference, key)) << "step " << step;
    };
    for (int step = 0; step < 6000; ++step) {
        const Text key = u"品" + Text(1, char16_t(u'0' + random() % 10)) +
                         (random() % 2 ? Text(1, char16_t(u'0' + random() % 10)) : Text()) +
                         Text(std::size_t(random() % 3), u'9');
        const Text written = random() % 7 ? key + u"値" : randomText(random);
        switch (random() % 12) {
            case 0:
                // The whole text assigned, with a line that repeats a key
                // and one that has no "=".
                reference = values::DictSet(Text(value.text()), key, written) +
                            u"\r\n品1=later\r\nno key here";
                value = reference;
                break;
            case 1:
                value += u"\r\n品2=appended";
                reference += u"\r\n品2=appended";
                break;
            case 2:
                value.writeCell(1 + static_cast<long long>(random() % 4), 2, u"c");
                reference = Text(value.text());
                break;
            case 3:
                check(key, step);
                check(key.substr(0, 2), step);
                break;
            default:
                value.dictSet(key, written);
                reference = values::DictSet(reference, key, written);
                break;
        }
        if (step % 500 == 0) {
            ASSERT_EQ(value.text(), reference) << "step " << step;
        }
    }
    for (int i = 0; i < 100; ++i) check(u"品" + number::format(i), -1);
    ASSERT_EQ(value.text(), reference);
}

// A copy of a number not yet written out is the same value, and the copy and
// the original go their own ways afterwards.
TEST(ValueTextForms, CopiesOfNumbersAreIndependentValues) {
    ValueText original;
    original.setNumber(-12);
    ValueText copy(original);
    ValueText assigned;
    assigned = u"old text";
    assigned = original;
    EXPECT_EQ(copy.text(), u"-12");
    EXPECT_EQ(assigned.text(), u"-12");
    double n = 0;
    EXPECT_TRUE(assigned.readsAsNumber(n));
    EXPECT_EQ(n, -12);
    copy += u"5";
    EXPECT_EQ(copy.text(), u"-125");
    EXPECT_EQ(original.text(), u"-12");
    original.setNumber(3);
    EXPECT_EQ(assigned.text(), u"-12");
    assigned = assigned;
    EXPECT_EQ(assigned.text(), u"-12");
}

}  // namespace
}  // namespace qel
