// A push button with a glyph beside its caption. The glyph's bottom-left
// pixel colour is transparent; with NumGlyphs 2 the right half of the
// bitmap is the disabled look. Kind sets the caption, glyph, modal result
// and Default/Cancel of the common dialog buttons.
#pragma once

#include "ui/stdctrls.h"

enum TBitBtnKind {
  bkCustom,
  bkOK,
  bkCancel,
  bkHelp,
  bkYes,
  bkNo,
  bkClose,
  bkAbort,
  bkRetry,
  bkIgnore,
  bkAll
};
enum TButtonLayout { blGlyphLeft, blGlyphRight };

class TBitBtn : public TButton {
public:
  explicit TBitBtn(TComponent *owner);
  TBitmap &Glyph() { return glyph_; }
  // Call after changing Glyph() in place (SetGlyph does it).
  void GlyphChanged();
  void SetGlyph(const TBitmap &bitmap);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int n);
  TBitBtnKind Kind() const { return kind_; }
  void SetKind(TBitBtnKind kind);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  int Spacing() const { return spacing_; }
  void SetSpacing(int spacing) { spacing_ = spacing; }
  // bkClose closes the form, bkHelp asks for the nearest help topic.
  void Click() override;

private:
  TBitmap glyph_;
  int num_glyphs_ = 1;
  int spacing_ = 4;
  TBitBtnKind kind_ = bkCustom;
  TButtonLayout layout_ = blGlyphLeft;
};

// The picture a Kind of button shows (18 by 18, olive transparent).
void DrawKindGlyph(TBitBtnKind kind, TBitmap &bitmap);
