#include "app/unit4.h"

#include "app/glyphs.h"

TAboutBox1::TAboutBox1(TComponent *owner) : TForm(owner) {
  SetName("AboutBox");
  SetBorderStyle(bsDialog);
  SetCaption("About Brenx Bonus Sound Effects");
  SetClientWidth(ScaleDesign(298));
  SetClientHeight(ScaleDesign(213));
  SetPosition(poScreenCenter);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-ScaleDesign(11));

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(this);
  Panel1->SetDesignBounds(8, 8, 281, 161);
  Panel1->SetBevelInner(bvRaised);
  Panel1->SetBevelOuter(bvLowered);
  Panel1->SetParentColor(true);

  ProgramIcon = new TImage(this);
  ProgramIcon->SetName("ProgramIcon");
  ProgramIcon->SetParent(Panel1);
  ProgramIcon->SetDesignBounds(40, 8, 65, 57);
  ProgramIcon->SetStretch(true);
  ProgramIcon->SetTransparent(true);
  ProgramIcon->Picture().Bitmap().LoadFromImage(ProgramIconPicture());
  ProgramIcon->Picture().Changed();

  auto label = [this](const char *name, int l, int t, int w, int h, const char *text) {
    auto *lbl = new TLabel(this);
    lbl->SetName(name);
    lbl->SetParent(Panel1);
    lbl->SetDesignBounds(l, t, w, h);
    lbl->SetCaption(text);
    return lbl;
  };
  ProductName = label("ProductName", 88, 16, 126, 13, "Brenx Bonus Sound Effects");
  Version = label("Version", 88, 40, 44, 13, "Version 3");
  Copyright = label("Copyright", 8, 80, 159, 13, "Every sound is freely licensed.");
  Comments = label("Comments", 8, 104, 265, 39,
                   "Version 3 of the catalogue browser. The README names each "
                   "sound's source and licence.");
  // The one-line labels take the width of their text; the comments wrap
  // within their box.
  Comments->SetAutoSize(false);
  Comments->SetDesignBounds(8, 104, 265, 39);
  Comments->SetWordWrap(true);
  // The stretched icon reaches under the labels beside it.
  ProgramIcon->SendToBack();

  OKButton = new TButton(this);
  OKButton->SetName("OKButton");
  OKButton->SetParent(this);
  OKButton->SetDesignBounds(111, 180, 75, 25);
  OKButton->SetCaption("OK");
  OKButton->SetDefault(true);
  OKButton->SetModalResult(mrOk);
}
