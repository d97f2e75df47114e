// The front end: statement records from lines, the text and line passes, the
// block pass, and particle binding as handlers use it.
#include <gtest/gtest.h>

#include "core/parser.h"
#include "engine_fixture.h"

namespace qel {
namespace {

using testing::EngineTest;

constexpr char16_t kMark = u'\x03';

Text marked(std::initializer_list<TextView> parts) {
    // Joins parts, writing each particle between marks: {a, を, b} -> a␃を␃b.
    Text out;
    std::size_t i = 0;
    for (TextView part : parts) {
        if (i++ % 2 == 1) {
            out += kMark;
            out += part;
            out += kMark;
        } else {
            out += part;
        }
    }
    return out;
}

class ParseLineTest : public EngineTest {
  protected:
    StatementRecord parse(TextView line) { return engine().ParseLine(line); }
};

TEST_F(ParseLineTest, AssignmentForms) {
    struct Case {
        TextView line, head, value;
    } cases[] = {
        {u"X は 5", u"X", u"5"},
        {u"Xは、5", u"X", u"5"},
        {u"X　は　「あ」＆「い」", u"X", u"「あ」＆「い」"},
        {u"X＝5", u"X", u"5"},
        {u"X=5", u"X", u"5"},
        {u"X = 5", u"X", u"5"},
        {u"X（2） は、5", u"X（2）", u"5"},
        {u"A は 「を」", u"A", u"「を」"},          // を inside brackets does not make a command
        {u"A は 「。」", u"A", u"「。」"},          // nor does 。
        {u"S は 「a は b」", u"S", u"「a は b」"},  // the first marker wins
        {u"X＝Y=1", u"X", u"Y=1"},
    };
    for (const auto& c : cases) {
        StatementRecord r = parse(c.line);
        EXPECT_EQ(r.kind, StatementKind::Assign) << text::toUtf8(c.line);
        EXPECT_EQ(r.head, c.head) << text::toUtf8(c.line);
        EXPECT_EQ(r.woArg, c.value) << text::toUtf8(c.line);
    }
}

TEST_F(ParseLineTest, SettingAndPropertyAssignments) {
    StatementRecord setting = parse(u"色は、赤");
    EXPECT_EQ(setting.kind, StatementKind::Setting);
    EXPECT_EQ(setting.head, u"色");
    EXPECT_EQ(setting.woArg, u"赤");
    EXPECT_NE(setting.handler, nullptr);
    EXPECT_EQ(parse(u"いろ＝赤").kind, StatementKind::Setting);  // an alias
    EXPECT_EQ(parse(u"エラー は 無視").kind, StatementKind::Setting);

    StatementRecord property = parse(u"ボタン1の文字は、「a」");
    EXPECT_EQ(property.kind, StatementKind::PropertyAssign);
    EXPECT_EQ(property.head, u"ボタン1の文字");
    EXPECT_EQ(property.woArg, u"「a」");
}

TEST_F(ParseLineTest, WithoutBlankAfterHaTheLineIsACommand) {
    StatementRecord r = parse(u"Xは5");
    EXPECT_EQ(r.kind, StatementKind::Command);
    EXPECT_EQ(r.head, u"Xは5");
    EXPECT_EQ(parse(u"色は赤").kind, StatementKind::Command);
    // を outside brackets always makes a command, even after a marker.
    StatementRecord withWo = parse(u"X は、Yを表示");
    EXPECT_EQ(withWo.kind, StatementKind::Command);
    EXPECT_EQ(withWo.head, u"表示");
    EXPECT_EQ(withWo.woArg, u"X は、Y");
}

TEST_F(ParseLineTest, CommandParticles) {
    StatementRecord show = parse(u"「a」を表示");
    EXPECT_EQ(show.kind, StatementKind::Command);
    EXPECT_EQ(show.head, u"表示");
    EXPECT_EQ(show.woArg, u"「a」");
    EXPECT_EQ(show.heArg, u"");
    EXPECT_EQ(Args(show).marked, marked({u"「a」", u"を", u"表示"}));

    StatementRecord add = parse(u"「a」を「b」に追加");
    EXPECT_EQ(add.head, u"追加");
    EXPECT_EQ(add.woArg, u"「a」");
    EXPECT_EQ(add.heArg, u"「b」");
    // に is bound as へ: both list entries take the argument.
    std::vector<Text> base{u"を", u"へ", u"に"};
    AskParticles(add, base);
    EXPECT_EQ(base, (std::vector<Text>{u"「a」", u"「b」", u"「b」"}));
    EXPECT_EQ(Args(add).marked, marked({u"「a」", u"を", u"「b」", u"に", u"追加"}));

    // A comma after a particle belongs to the particle; blanks are trimmed.
    StatementRecord comma = parse(u"「a」を、「b」へ、 送る");
    EXPECT_EQ(comma.woArg, u"「a」");
    EXPECT_EQ(comma.heArg, u"「b」");
    EXPECT_EQ(comma.head, u"送る");
}

TEST_F(ParseLineTest, CommandWithoutParticles) {
    StatementRecord full = parse(u"表示　「a」");
    EXPECT_EQ(full.head, u"表示");
    EXPECT_EQ(full.woArg, u"「a」");
    StatementRecord half = parse(u"待て 0.5");
    EXPECT_EQ(half.head, u"待て");
    EXPECT_EQ(half.woArg, u"0.5");
    StatementRecord alone = parse(u"休憩");
    EXPECT_EQ(alone.head, u"休憩");
    EXPECT_EQ(alone.woArg, u"");
    // The full-width blank is looked for first.
    StatementRecord both = parse(u"表示 x　y");
    EXPECT_EQ(both.head, u"表示 x");
    EXPECT_EQ(both.woArg, u"y");
}

TEST_F(ParseLineTest, VerbsEndingInHeStayWhole) {
    StatementRecord right = parse(u"右へ　90");
    EXPECT_EQ(right.head, u"右へ");
    EXPECT_EQ(right.woArg, u"90");
    // Without the blank after へ the particle is split as usual.
    StatementRecord go = parse(u"家へ帰る");
    EXPECT_EQ(go.head, u"帰る");
    EXPECT_EQ(go.heArg, u"家");
}

TEST_F(ParseLineTest, OtherKinds) {
    StatementRecord ifLine = parse(u"もし　Xが1なら");
    EXPECT_EQ(ifLine.kind, StatementKind::If);
    EXPECT_EQ(ifLine.head, u"もし");
    EXPECT_EQ(ifLine.woArg, u"Xが1なら");
    EXPECT_EQ(parse(u"もし Xが1なら").kind, StatementKind::If);
    EXPECT_EQ(parse(u"もし、Xが1なら").kind, StatementKind::If);
    EXPECT_EQ(parse(u"もしXが1なら").kind, StatementKind::Command);

    EXPECT_EQ(parse(u"手順は　挨拶").kind, StatementKind::ProcHead);
    EXPECT_NE(parse(u"手順は 挨拶").kind, StatementKind::ProcHead);  // needs the full-width blank
    EXPECT_EQ(parse(u"終わり").kind, StatementKind::End);
    EXPECT_EQ(parse(u"終わりです").kind, StatementKind::Command);
    EXPECT_EQ(parse(u"ここ：").kind, StatementKind::Label);

    EXPECT_EQ(parse(u"「a」を表示。「b」を表示").kind, StatementKind::Sequence);
    EXPECT_EQ(parse(u"「a。b」を表示").kind, StatementKind::Command);

    StatementRecord empty = parse(u"");
    EXPECT_EQ(empty.kind, StatementKind::Command);
    EXPECT_TRUE(empty.source.empty() && empty.head.empty() && Args(empty).marked.empty());
}

// ---- text and line passes ------------------------------------------------------

class SplitProgramTest : public EngineTest {
  protected:
    std::vector<Text> sources(TextView script, bool* ok = nullptr) {
        std::vector<Text> out;
        for (const auto& r : engine().SplitProgram(script, ok)) out.push_back(r.source);
        return out;
    }
};

TEST_F(SplitProgramTest, BlockCommentsKeepLineNumbers) {
    EXPECT_EQ(sources(u"「a」/* x */＆「b」を表示\r\n次"),
              (std::vector<Text>{u"「a」＆「b」を表示", u"次"}));
    EXPECT_EQ(sources(u"一/* 複数\r\n行の\r\nコメント */二\r\n三"),
              (std::vector<Text>{u"一", u"", u"二", u"三"}));
    // The same comment text written twice vanishes in both places.
    EXPECT_EQ(sources(u"a/*c*/b\r\nd/*c*/e"), (std::vector<Text>{u"ab", u"de"}));
    // Markers inside 「」 or （） start nothing.
    EXPECT_EQ(sources(u"「/*」を表示\r\n（/*）を表示"),
              (std::vector<Text>{u"「/*」を表示", u"（/*）を表示"}));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(SplitProgramTest, UnclosedBlockCommentReturnsNothing) {
    bool ok = true;
    EXPECT_TRUE(sources(u"一\r\n二/* 開いたまま\r\n三", &ok).empty());
    EXPECT_FALSE(ok);
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_EQ(errorBoxes()[0].text,
              u"コメントの終了記号「*/」がありません。\r\n［2行目 エラー番号911］");
    EXPECT_EQ(errorBoxes()[0].style, 65);
    EXPECT_EQ(engine().errors.lastErrorNumber, 911);
    EXPECT_EQ(engine().errors.errorLine, 2);
}

TEST_F(SplitProgramTest, LineCommentsTabsAndBlanks) {
    EXPECT_EQ(
        sources(
            u"「a」を表示 // 注釈\r\n「b」を表示 ' 注釈\r\n「c」を表示 ’ 注釈\r\n「d//e」を表示"),
        (std::vector<Text>{u"「a」を表示", u"「b」を表示", u"「c」を表示", u"「d//e」を表示"}));
    EXPECT_EQ(sources(u"\t「a」を\t表示\r\n　 X は 1 　"),
              (std::vector<Text>{u"「a」を表示", u"X は 1"}));
    EXPECT_EQ(sources(u"// 全部が注釈"), (std::vector<Text>{u""}));
}

TEST_F(SplitProgramTest, ContinuationLines) {
    // 、 joins without separator at the first line; the joined lines stay empty.
    EXPECT_EQ(sources(u"「a」を、\r\n表示\r\n次"),
              (std::vector<Text>{u"「a」を、表示", u"", u"次"}));
    EXPECT_EQ(sources(u"X は、\r\n1＋、\r\n2\r\n次"),
              (std::vector<Text>{u"X は、1＋、2", u"", u"", u"次"}));
    // _ keeps a line break where it stood.
    EXPECT_EQ(sources(u"表示　「一_\r\n二」"), (std::vector<Text>{u"表示　「一\r\n二」", u""}));
    // A blank after the marker ends the group.
    EXPECT_EQ(sources(u"「a」を表示_ \r\n次"), (std::vector<Text>{u"「a」を表示_", u"次"}));
    // A comment after the marker is cut first, so the line still continues.
    EXPECT_EQ(sources(u"「a」を、// 注釈\r\n表示"), (std::vector<Text>{u"「a」を、表示", u""}));
    // A group still open at the end runs as far as it goes.
    EXPECT_EQ(sources(u"次\r\n「a」を、"), (std::vector<Text>{u"次", u"「a」を、"}));
}

TEST_F(SplitProgramTest, ParenthesisBalance) {
    EXPECT_EQ(sources(u"表示（「a」\r\n  「b」を表示 // 注釈"),
              (std::vector<Text>{u"表示（「a」", u"  「b」を表示 // 注釈"}));  // the pass stopped
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_EQ(errorBoxes()[0].text, u"）が1ヶ所不足しています\r\n［1行目 エラー番号0］");
    EXPECT_EQ(errorBoxes()[0].style, 65);
    clearBoxes();

    sources(u"一\r\nX は、1))+(2");
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_EQ(errorBoxes()[0].text, u"（が1ヶ所不足しています\r\n［2行目 エラー番号0］");
    clearBoxes();

    // Parentheses inside 「」 are not counted; a joined group is not checked.
    sources(u"「(」を表示\r\n（「)」）を表示\r\nX は、（1＋、\r\n2）");
    EXPECT_TRUE(boxes().empty());
}

// ---- block pass -------------------------------------------------------------------

class MarkBlocksTest : public EngineTest {
  protected:
    ProgramRecord program(std::initializer_list<TextView> lines) {
        ProgramRecord p;
        for (TextView line : lines) p.statements.push_back(engine().ParseLine(line));
        return p;
    }
};

TEST_F(MarkBlocksTest, DepthCountsEnclosingBlocks) {
    ProgramRecord p = program({u"前", u"もし　Xが1なら", u"中", u"もし　Yが1なら", u"奥",
                               u"もし終わり", u"中", u"もし終わり", u"後"});
    EXPECT_TRUE(engine().MarkBlocks(p));
    EXPECT_EQ(p.depth, (std::vector<int16_t>{0, 0, 1, 1, 2, 2, 1, 1, 0}));
    EXPECT_EQ(p.inBlock,
              (std::vector<bool>{false, false, true, true, true, true, true, true, false}));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(MarkBlocksTest, OneLineConditionsOpenNoBlock) {
    ProgramRecord p =
        program({u"もし　Xが1なら「a」を表示", u"次", u"もし　Xが1なら", u"a", u"もし終わり"});
    EXPECT_TRUE(engine().MarkBlocks(p));
    EXPECT_EQ(p.depth, (std::vector<int16_t>{0, 0, 0, 1, 1}));
}

TEST_F(MarkBlocksTest, MissingEndReportsTheOpeningLine) {
    ProgramRecord p =
        program({u"前", u"もし　Xが1なら", u"もし　Yが1なら", u"a", u"もし終わり", u"b"});
    EXPECT_FALSE(engine().MarkBlocks(p));
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_EQ(errorBoxes()[0].text, u"「もし終わり」がありません。\r\n［2行目 エラー番号24］");
    EXPECT_EQ(errorBoxes()[0].style, 65);
    // The inner block was closed; the outer one ran to the end.
    EXPECT_EQ(p.depth, (std::vector<int16_t>{0, 0, 1, 2, 2, 1}));
}

TEST_F(MarkBlocksTest, CloseOutsideAnyBlockEndsThePass) {
    ProgramRecord p = program({u"もし終わり", u"もし　Xが1なら", u"a"});
    EXPECT_TRUE(engine().MarkBlocks(p));
    EXPECT_EQ(p.depth, (std::vector<int16_t>{1, 0, 0}));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(MarkBlocksTest, DeepNestingIsMarkedInOnePass) {
    ProgramRecord p;
    const int levels = 30000;
    for (int i = 0; i < levels; ++i) p.statements.push_back(engine().ParseLine(u"もし　Xなら"));
    p.statements.push_back(engine().ParseLine(u"中"));
    for (int i = 0; i < levels; ++i) p.statements.push_back(engine().ParseLine(u"もし終わり"));
    EXPECT_TRUE(engine().MarkBlocks(p));
    EXPECT_EQ(p.depth[0], 0);
    EXPECT_EQ(p.depth[levels - 1], levels - 1);
    EXPECT_EQ(p.depth[levels], levels);
    EXPECT_EQ(p.depth.back(), 1);
}

// ---- particle binding ----------------------------------------------------------

TEST_F(ParseLineTest, BindingTheSameRecordTwiceGivesTheSameResult) {
    StatementRecord r = parse(u"「a」を警告で表示");
    EXPECT_EQ(r.head, u"警告で表示");  // classification knows only を, へ and に
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(AskParticle(r, u"で"), u"警告");
        EXPECT_EQ(Args(r).head, u"表示");
        EXPECT_EQ(Args(r).woArg, u"「a」");
        EXPECT_EQ(Args(r).marked, marked({u"「a」", u"を", u"警告", u"で", u"表示"}));
    }
    // Binding leaves the parsed fields as the parser made them.
    EXPECT_EQ(r.head, u"警告で表示");
    EXPECT_EQ(r.woArg, u"「a」");
    std::vector<Text> list{u"を", u"で", u"として"};
    AskParticles(r, list);
    EXPECT_EQ(list, (std::vector<Text>{u"「a」", u"警告", u""}));
    Text text = Args(r).marked;
    std::vector<Text> again{u"で"};
    std::vector<Text> pieces = SplitParticles(text, again);
    EXPECT_EQ(pieces, (std::vector<Text>{u"「a」", u"を", u"警告", u"で", u"表示"}));
}

TEST_F(ParseLineTest, AnArgumentAskedFirstIsShortenedByALaterParticle) {
    // で asked after を was bound: を's argument loses the で part, and an
    // earlier answer for と is read again from the new marks.
    StatementRecord r = parse(u"Xと「b」で「a」を表示");
    EXPECT_EQ(Args(r).woArg, u"Xと「b」で「a」");
    EXPECT_EQ(AskParticle(r, u"と"), u"X");
    EXPECT_EQ(AskParticle(r, u"で"), u"「b」");
    EXPECT_EQ(Args(r).woArg, u"「a」");
    EXPECT_EQ(AskParticle(r, u"と"), u"X");
    // A copy of the record starts with no binding and binds alike.
    StatementRecord copy = r;
    EXPECT_EQ(copy.bound.get(), nullptr);
    std::vector<Text> both{u"で", u"と"};
    AskParticles(copy, both);
    EXPECT_EQ(both, (std::vector<Text>{u"「b」", u"X"}));
    EXPECT_EQ(Args(copy).woArg, u"「a」");
}

TEST_F(ParseLineTest, OnlyTheLastOccurrenceOfAParticleIsSplit) {
    StatementRecord r = parse(u"「表示」を「見せろ」として宣言");
    EXPECT_EQ(AskParticle(r, u"として"), u"「見せろ」");
    EXPECT_EQ(Args(r).woArg, u"「表示」");
    EXPECT_EQ(Args(r).head, u"宣言");

    // Particles inside brackets are never split; one at the very start is.
    StatementRecord quoted = parse(u"表示　「をへに」");
    EXPECT_EQ(quoted.head, u"表示");
    StatementRecord first = parse(u"を表示");
    EXPECT_EQ(first.head, u"表示");
    EXPECT_EQ(first.woArg, u"");

    // An asked particle that the statement lacks gives an empty argument.
    StatementRecord show = parse(u"「a」を表示");
    EXPECT_EQ(AskParticle(show, u"で"), u"");
    EXPECT_EQ(Args(show).head, u"表示");
}

// A record's command word and を argument view its own texts: copies, moves
// and assignments (of short sources kept inside the text object and long ones
// kept apart, and of parts the source does not hold) must never view the
// record they came from.
TEST(StatementRecordParts, FollowTheirRecordThroughCopiesAndMoves) {
    for (const Text& source :
         {Text(u"表示　a"), Text(u"長い名前の表示を何度でも　「長い長い値」")}) {
        auto made = std::make_unique<StatementRecord>();
        made->source = source;
        const std::size_t blank = source.find(u'　');
        made->setHead(TextView(source).substr(0, blank));
        made->setWoArg(u"どこにもない引数");  // not in the source
        made->heArg = Text(u"へ");
        const Text head(made->head);

        StatementRecord copy = *made;
        StatementRecord moved = std::move(*made);
        StatementRecord assigned;
        assigned = copy;
        made.reset();  // the views must not reach the first record
        for (const StatementRecord* r : {&copy, &moved, &assigned}) {
            EXPECT_EQ(r->head, head);
            EXPECT_EQ(r->woArg, u"どこにもない引数");
            EXPECT_EQ(r->heArg, u"へ");
            EXPECT_TRUE(r->head.data() >= r->source.data() &&
                        r->head.data() < r->source.data() + r->source.size());
        }
        copy = StatementRecord();
        EXPECT_TRUE(copy.head.empty() && copy.woArg.empty());
        EXPECT_EQ(moved.woArg, u"どこにもない引数");
    }
}

}  // namespace
}  // namespace qel
