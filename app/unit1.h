// The catalogue window: the category buttons with the present category,
// the menu, and (as their parts of the program arrive) the tables, the grid,
// the player bar and the dialogs.
#pragma once

#include <string>

#include "data/datasource.h"
#include "data/field.h"
#include "data/table.h"
#include "media/media_player.h"
#include "media/pdb_multimedia.h"
#include "search/wwfilter_dialog.h"
#include "search/wwsearch_dialog.h"
#include "search/wwtable.h"
#include "ui/buttons.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/menus.h"
#include "ui/stdctrls.h"

class TForm1 : public TForm {
public:
  explicit TForm1(TComponent *owner);

  // Visual components, in creation (and tab) order.
  TBevel *Bevel1;
  TLabel *Label1;
  TLabel *Label2;
  TPDBMultiMedia *PDBMultiMedia1;
  TPDBMediaPlayer *PDBMediaPlayer1;
  TDBGrid *DBGrid1;
  TBitBtn *BitBtn1;
  TBitBtn *BitBtn2;
  TBitBtn *BitBtn3;
  TBitBtn *BitBtn4;
  TBitBtn *BitBtn5;
  TBitBtn *BitBtn6;
  TBitBtn *BitBtn7;
  TBitBtn *BitBtn8;
  TBitBtn *BitBtn9;
  TBitBtn *BitBtn10;

  // The data source of the grid, the player bar's viewer and the dialogs;
  // its dataset is the browsed table.
  TwwDataSource *wwDataSource1;
  // The browsed catalogue table with its four persistent fields, and the
  // lookup dialog's shadow table on the same file.
  TwwTable *wwTable1;
  TSmallintField *wwTable1CATEGORY;
  TStringField *wwTable1TITLE;
  TStringField *wwTable1KEYWORDS;
  TBlobField *wwTable1WAV;
  TwwTable *wwTable2;

  // File, Save asks where to write the current row's sound.
  TSaveDialog *SaveDialog1;
  // Search, Custom Filter: criteria per field, applied to wwTable1 as a
  // record test beside the category filter.
  TwwFilterDialog *wwFilterDialog1;
  // Search, Lookup: search as you type on wwTable2, then move wwTable1.
  TwwSearchDialog *wwSearchDialog1;

  TMainMenu *MainMenu1;
  TMenuItem *File1;
  TMenuItem *Save1;
  TMenuItem *Exit1;
  TMenuItem *Search1;
  TMenuItem *CustomFilter1;
  TMenuItem *Lookup1;
  TMenuItem *Help1;
  TMenuItem *Contents1;
  TMenuItem *About1;

  void FormCreate(TObject *Sender);
  void BitBtn1Click(TObject *Sender);
  void BitBtn2Click(TObject *Sender);
  void BitBtn3Click(TObject *Sender);
  void BitBtn4Click(TObject *Sender);
  void BitBtn5Click(TObject *Sender);
  void BitBtn6Click(TObject *Sender);
  void BitBtn7Click(TObject *Sender);
  void BitBtn8Click(TObject *Sender);
  void BitBtn9Click(TObject *Sender);
  void BitBtn10Click(TObject *Sender);
  void CustomFilter1Click(TObject *Sender);
  void Lookup1Click(TObject *Sender);
  void Save1Click(TObject *Sender);
  void Exit1Click(TObject *Sender);
  void Contents1Click(TObject *Sender);
  void About1Click(TObject *Sender);

  // One row of the category table.
  struct TCategory {
    const char *button;  // component name
    const char *caption; // button caption
    int top;             // button top, at 96 dpi
    int tab_order;       //
    const char *filter;  // filter text of the browsed table
    const char *label;   // Label2's text once chosen
  };
  // The nine categories, top to bottom (BitBtn1 ... BitBtn8, BitBtn10).
  static const TCategory kCategories[9];

private:
  void CreateBevel();
  void CreateTables();
  void CreateLabels();
  void CreatePlayerBar();
  void CreateGrid();
  void CreateCategoryButtons();
  void CreateMainMenu();
  void CreateSaveDialog();
  void CreateFilterDialog();
  void CreateSearchDialog();
  TMenuItem *AddMenuItem(TMenuItem *parent, const char *name, const char *caption, int help_context,
                         TNotifyEvent handler);
  // The common steps of the category buttons.
  void ChooseCategory(int index);
};

extern TForm1 *Form1;
