// Fields, field definitions and data sources where no engine table is
// needed: size rules, naming, access errors, type mapping, text
// conversions and the data-source chain check.
#include <gtest/gtest.h>

#include "base/convert.h"
#include "data/dataset.h"
#include "data/datasource.h"
#include "data/field.h"
#include "data/field_defs.h"

namespace {

template <typename F> std::string ErrorOf(F &&f) {
  try {
    f();
  } catch (const Exception &e) {
    return e.Message();
  }
  return "(no error)";
}

TEST(FieldSizeRules, EachTypeAcceptsOnlyItsSizes) {
  TStringField s;
  EXPECT_EQ(s.Size(), 20);
  EXPECT_EQ(ErrorOf([&] { s.SetSize(0); }), "Invalid field size");
  EXPECT_EQ(ErrorOf([&] { s.SetSize(8193); }), "Invalid field size");
  s.SetSize(8192);
  EXPECT_EQ(s.Size(), 8192);
  EXPECT_EQ(s.DataSize(), 8193);

  TBCDField bcd;
  EXPECT_EQ(bcd.Size(), 4);
  EXPECT_EQ(ErrorOf([&] { bcd.SetSize(33); }), "Invalid field size");
  bcd.SetSize(0);
  EXPECT_EQ(bcd.DataSize(), 34);

  TBinaryField bytes;
  EXPECT_EQ(bytes.Size(), 16);
  EXPECT_EQ(ErrorOf([&] { bytes.SetSize(0); }), "Invalid field size");
  TVarBytesField var;
  var.SetSize(10);
  EXPECT_EQ(var.DataSize(), 12);

  TSmallintField small;
  EXPECT_EQ(ErrorOf([&] { small.SetSize(2); }), "Invalid field size");
  EXPECT_EQ(small.DataSize(), 2);
  TDateField date;
  TDateTimeField stamp;
  EXPECT_EQ(date.DataSize(), 4);
  EXPECT_EQ(stamp.DataSize(), 8);

  TBlobField blob;
  blob.SetSize(240);
  EXPECT_EQ(blob.Size(), 240);
  EXPECT_EQ(blob.DataSize(), 0);
}

TEST(FieldProperties, DisplayLabelAndNamingRules) {
  TStringField f;
  f.SetFieldName("TITLE");
  f.SetDisplayLabel("TITLE");
  EXPECT_EQ(f.DisplayLabel(), "TITLE");
  f.SetDisplayLabel("Title of the sound");
  EXPECT_EQ(f.DisplayLabel(), "Title of the sound");
  f.SetDisplayLabel("TITLE"); // back to the name: stored empty, reads the name
  EXPECT_EQ(f.DisplayLabel(), "TITLE");
  f.SetFieldName("NAME");
  EXPECT_EQ(f.DisplayLabel(), "NAME");
  EXPECT_EQ(ErrorOf([&] { f.SetFieldName(""); }), "Field name missing");

  EXPECT_EQ(f.DisplayWidth(), 20); // a string's default width is its size
  TSmallintField n;
  EXPECT_EQ(n.DisplayWidth(), 10);
  EXPECT_EQ(n.Alignment(), taRightJustify);
  TBooleanField b;
  EXPECT_EQ(b.DisplayWidth(), 5); // "False"
  b.SetDisplayValues("Yes;No");
  EXPECT_EQ(b.DisplayWidth(), 3);
}

TEST(FieldAccess, FieldsWithoutDatasetOrSupportRaiseTheirMessages) {
  TStringField s;
  s.SetFieldName("TITLE");
  EXPECT_EQ(ErrorOf([&] { (void)s.AsString(); }), "Field 'TITLE' has no dataset");
  EXPECT_EQ(ErrorOf([&] { s.SetAsString("x"); }), "Field 'TITLE' has no dataset");

  TBooleanField b;
  b.SetFieldName("FLAG");
  EXPECT_EQ(ErrorOf([&] { (void)b.AsDateTime(); }), "Cannot access field 'FLAG' as type DateTime");
  EXPECT_EQ(ErrorOf([&] { (void)b.AsFloat(); }), "Cannot access field 'FLAG' as type Float");
  EXPECT_EQ(ErrorOf([&] { b.SetAsInteger(1); }), "Cannot access field 'FLAG' as type Integer");

  // The placeholder texts come from the class name.
  TBlobField blob;
  blob.SetFieldName("WAV");
  EXPECT_EQ(blob.DisplayText(), "(Blob)");
  EXPECT_EQ(blob.Text(), "(Blob)");
  EXPECT_EQ(ErrorOf([&] { blob.SetText("abc"); }), "Cannot access field 'WAV' as type Text");
  TMemoField memo;
  EXPECT_EQ(memo.DisplayText(), "(Memo)");
  EXPECT_TRUE(memo.Transliterate());
  EXPECT_FALSE(blob.Transliterate());
  TGraphicField pic;
  EXPECT_EQ(pic.DisplayText(), "(Graphic)");

  // OnGetText replaces the class's conversion, told which text is wanted.
  blob.OnGetText = [](TField *, std::string &text, bool display) {
    text = display ? "shown" : "edited";
  };
  EXPECT_EQ(blob.DisplayText(), "shown");
  EXPECT_EQ(blob.Text(), "edited");
}

TEST(FieldDefs, EngineTypesAndUniqueNames) {
  struct Case {
    int type, sub, units1, units2, length;
    bool made;
    TFieldType want;
    int size;
  } cases[] = {
      {ENG_FLD_ZSTRING, 0, 24, 0, 25, true, ftString, 24},
      {ENG_FLD_INT16, 0, 0, 0, 2, true, ftSmallint, 0},
      {ENG_FLD_INT16, 0, 0, 0, 4, false, ftUnknown, 0}, // a 16-bit integer of another width
      {ENG_FLD_INT32, ENG_SUB_AUTOINC, 0, 0, 4, true, ftAutoInc, 0},
      {ENG_FLD_FLOAT, ENG_SUB_MONEY, 0, 0, 8, true, ftCurrency, 0},
      {ENG_FLD_BCD, 0, 32, 2, 18, true, ftBCD, 2},
      {ENG_FLD_BLOB, ENG_SUB_MEMO, 240, 0, 240, true, ftMemo, 240},
      {ENG_FLD_BLOB, ENG_SUB_GRAPHIC, 16, 0, 16, true, ftGraphic, 16},
      {ENG_FLD_BLOB, ENG_SUB_TYPEDBINARY, 16, 0, 16, true, ftTypedBinary, 16},
      {ENG_FLD_UINT32, 0, 0, 0, 4, true, ftInteger, 0},
      {ENG_FLD_UINT16, 0, 0, 0, 2, true, ftWord, 0},
      {ENG_FLD_VARBYTES, 0, 30, 0, 32, true, ftVarBytes, 30},
      {14, 0, 0, 0, 0, false, ftUnknown, 0},
  };
  for (const Case &c : cases) {
    TFieldType type = ftUnknown;
    int size = -1;
    EXPECT_EQ(FieldTypeFromEngine(c.type, c.sub, c.units1, c.units2, c.length, type, size), c.made)
        << c.type;
    if (c.made) {
      EXPECT_EQ(type, c.want) << c.type;
      EXPECT_EQ(size, c.size) << c.type;
    }
  }

  TFieldDefs defs(nullptr);
  defs.Add("NAME", ftString, 10);
  defs.Add("NAME_1", ftString, 10);
  EXPECT_EQ(defs.UniqueName("name"), "name_2");
  EXPECT_EQ(defs.UniqueName("OTHER"), "OTHER");
  EXPECT_EQ(defs.Find("nAmE")->FieldNo(), 1);
  EXPECT_EQ(ErrorOf([&] { defs.Find("MISSING"); }), "Field 'MISSING' not found");
  TField *made = nullptr;
  EXPECT_EQ(
      ErrorOf([&] { made = TFieldDef(&defs, "X", ftUnknown, 0, false, 3).CreateField(nullptr); }),
      "Field 'X' is of an unknown type");
  EXPECT_EQ(made, nullptr);
}

TEST(Conversions, TextsNumbersAndDates) {
  int64_t i;
  EXPECT_TRUE(TryStrToInt(" -32768 ", i));
  EXPECT_EQ(i, -32768);
  EXPECT_FALSE(TryStrToInt("1.5", i));
  EXPECT_FALSE(TryStrToInt("99999999999999999999", i));
  EXPECT_EQ(ErrorOf([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
  EXPECT_EQ(ErrorOf([] { StrToFloat("1,5"); }), "'1,5' is not a valid floating point value");

  TDateTimeValue d = StrToDate("2026-12-08");
  EXPECT_EQ(DateToStr(d), "2026-12-08");
  EXPECT_EQ(static_cast<int>(d) + kDateDelta, 739958); // days since 0001-01-01, counting from 1
  EXPECT_EQ(DateToStr(0), "1899-12-30");
  EXPECT_EQ(DateTimeToStr(StrToDateTime("2000-02-29 13:45:07")), "2000-02-29 13:45:07");
  EXPECT_EQ(ErrorOf([] { StrToDate("2001-02-29"); }), "'2001-02-29' is not a valid date");
  EXPECT_EQ(TimeToStr(StrToTime("23:59:59.5")), "23:59:59.500");

  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatFloat("0.0", -0.04), "0.0");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("#.##' kg'", 2.5), "2.5 kg");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", StrToDateTime("2026-01-02 03:04")),
            "02/01/2026 03:04");
}

// A detail dataset whose master data source is given.
class DetailDataSet : public TDataSet {
public:
  TDataSource *master = nullptr;

protected:
  TDataSource *GetDataSource() const override { return master; }
};

TEST(DataSourceChain, CircularLinksAreRefused) {
  DetailDataSet a, b;
  TDataSource sa, sb;
  sa.SetDataSet(&a);
  b.master = &sa; // b is a detail of a
  sb.SetDataSet(&b);
  a.master = &sb; // and a of b: a loop
  TDataSource other;
  EXPECT_EQ(ErrorOf([&] { sa.SetDataSet(&b); }), "Circular datalinks are not allowed");
  EXPECT_EQ(sa.DataSet(), &a);
  other.SetDataSet(&b); // a source outside the loop is fine
  EXPECT_EQ(other.DataSet(), &b);
  a.master = nullptr;

  // A closed dataset: sources and links stay inactive.
  EXPECT_EQ(sa.State(), dsInactive);
  EXPECT_EQ(ErrorOf([&] { a.First(); }), "Cannot perform this operation on a closed dataset");
  sa.SetEnabled(false);
  EXPECT_EQ(sa.State(), dsInactive);
}

} // namespace
