#include "app/unit1.h"

#include "app/glyphs.h"
#include "app/unit4.h"
#include "data/session.h"

TForm1 *Form1 = nullptr;

const TForm1::TCategory TForm1::kCategories[9] = {
    {"BitBtn1", "&Animals", 16, 3, "CATEGORY=100", "Animals"},
    {"BitBtn2", "&Cartoons", 56, 4, "CATEGORY=200", "Cartoons"},
    {"BitBtn3", "&Explosions", 96, 5, "CATEGORY=300", "Explosions and guns"},
    {"BitBtn4", "&Household", 136, 6, "CATEGORY=400", "Household"},
    {"BitBtn10", "&Machines", 176, 12, "CATEGORY=500", "Machines"},
    {"BitBtn5", "&Nature", 216, 7, "CATEGORY=600", "Nature"},
    {"BitBtn6", "&People", 256, 8, "CATEGORY=700", "People"},
    {"BitBtn7", "&Windows", 296, 9, "CATEGORY=800", "Windows"},
    {"BitBtn8", "P&ot Luck", 336, 10, "CATEGORY=900", "Pot Luck"},
};

namespace {
constexpr const char *kAllLabel = "ALL Sound Effects";
} // namespace

TForm1::TForm1(TComponent *owner) : TForm(owner) {
  SetName("Form1");
  SetCaption("Brenx Bonus Sound Effects Collection");
  SetDesignBounds(278, 202, 588, 440);
  SetPosition(poScreenCenter);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-ScaleDesign(11));
  Font().SetColor(clWindowText);

  // One place per component, in creation order; the components of the
  // tables, the player bar (PDBMultiMedia1, PDBMediaPlayer1: tab orders 0
  // and 1) and the grid (DBGrid1: tab order 2) go between the labels and
  // the category buttons.
  CreateBevel();
  CreateLabels();
  CreateTables();
  CreatePlayerBar();
  CreateGrid();
  CreateCategoryButtons();
  CreateMainMenu();
  CreateSaveDialog();
  CreateFilterDialog();
  CreateSearchDialog();

  OnCreate = [this](TObject *sender) { FormCreate(sender); };
}

void TForm1::CreateBevel() {
  Bevel1 = new TBevel(this);
  Bevel1->SetName("Bevel1");
  Bevel1->SetParent(this);
  Bevel1->SetDesignBounds(8, 8, 569, 377);
  Bevel1->SetShape(bsFrame);
}

void TForm1::CreateTables() {
  auto table = [this](const char *name) {
    auto *t = new TwwTable(this);
    t->SetName(name);
    t->SetDatabaseName("sound");
    t->SetTableName("bonussfx.db");
    t->SetReadOnly(true);
    t->SetSyncSQLByRange(true);
    t->SetNarrowSearch(false);
    t->SetValidateWithMask(true);
    return t;
  };
  wwTable1 = table("wwTable1");
  wwTable2 = table("wwTable2");

  auto field = [this](TField *f, const char *name, const char *field_name, int size) {
    f->SetName(name);
    f->SetFieldName(field_name);
    if (size != 0) f->SetSize(size);
    f->SetDataSet(wwTable1);
  };
  wwTable1CATEGORY = new TSmallintField(this);
  field(wwTable1CATEGORY, "wwTable1CATEGORY", "CATEGORY", 0);
  wwTable1TITLE = new TStringField(this);
  field(wwTable1TITLE, "wwTable1TITLE", "TITLE", 24);
  wwTable1KEYWORDS = new TStringField(this);
  field(wwTable1KEYWORDS, "wwTable1KEYWORDS", "KEYWORDS", 240);
  wwTable1WAV = new TBlobField(this);
  wwTable1WAV->SetBlobType(ftBlob);
  field(wwTable1WAV, "wwTable1WAV", "WAV", 240);
}

void TForm1::CreateLabels() {
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(this);
  Label1->SetDesignBounds(104, 352, 83, 13);
  Label1->SetCaption("Present category:");

  Label2 = new TLabel(this);
  Label2->SetName("Label2");
  Label2->SetParent(this);
  Label2->SetAutoSize(false);
  Label2->SetDesignBounds(192, 352, 113, 13);
  Label2->SetCaption("Label2");
  Label2->SetColor(clRed);
}

// The player bar: Play, Pause and Stop for the current row's sound.
void TForm1::CreatePlayerBar() {
  // The data source is made here, before the viewer and the grid that are
  // bound to it; its dataset is the browsed table.
  wwDataSource1 = new TwwDataSource(this);
  wwDataSource1->SetName("wwDataSource1");
  wwDataSource1->SetDataSet(wwTable1);

  // The invisible viewer loads the current row's sound into the player bar
  // whenever the row changes; nothing plays until the user presses Play.
  PDBMultiMedia1 = new TPDBMultiMedia(this);
  PDBMultiMedia1->SetName("PDBMultiMedia1");
  PDBMultiMedia1->SetVisible(false);
  PDBMultiMedia1->SetParent(this);
  PDBMultiMedia1->SetDesignBounds(136, 0, 41, 33);
  PDBMultiMedia1->SetTabOrder(0);
  PDBMultiMedia1->SetDataEngine(deEngine);
  PDBMultiMedia1->SetAutoPlayMultiMedia(false);
  PDBMultiMedia1->SetAutoRePlayMultiMedia(false);
  PDBMultiMedia1->SetAutoHideMediaPlayer(false);
  // A folder name from another system: it does not exist here, so the
  // temporary sound files go to the user's private temporary folder.
  PDBMultiMedia1->SetPathForTempFile("C:\\");
  PDBMultiMedia1->SetTempWAV("$$$.WAV");
  PDBMultiMedia1->SetTempMID("$$$.MID");
  PDBMultiMedia1->SetTempRMI("$$$.RMI");
  PDBMultiMedia1->SetTempAVI("$$$.AVI");
  PDBMultiMedia1->SetTempMov("$$$.MOV");
  PDBMultiMedia1->SetImageReadRes(lAutoMatic);
  PDBMultiMedia1->SetImageDither(true);
  PDBMultiMedia1->SetJPegSaveQuality(25);
  PDBMultiMedia1->SetUpdateAs(pfTIF);

  PDBMediaPlayer1 = new TPDBMediaPlayer(this);
  PDBMediaPlayer1->SetName("PDBMediaPlayer1");
  PDBMediaPlayer1->SetParent(this);
  // The visible buttons first: the width follows from their number.
  PDBMediaPlayer1->SetVisibleButtons(Buttons({btPlay, btPause, btStop}));
  PDBMediaPlayer1->SetDesignBounds(16, 336, 85, 30);
  PDBMediaPlayer1->SetHelpContext(1200);
  PDBMediaPlayer1->SetTabOrder(1);
  PDBMediaPlayer1->SetDisplay(PDBMultiMedia1);

  PDBMultiMedia1->SetMediaPlayer(PDBMediaPlayer1);
  PDBMultiMedia1->SetDataField("WAV");
  PDBMultiMedia1->SetDataSource(wwDataSource1);
}

void TForm1::CreateGrid() {
  DBGrid1 = new TDBGrid(this);
  DBGrid1->SetName("DBGrid1");
  DBGrid1->SetParent(this);
  DBGrid1->SetDesignBounds(16, 16, 409, 313);
  DBGrid1->SetHelpContext(1300);
  DBGrid1->SetTabOrder(2);
  DBGrid1->TitleFont().Assign(&Font());
  // Two columns of the window's own: they keep their widths whatever the
  // fields' display widths.
  DBGrid1->Columns()->BeginUpdate();
  TColumn *title = DBGrid1->Columns()->Add();
  title->SetFieldName("TITLE");
  title->SetWidth(ScaleDesign(110));
  TColumn *keywords = DBGrid1->Columns()->Add();
  keywords->SetFieldName("KEYWORDS");
  keywords->SetWidth(ScaleDesign(375));
  DBGrid1->Columns()->EndUpdate();
  DBGrid1->SetDataSource(wwDataSource1);
}

void TForm1::CreateCategoryButtons() {
  TBitBtn **buttons[] = {&BitBtn1, &BitBtn2, &BitBtn3, &BitBtn4, &BitBtn5,
                         &BitBtn6, &BitBtn7, &BitBtn8, &BitBtn9, &BitBtn10};
  TNotifyEvent handlers[] = {
      [this](TObject *s) { BitBtn1Click(s); }, [this](TObject *s) { BitBtn2Click(s); },
      [this](TObject *s) { BitBtn3Click(s); }, [this](TObject *s) { BitBtn4Click(s); },
      [this](TObject *s) { BitBtn5Click(s); }, [this](TObject *s) { BitBtn6Click(s); },
      [this](TObject *s) { BitBtn7Click(s); }, [this](TObject *s) { BitBtn8Click(s); },
      [this](TObject *s) { BitBtn9Click(s); }, [this](TObject *s) { BitBtn10Click(s); }};
  // Made in component-number order, which is also the tab order.
  for (int n = 1; n <= 10; ++n) {
    auto *b = new TBitBtn(this);
    *buttons[n - 1] = b;
    b->SetName("BitBtn" + std::to_string(n));
    b->SetParent(this);
    b->OnClick = handlers[n - 1];
    if (n == 9) {
      b->SetDesignBounds(312, 336, 121, 38);
      b->SetCaption("A&LL");
      b->SetHelpContext(1100);
      b->SetTabOrder(11);
      continue;
    }
    for (int i = 0; i < 9; ++i) {
      const TCategory &c = kCategories[i];
      if (b->Name() != c.button) continue;
      b->SetDesignBounds(440, c.top, 121, 38);
      b->SetCaption(c.caption);
      b->SetHelpContext(1000);
      b->SetTabOrder(c.tab_order);
      TBitmap glyph;
      glyph.LoadFromImage(CategoryPicture(static_cast<TCategoryPicture>(i)));
      b->SetGlyph(glyph);
    }
  }
}

TMenuItem *TForm1::AddMenuItem(TMenuItem *parent, const char *name, const char *caption,
                               int help_context, TNotifyEvent handler) {
  auto *item = new TMenuItem(this);
  item->SetName(name);
  item->SetCaption(caption);
  item->SetHelpContext(help_context);
  item->OnClick = std::move(handler);
  parent->Add(item);
  return item;
}

void TForm1::CreateMainMenu() {
  MainMenu1 = new TMainMenu(this);
  MainMenu1->SetName("MainMenu1");
  TMenuItem *root = MainMenu1->Items();
  File1 = AddMenuItem(root, "File1", "&File", 0, nullptr);
  Save1 = AddMenuItem(File1, "Save1", "&Save", 1800, [this](TObject *s) { Save1Click(s); });
  Exit1 = AddMenuItem(File1, "Exit1", "E&xit", 1900, [this](TObject *s) { Exit1Click(s); });
  Search1 = AddMenuItem(root, "Search1", "&Search", 0, nullptr);
  CustomFilter1 = AddMenuItem(Search1, "CustomFilter1", "&Custom Filter", 1400,
                              [this](TObject *s) { CustomFilter1Click(s); });
  Lookup1 =
      AddMenuItem(Search1, "Lookup1", "&Lookup", 1500, [this](TObject *s) { Lookup1Click(s); });
  Help1 = AddMenuItem(root, "Help1", "&Help", 0, nullptr);
  Contents1 =
      AddMenuItem(Help1, "Contents1", "&Contents", 1600, [this](TObject *s) { Contents1Click(s); });
  About1 = AddMenuItem(Help1, "About1", "&About", 0, [this](TObject *s) { About1Click(s); });
  SetMenu(MainMenu1);
}

void TForm1::CreateSaveDialog() {
  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->SetName("SaveDialog1");
  SaveDialog1->SetDefaultExt("wav");
  SaveDialog1->SetFilter("Wav|*.wav|All types|*.*");
  SaveDialog1->SetFileEditStyle(fsEdit);
}

void TForm1::CreateFilterDialog() {
  wwFilterDialog1 = new TwwFilterDialog(this);
  wwFilterDialog1->SetName("wwFilterDialog1");
  wwFilterDialog1->SetDataSource(wwDataSource1);
  wwFilterDialog1->SetCaption("Custom Filter");
  wwFilterDialog1->SetFilterMethod(fdByFilter);
  wwFilterDialog1->SetSortBy(fdSortByFieldNo);
  wwFilterDialog1->SetDefaultMatchType(fdMatchStart);
  wwFilterDialog1->SetDefaultFilterBy(fdSmartFilter);
  wwFilterDialog1->SetDefaultField("KEYWORDS");
  wwFilterDialog1->FieldOperators()->SetOrChar("or");
  wwFilterDialog1->FieldOperators()->SetAndChar("and");
  wwFilterDialog1->FieldOperators()->SetNullChar("null");
  wwFilterDialog1->SetFilterOptimization(fdNone);
}

void TForm1::CreateSearchDialog() {
  wwSearchDialog1 = new TwwSearchDialog(this);
  wwSearchDialog1->SetName("wwSearchDialog1");
  wwSearchDialog1->SetSearchTable(wwTable1);
  wwSearchDialog1->SetShadowSearchTable(wwTable2);
  wwSearchDialog1->SetCaption("Search");
  TStringList selected;
  selected.Add("KEYWORDS\t240\tKEYWORDS");
  selected.Add("TITLE\t24\tTITLE");
  wwSearchDialog1->SetSelected(selected);
  wwSearchDialog1->SetGridTitleAlignment(taLeftJustify);
  wwSearchDialog1->SetGridColor(clWhite);
  wwSearchDialog1->SetGridOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                  dgRowLines | dgTabs | dgRowSelect | dgAlwaysShowSelection |
                                  dgConfirmDelete | dgPerfectRowFit);
  wwSearchDialog1->SetMaxWidth(0);
  wwSearchDialog1->SetMaxHeight(209);
  wwSearchDialog1->SetCharCase(ecNormal);
}

void TForm1::FormCreate(TObject *Sender) {
  (void)Sender;
  // A failure in any step (no engine, no alias, no table, a refused
  // password) leaves the rest undone; the window still opens.
  Session->AddPassword("walrus");
  wwTable1->Open();
  wwTable2->Open();
  Label2->SetCaption(kAllLabel);
}

void TForm1::ChooseCategory(int index) {
  const TCategory &c = kCategories[index];
  // Criteria of an earlier custom filter are forgotten; the rows are read
  // again below, so they show the whole category.
  wwFilterDialog1->ClearFilter();
  // Setting the same text again keeps the engine's filter; switching
  // filtering on (again) goes to the first row of the category.
  wwTable1->SetFilter(c.filter);
  wwTable1->SetFiltered(true);
  Label2->SetCaption(c.label);
}

void TForm1::BitBtn1Click(TObject *) {
  ChooseCategory(0);
}
void TForm1::BitBtn2Click(TObject *) {
  ChooseCategory(1);
}
void TForm1::BitBtn3Click(TObject *) {
  ChooseCategory(2);
}
void TForm1::BitBtn4Click(TObject *) {
  ChooseCategory(3);
}
void TForm1::BitBtn10Click(TObject *) {
  ChooseCategory(4);
}
void TForm1::BitBtn5Click(TObject *) {
  ChooseCategory(5);
}
void TForm1::BitBtn6Click(TObject *) {
  ChooseCategory(6);
}
void TForm1::BitBtn7Click(TObject *) {
  ChooseCategory(7);
}
void TForm1::BitBtn8Click(TObject *) {
  ChooseCategory(8);
}

void TForm1::BitBtn9Click(TObject *) {
  // The custom filter's criteria are forgotten and the filter text stays;
  // switching filtering off reads every row again.
  wwFilterDialog1->ClearFilter();
  wwTable1->SetFiltered(false);
  Label2->SetCaption(kAllLabel);
}

void TForm1::CustomFilter1Click(TObject *) {
  // The filter dialog runs first; whatever its answer, the label follows.
  wwFilterDialog1->Execute();
  Label2->SetCaption("User entered filter");
}

void TForm1::Lookup1Click(TObject *) {
  // Filtering off, the label, then the lookup dialog; choosing a row there
  // makes it the current row here. The dialog's answer needs no action.
  wwTable1->SetFiltered(false);
  Label2->SetCaption("ALL Soundeffects");
  wwSearchDialog1->Execute();
}

void TForm1::Save1Click(TObject *) {
  // The current row's sound, byte for byte, whatever the file's extension;
  // no current row or an empty sound gives an empty file.
  if (SaveDialog1->Execute()) wwTable1WAV->SaveToFile(SaveDialog1->FileName());
}

void TForm1::Exit1Click(TObject *) {
  Close();
}

void TForm1::Contents1Click(TObject *) {
  Application->HelpCommand(HELP_CONTENTS, 0);
}

void TForm1::About1Click(TObject *) {
  auto *box = new TAboutBox1(Application);
  try {
    box->ShowModal();
  } catch (...) {
    box->Release();
    throw;
  }
  box->Release();
}
