// The value syntax of filter criteria (tokens, operator words, terms) and
// the test of one field value against one criterion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/convert.h"
#include "base/exception.h"
#include "search/wwfilter_criteria.h"

namespace {

std::vector<std::string> Terms(const std::string &value, const TwwOperatorWords &words = {}) {
  const std::string word = ParseOperator(value, words);
  std::vector<std::string> terms;
  int pos = 1;
  for (int guard = 0; pos != -1 && guard < 100; ++guard)
    terms.push_back(NextTerm(value, word, pos));
  return terms;
}

TwwFieldInfo Value(const std::string &value, TwwFilterMatchType match = fdMatchStart,
                   bool case_sensitive = false) {
  TwwFieldInfo info;
  info.MatchType = match;
  info.FilterValue = value;
  info.CaseSensitive = case_sensitive;
  return info;
}

TwwFieldInfo Range(const std::string &min, const std::string &max) {
  TwwFieldInfo info;
  info.MatchType = fdMatchRange;
  info.MinValue = min;
  info.MaxValue = max;
  return info;
}

bool Keywords(const TwwFieldInfo &info, const std::string &text,
              const TwwOperatorWords &words = {}) {
  return TestCriterion(info, ftString, TVariant(text), words);
}

} // namespace

TEST(FilterSyntax, TokensSkipBlanksKeepQuotedTextAndStopAtDelimiters) {
  int pos = 1;
  EXPECT_EQ(GetToken("  dog\tcat", pos, ""), "dog");
  EXPECT_EQ(GetToken("  dog\tcat", pos, ""), "cat");
  EXPECT_EQ(GetToken("  dog\tcat", pos, ""), "");

  pos = 1;
  const std::string quoted = "\"hot  dog\" or cat";
  EXPECT_EQ(GetToken(quoted, pos, ""), "hot  dog");
  EXPECT_EQ(pos, 11);
  EXPECT_EQ(GetToken(quoted, pos, ""), "or");

  // An unclosed quote runs to the end of the text.
  pos = 1;
  EXPECT_EQ(GetToken("\"open end", pos, ""), "open end");
  EXPECT_EQ(pos, 10);

  // A delimiter is a token of its own; positions outside give nothing.
  pos = 3;
  EXPECT_EQ(GetToken("ab|cd", pos, "|"), "|");
  EXPECT_EQ(GetToken("ab|cd", pos, "|"), "cd");
  pos = 0;
  EXPECT_EQ(GetToken("ab", pos, ""), "");
  pos = 3;
  EXPECT_EQ(GetToken("ab", pos, ""), "");
}

TEST(FilterSyntax, OperatorWordIsTheFirstOrOrAndAfterTheFirstToken) {
  const TwwOperatorWords words;
  EXPECT_EQ(ParseOperator("dog or cat", words), "or");
  EXPECT_EQ(ParseOperator("dog AND cat", words), "and");
  EXPECT_EQ(ParseOperator("a or b and c", words), "or");
  EXPECT_EQ(ParseOperator("a and b or c", words), "and");
  EXPECT_EQ(ParseOperator("or dog", words), "");
  EXPECT_EQ(ParseOperator("doggy", words), "");
  EXPECT_EQ(ParseOperator("", words), "");
}

TEST(FilterSyntax, TermsFollowTheOperatorWord) {
  EXPECT_EQ(Terms("dog or cat"), (std::vector<std::string>{"dog", "cat"}));
  EXPECT_EQ(Terms("or dog"), (std::vector<std::string>{"or dog"}));
  EXPECT_EQ(Terms("dog or"), (std::vector<std::string>{"dog"}));
  EXPECT_EQ(Terms("a or b and c"), (std::vector<std::string>{"a", "b and c"}));
  EXPECT_EQ(Terms("\"hot  dog\" or cat"), (std::vector<std::string>{"hot  dog", "cat"}));
  EXPECT_EQ(Terms("hot  dog or cat"), (std::vector<std::string>{"hot dog", "cat"}));
  EXPECT_EQ(Terms("big  brown   dog"), (std::vector<std::string>{"big brown dog"}));

  // A one-character or-word: "ab|cd" splits, but after a one-character
  // token the delimiter is passed over, so "a|b" stays one term.
  TwwOperatorWords bar;
  bar.or_word = "|";
  EXPECT_EQ(Terms("ab|cd", bar), (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(Terms("a|b", bar).size(), 1u);
}

TEST(FilterSyntax, SplitNextCutsAtTheOrWordForValidation) {
  int pos = 1;
  EXPECT_EQ(SplitNext("5 or 7", "or", pos), "5");
  EXPECT_EQ(SplitNext("5 or 7", "or", pos), "7");
  EXPECT_EQ(pos, -1);
  pos = 1;
  EXPECT_EQ(SplitNext("5 OR 7", "or", pos), "5");
  pos = 1;
  EXPECT_EQ(SplitNext("door", "or", pos), "door");
  EXPECT_EQ(pos, -1);
  pos = 1;
  EXPECT_EQ(SplitNext("1|2", "|", pos), "1");
  EXPECT_EQ(SplitNext("1|2", "|", pos), "2");
}

TEST(FilterSyntax, FieldTextValidationByType) {
  EXPECT_TRUE(IsValidFieldText(ftSmallint, "100"));
  EXPECT_TRUE(IsValidFieldText(ftInteger, "-5"));
  EXPECT_TRUE(IsValidFieldText(ftInteger, ""));
  EXPECT_FALSE(IsValidFieldText(ftInteger, "-"));
  EXPECT_FALSE(IsValidFieldText(ftSmallint, "1x"));
  EXPECT_FALSE(IsValidFieldText(ftSmallint, "5 and 7"));
  EXPECT_TRUE(IsValidFieldText(ftFloat, "2.5"));
  EXPECT_FALSE(IsValidFieldText(ftCurrency, "lots"));
  EXPECT_TRUE(IsValidFieldText(ftDate, DateToStr(StrToDate("2024-02-29"))));
  EXPECT_FALSE(IsValidFieldText(ftDate, "2023-02-29"));
  EXPECT_TRUE(IsValidFieldText(ftString, "anything at all"));
  EXPECT_FALSE(IsFilterableFieldType(ftBlob));
  EXPECT_FALSE(IsFilterableFieldType(ftBytes));
  EXPECT_TRUE(IsFilterableFieldType(ftMemo));
  EXPECT_TRUE(IsTypedFieldType(ftSmallint));
  EXPECT_FALSE(IsTypedFieldType(ftString));
  EXPECT_FALSE(IsTypedFieldType(ftDateTime));
  EXPECT_TRUE(IsTypedFieldType(ftDateTime, true));
}

TEST(FilterMatch, StartMatchOfAnyTermIgnoringCase) {
  const TwwFieldInfo info = Value("dog or cat");
  EXPECT_TRUE(Keywords(info, "Dog barking"));
  EXPECT_TRUE(Keywords(info, "CAT animal"));
  EXPECT_FALSE(Keywords(info, "hotdog stand"));
  EXPECT_FALSE(Keywords(info, "animal cat"));
}

TEST(FilterMatch, AnywhereExactAndCase) {
  EXPECT_TRUE(Keywords(Value("dog and cat", fdMatchAny), "the cat chased the dog"));
  EXPECT_FALSE(Keywords(Value("dog and cat", fdMatchAny), "the cat sat"));
  EXPECT_TRUE(Keywords(Value("storm", fdMatchAny), "Thunder STORM loud"));
  EXPECT_TRUE(Keywords(Value("rain", fdMatchExact), "RAIN"));
  EXPECT_FALSE(Keywords(Value("rain", fdMatchExact), "rain drops"));
  EXPECT_FALSE(Keywords(Value("Rain", fdMatchStart, true), "rain drops"));
  EXPECT_TRUE(Keywords(Value("rain", fdMatchStart, true), "rain drops"));
}

TEST(FilterMatch, NullWordMatchesEmptyFields) {
  EXPECT_TRUE(Keywords(Value("NULL"), ""));
  EXPECT_TRUE(TestCriterion(Value("null"), ftString, TVariant::Null(), {}));
  EXPECT_FALSE(Keywords(Value("null"), "something"));
  EXPECT_TRUE(Keywords(Value("null or x"), "xylophone"));
  EXPECT_TRUE(Keywords(Value("null or x"), ""));
  TwwFieldInfo memo = Value("null");
  EXPECT_TRUE(TestCriterion(memo, ftMemo, TVariant(""), {}));
}

TEST(FilterMatch, NonMatchingInvertsValueCriteria) {
  TwwFieldInfo info = Value("dog or cat");
  info.NonMatching = true;
  EXPECT_FALSE(Keywords(info, "dog bark"));
  EXPECT_TRUE(Keywords(info, "water rain"));
  // Non-matching has no say over a range.
  TwwFieldInfo range = Range("a", "m");
  range.NonMatching = true;
  EXPECT_TRUE(TestCriterion(range, ftString, TVariant("dog"), {}));
}

TEST(FilterMatch, AnEmptyTermNeverMatches) {
  EXPECT_FALSE(Keywords(Value("dog or or cat"), "hotdog"));
  EXPECT_TRUE(Keywords(Value("dog or or cat"), "cat"));
  EXPECT_FALSE(Keywords(Value("dog and and cat", fdMatchAny), "dog cat"));
  // Blanks after a trailing operator word are no term of their own: the
  // value means the same as without them.
  EXPECT_TRUE(Keywords(Value("dog and "), "dog bark"));
  EXPECT_TRUE(Keywords(Value("dog and"), "dog bark"));
}

TEST(FilterMatch, IntegerValuesCompareAsText) {
  const TwwFieldInfo info = Value("1");
  EXPECT_TRUE(TestCriterion(info, ftSmallint, TVariant(100), {}));
  EXPECT_TRUE(TestCriterion(info, ftSmallint, TVariant(150), {}));
  EXPECT_FALSE(TestCriterion(info, ftSmallint, TVariant(21), {}));
  EXPECT_TRUE(TestCriterion(Value("5 or 7"), ftSmallint, TVariant(700), {}));
}

TEST(FilterMatch, RangesCompareTypedValues) {
  // Strings by character codes, whatever the case setting.
  TwwFieldInfo from_m = Range("M", "");
  from_m.CaseSensitive = false;
  EXPECT_TRUE(TestCriterion(from_m, ftString, TVariant("Mouse"), {}));
  EXPECT_TRUE(TestCriterion(from_m, ftString, TVariant("apple"), {}));
  EXPECT_FALSE(TestCriterion(from_m, ftString, TVariant("Lion"), {}));

  const TwwFieldInfo cats = Range("100", "500");
  EXPECT_TRUE(TestCriterion(cats, ftSmallint, TVariant(100), {}));
  EXPECT_TRUE(TestCriterion(cats, ftSmallint, TVariant(500), {}));
  EXPECT_FALSE(TestCriterion(cats, ftSmallint, TVariant(600), {}));
  EXPECT_FALSE(TestCriterion(cats, ftSmallint, TVariant(99), {}));
  EXPECT_TRUE(TestCriterion(Range("", "200"), ftInteger, TVariant(-4), {}));

  EXPECT_TRUE(TestCriterion(Range("1.5", "2.5"), ftFloat, TVariant(2.0), {}));
  EXPECT_FALSE(TestCriterion(Range("1.5", "2.5"), ftFloat, TVariant(2.75), {}));

  const TwwFieldInfo march =
      Range(DateToStr(StrToDate("2024-03-01")), DateToStr(StrToDate("2024-03-31")));
  EXPECT_TRUE(TestCriterion(march, ftDate, TVariant::FromDateTime(StrToDate("2024-03-15")), {}));
  EXPECT_FALSE(TestCriterion(march, ftDate, TVariant::FromDateTime(StrToDate("2024-04-01")), {}));

  // Booleans are not ordered; memo texts neither.
  EXPECT_TRUE(TestCriterion(Range("1", "1"), ftBoolean, TVariant(false), {}));
  EXPECT_TRUE(TestCriterion(Range("b", "c"), ftMemo, TVariant("zebra"), {}));
}

TEST(FilterMatch, NullValuesLieOutsideEveryBoundedRange) {
  EXPECT_FALSE(TestCriterion(Range("1", ""), ftInteger, TVariant::Null(), {}));
  EXPECT_FALSE(TestCriterion(Range("", "2.5"), ftFloat, TVariant::Null(), {}));
  EXPECT_TRUE(TestCriterion(Range("", ""), ftInteger, TVariant::Null(), {}));
}

TEST(FilterMatch, BoundsThatDoNotConvertRaise) {
  EXPECT_THROW(TestCriterion(Range("1x", ""), ftSmallint, TVariant(5), {}), EConvertError);
  EXPECT_THROW(TestCriterion(Range("", "soon"), ftDate, TVariant::FromDateTime(0), {}),
               EConvertError);
}
