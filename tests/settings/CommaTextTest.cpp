#include "settings/CommaText.h"

#include <gtest/gtest.h>

using namespace hozonix;
using Items = std::vector<std::string>;

TEST(CommaText, SplitFollowsQuotesBlanksAndCommas) {
    struct Case {
        std::string text;
        Items expected;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"100,200,300,400", {"100", "200", "300", "400"}},
        {"  100 , 200", {"100", "200"}},
        {"a b", {"a", "b"}},         // an unquoted blank separates
        {"a,,b", {"a", "", "b"}},    // an empty item between commas
        {"\"1,2\" 3", {"1,2", "3"}}, // quotes keep commas
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"\"unterminated, rest", {"unterminated, rest"}},
        {".BAK,.TMP", {".BAK", ".TMP"}},
        {"C:\\a,||||C:\\b", {"C:\\a", "||||C:\\b"}},
        {"ファイル,データ", {"ファイル", "データ"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommaText(c.text), c.expected) << c.text;
}

TEST(CommaText, JoinQuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(JoinCommaText({"/a b.txt", "/c.txt"}), "\"/a b.txt\",/c.txt");
    EXPECT_EQ(JoinCommaText({"say \"hi\"", "a,b", "tab\there", "plain"}),
              "\"say \"\"hi\"\"\",\"a,b\",\"tab\there\",plain");
    EXPECT_EQ(JoinCommaText({""}), "\"\"");
    EXPECT_EQ(JoinCommaText({"", "x"}), ",x");
    EXPECT_EQ(JoinCommaText({}), "");
    // Bytes of multibyte characters are never taken for quotes or commas.
    EXPECT_EQ(JoinCommaText({"日本語のファイル名", "ｶﾝﾏ"}), "日本語のファイル名,ｶﾝﾏ");
    for (const Items& items : {Items{"/a b.txt", "/c.txt"}, Items{"say \"hi\"", "a,b", "x"}})
        EXPECT_EQ(SplitCommaText(JoinCommaText(items)), items);
}
