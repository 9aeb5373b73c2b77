// Cleaning the HTML that pages put in recipe texts: entities of HTML's whole table,
// entities and tags encoded twice, blocks as lines, blanks; and input meant to hurt.
#include "cookbook/exchange/ImportTestSupport.h"

#include "cookbook/exchange/formats/html/HtmlText.h"

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::html;

namespace {

struct CleaningCase {
    const char* name;
    QString markup;
    QStringList lines;
};

void PrintTo(const CleaningCase& cleaningCase, std::ostream* out) {
    *out << cleaningCase.name;
}

class HtmlCleaning : public ::testing::TestWithParam<CleaningCase> {};

TEST_P(HtmlCleaning, GivesPlainLines) {
    EXPECT_EQ(HtmlText::lines(GetParam().markup), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HtmlCleaning,
    ::testing::Values(
        CleaningCase{"NamesOfTheWholeTableNotOnlyTheCommonOnes",
                     "&frac13; &frac18; &eacute;&ccedil; &hellip;&nbsp;&NotEqualTilde; &Ocirc;",
                     {"\u2153 \u215B \u00E9\u00E7 \u2026 \u2242\u0338 \u00D4"}},
        CleaningCase{"NumbersAsBrowsersReadThem",
                     "&#8217;&#x2019;&#X2019 &#150; &#0; &#xD800; &#99999999999; &#x110000;",
                     {"\u2019\u2019\u2019 \u2013"}},
        CleaningCase{"OldNamesWithoutTheirSemicolonOnlyWhereNoWordGoesOn",
                     "&copy 2020 &amp &notes &lt=3 &unknown;",
                     {"\u00A9 2020 & &notes &lt=3 &unknown;"}},
        CleaningCase{"EntitiesEncodedTwice",
                     "Mac &amp;amp; Cheese &amp;eacute; &amp;frac12;",
                     {"Mac & Cheese \u00E9 \u00BD"}},
        CleaningCase{"TagsWrittenAsEntitiesGoAfterDecoding",
                     "&lt;p&gt;Boil.&lt;/p&gt;&lt;p&gt;Stir &lt;b&gt;well&lt;/b&gt;.&lt;/p&gt;",
                     {"Boil.", "Stir well."}},
        CleaningCase{
            "TagsEncodedTwice", "&amp;lt;strong&amp;gt;Salt&amp;lt;/strong&amp;gt;", {"Salt"}},
        CleaningCase{"BlocksBreaksAndTheTextsOwnLineBreaksEndLines",
                     "<p>Boil.</p><ol><li>Stir</li><li>Serve<br>hot</li></ol>Rest\nthen\r\neat",
                     {"Boil.", "Stir", "Serve", "hot", "Rest", "then", "eat"}},
        CleaningCase{"InlineTagsGoTheirTextStays",
                     "<b>2</b> cups <a href='/x'>cheese</a>",
                     {"2 cups cheese"}},
        CleaningCase{"ScriptsAndStylesGoWithTheirContent",
                     "<script>alert('<b>x</b>')</script>Salt<style>p{color:red}</style>",
                     {"Salt"}},
        CleaningCase{"BlanksOfEveryKindAreOne",
                     "  1&nbsp;&nbsp;cup\t\u2009flour\u200B, sif&shy;ted\uFEFF  \u3000",
                     {"1 cup flour, sifted"}},
        CleaningCase{"ControlsAndC1ControlsMeantAsWindows1252",
                     "a\u0001b \u0096 \u0092s",
                     {"a b \u2013 \u2019s"}},
        CleaningCase{"PlainAngleAndAmpersandStay", "5 < 6 & AT&T, 3>2", {"5 < 6 & AT&T, 3>2"}},
        CleaningCase{"AnUnclosedTagGoes", "Salt <b", {"Salt"}},
        CleaningCase{"EncodedTooOftenStillLeavesNoTag",
                     "&amp;amp;amp;amp;amp;lt;b&amp;amp;amp;amp;amp;gt;x",
                     {"x"}},
        CleaningCase{"NothingButMarkup", "<p> </p><br/>&nbsp;", {}}, CleaningCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct HostileCase {
    const char* name;
    QString markup;
};

void PrintTo(const HostileCase& hostileCase, std::ostream* out) {
    *out << hostileCase.name;
}

class HostileMarkup : public ::testing::TestWithParam<HostileCase> {};

// However hostile, a text gives lines without markup, quickly (the test's
// time limit), and without a crash (the sanitizers).
TEST_P(HostileMarkup, GivesLinesWithoutMarkup) {
    const QStringList lines = HtmlText::lines(GetParam().markup);
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains(QStringLiteral("<b")) || line.contains(QStringLiteral("<div")))
            << line.left(80).toStdString();
        EXPECT_EQ(line, line.simplified());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HostileMarkup,
    ::testing::Values(HostileCase{"DeepNesting", QStringLiteral("<div>").repeated(100'000) + "x"},
                      HostileCase{"DeepNestingEncoded",
                                  QStringLiteral("&lt;div&gt;").repeated(50'000) + "x"},
                      HostileCase{"AHugeEntityName", "&" + QString(1'000'000, u'a') + ";"},
                      HostileCase{"AHugeNumber", "&#" + QString(1'000'000, u'9') + ";"},
                      HostileCase{"ManyEntities", QStringLiteral("&amp;amp;").repeated(200'000)},
                      HostileCase{"AnEndlessTag", "<b " + QString(1'000'000, u'x')},
                      HostileCase{"LoneSurrogatesAndNul",
                                  QString(QChar(0xD800)) + u'\0' + QChar(0xDC00) + "<b>x</b>"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
