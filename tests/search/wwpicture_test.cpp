// Picture masks: the mask language, the results and the conversions, and
// the check a table makes before posting.
#include <gtest/gtest.h>

#include <cstring>

#include "data/field.h"
#include "search/wwpicture.h"
#include "tests/search/search_env.h"

namespace {

// The result of matching `text`, and the text as converted.
std::pair<TPicResult, std::string> Match(const std::string &mask, std::string text,
                                         bool fill = false) {
  TwwPictureValidator v(mask);
  TPicResult r = v.MatchPicture(text, fill);
  return {r, text};
}

} // namespace

TEST(PictureTest, DigitsLettersAndConversions) {
  EXPECT_EQ(Match("###", "123").first, prComplete);
  EXPECT_EQ(Match("###", "12").first, prIncomplete);
  EXPECT_EQ(Match("###", "1234").first, prError);
  EXPECT_EQ(Match("###", "1a3").first, prError);
  EXPECT_EQ(Match("###", "").first, prEmpty);
  EXPECT_EQ(Match("&&", "ab"), std::make_pair(prComplete, std::string("AB")));
  EXPECT_EQ(Match("~~", "AB"), std::make_pair(prComplete, std::string("ab")));
  EXPECT_EQ(Match("!@", "x!"), std::make_pair(prComplete, std::string("X!")));
  EXPECT_EQ(Match("??", "a1").first, prError);
  EXPECT_EQ(Match("&", "é"), std::make_pair(prComplete, std::string("É")))
      << "letters beyond ASCII";
  // Literals compare ignoring case and are stored as the mask writes them.
  EXPECT_EQ(Match("AB-#", "ab-1"), std::make_pair(prComplete, std::string("AB-1")));
  // A blank typed where a literal is due becomes that literal.
  EXPECT_EQ(Match("###-####", "555 "), std::make_pair(prIncomplete, std::string("555-")));
  EXPECT_EQ(Match("#;*#", "1*2").first, prComplete);
  EXPECT_EQ(Match("#;*#", "1x2").first, prError);
}

TEST(PictureTest, RepetitionsOptionalPartsAndAlternatives) {
  EXPECT_EQ(Match("*#", "1").first, prComplete);
  EXPECT_EQ(Match("*#", "1234567890").first, prComplete);
  EXPECT_EQ(Match("*#", "12a").first, prError);
  EXPECT_EQ(Match("*3#", "12").first, prIncomplete);
  EXPECT_EQ(Match("*3#", "123").first, prComplete);
  EXPECT_EQ(Match("*3#", "1234").first, prError);
  EXPECT_EQ(Match("*&-#", "abc-1"), std::make_pair(prComplete, std::string("ABC-1")));
  // A part not typed is left out; a part begun must be finished.
  EXPECT_EQ(Match("###[-##]", "123").first, prComplete);
  EXPECT_EQ(Match("###[-##]", "123-4").first, prIncomplete);
  EXPECT_EQ(Match("###[-##]", "123-45").first, prComplete);
  EXPECT_EQ(Match("[#]&", "a"), std::make_pair(prComplete, std::string("A")));
  // Alternatives: the first that completes wins.
  EXPECT_EQ(Match("{Yes,No}", "n"), std::make_pair(prIncomplete, std::string("N")));
  EXPECT_EQ(Match("{Yes,No}", "no"), std::make_pair(prComplete, std::string("No")));
  EXPECT_EQ(Match("#,&&", "ab"), std::make_pair(prComplete, std::string("AB")));
  EXPECT_EQ(Match("{#,&&}x", "7X"), std::make_pair(prComplete, std::string("7x")));
}

TEST(PictureTest, AutoFillAddsTheLiteralsThatFollow) {
  EXPECT_EQ(Match("###-####", "555", true), std::make_pair(prIncomplete, std::string("555-")));
  EXPECT_EQ(Match("(###) ###", "(555", true), std::make_pair(prIncomplete, std::string("(555) ")));
  EXPECT_EQ(Match("##;-#", "12", true), std::make_pair(prIncomplete, std::string("12-")));
  EXPECT_EQ(Match("###-####", "555", false), std::make_pair(prIncomplete, std::string("555")));
  EXPECT_EQ(Match("##/##", "12/3", true).second, "12/3") << "nothing to fill before a digit";

  TwwPictureValidator filling("###-####", true);
  std::string typed = "555";
  EXPECT_TRUE(filling.CheckInput(typed, false));
  EXPECT_EQ(typed, "555-");
  typed = "555";
  EXPECT_TRUE(filling.CheckInput(typed, true));
  EXPECT_EQ(typed, "555") << "fill suppressed";
  typed = "55x";
  EXPECT_FALSE(filling.CheckInput(typed, false));
  EXPECT_FALSE(filling.CheckText("555-12"));
  EXPECT_TRUE(filling.CheckText("555-1234"));
  EXPECT_TRUE(filling.CheckText(""));
  EXPECT_TRUE(TwwPictureValidator("").CheckText("anything"));
}

TEST(PictureTest, MalformedMasksAreSyntaxErrors) {
  for (const char *mask : {"", "##;", "#*", "[#", "#]", "{#", "#}", "{#,[#}]"})
    EXPECT_EQ(Match(mask, "1").first, prSyntax) << mask;
  EXPECT_EQ(Match(";*", "*").first, prComplete) << "a literal star may end the mask";
  EXPECT_EQ(Match("#;[", "1[").first, prComplete);
  EXPECT_FALSE(TwwPictureValidator("##;").CheckText("12"));
}

namespace {

// A writable copy of the catalogue with the table's own picture on TITLE.
void MakeMaskedTable(const std::string &name) {
  EngFldDesc fields[] = {
      FieldDesc(1, "CATEGORY", ENG_FLD_INT16, 0), FieldDesc(2, "TITLE", ENG_FLD_ZSTRING, 24),
      FieldDesc(3, "KEYWORDS", ENG_FLD_ZSTRING, 240), FieldDesc(4, "WAV", ENG_FLD_BLOB, 240)};
  EngIdxDesc indexes[] = {IndexDesc("", 2, true, false)};
  EngVChkDesc check;
  std::memset(&check, 0, sizeof check);
  check.fieldNum = 2;
  std::strcpy(check.picture, "&*?");
  EngTableDesc desc;
  std::memset(&desc, 0, sizeof desc);
  std::strncpy(desc.name, name.c_str(), sizeof desc.name - 1);
  desc.fieldCount = 4;
  desc.fields = fields;
  desc.indexCount = 1;
  desc.indexes = indexes;
  desc.checkCount = 1;
  desc.checks = &check;
  TDatabase *db = Session->OpenDatabase("sound");
  Check(EngineCreateTable(db->Handle(), &desc));
  Session->CloseDatabase(db);
}

} // namespace

TEST(PictureTest, ATableChecksItsMasksBeforePosting) {
  MakeMaskedTable("masked.db");
  TwwTable t(nullptr);
  t.SetDatabaseName("sound");
  t.SetTableName("masked.db");
  t.PictureMasks().Add("CATEGORY\t###\tT\tF");
  t.PictureMasks().Add("title\t#\tT\tF");
  t.Open();
  TField *invalid = nullptr;
  t.OnInvalidValue = [&](TDataSet *, TField *f) { invalid = f; };

  t.Insert();
  t.FieldByName("CATEGORY")->SetAsInteger(1000);
  t.FieldByName("TITLE")->SetAsString("Gong");
  EXPECT_EQ(MessageOf([&] { t.Post(); }), "Invalid characters. Field : CATEGORY");
  EXPECT_EQ(invalid, t.FieldByName("CATEGORY"));
  EXPECT_EQ(t.State(), dsInsert) << "the record stays in edit state, nothing lost";
  EXPECT_EQ(t.FieldByName("TITLE")->AsString(), "Gong");

  // The table's own picture beats the line, which keeps its flags.
  t.FieldByName("CATEGORY")->SetAsInteger(100);
  t.FieldByName("TITLE")->SetAsString("Gong 2");
  EXPECT_EQ(MessageOf([&] { t.Post(); }), "Invalid characters. Field : TITLE");
  EXPECT_EQ(t.PictureMasks()[1], "title\t&*?\tT\tF");
  t.FieldByName("TITLE")->SetAsString("Gong");
  t.Post();
  EXPECT_EQ(t.State(), dsBrowse);

  // Without ValidateWithMask nothing is checked.
  t.SetValidateWithMask(false);
  t.Insert();
  t.FieldByName("CATEGORY")->SetAsInteger(5000);
  t.FieldByName("TITLE")->SetAsString("x9");
  t.Post();
  EXPECT_EQ(t.State(), dsBrowse);
}
