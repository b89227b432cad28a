#include "search/wwintl.h"

#include "ui/buttons.h"
#include "ui/stdctrls.h"

namespace {
TwwIntl *g_shared = nullptr;
} // namespace

void TwwFilterDialogIntl::Assign(const TPersistent *source) {
  auto *s = dynamic_cast<const TwwFilterDialogIntl *>(source);
  if (!s) return TPersistent::Assign(source);
  *this = *s;
}

void TwwSearchDialogIntl::Assign(const TPersistent *source) {
  auto *s = dynamic_cast<const TwwSearchDialogIntl *>(source);
  if (!s) return TPersistent::Assign(source);
  *this = *s;
}

void TwwLocateDialogIntl::Assign(const TPersistent *source) {
  auto *s = dynamic_cast<const TwwLocateDialogIntl *>(source);
  if (!s) return TPersistent::Assign(source);
  *this = *s;
}

void TwwUserMessagesIntl::Assign(const TPersistent *source) {
  auto *s = dynamic_cast<const TwwUserMessagesIntl *>(source);
  if (!s) return TPersistent::Assign(source);
  const std::string keep = RecordViewExitWarning;
  *this = *s;
  RecordViewExitWarning = keep;
}

TwwIntl::TwwIntl(TComponent *owner) : TComponent(owner) {}

TwwIntl::~TwwIntl() {
  if (g_shared == this) g_shared = nullptr;
}

void TwwIntl::SetCheckBoxInGridStyle(TwwCheckBoxInGridStyle style) {
  check_box_style_ = style;
  if (connected_ && g_shared && g_shared != this) g_shared->check_box_style_ = style;
}

void TwwIntl::SetConnected(bool on) {
  connected_ = on;
  if (on && !IsLoading()) CopyToShared();
}

void TwwIntl::Loaded() {
  TComponent::Loaded();
  if (connected_) CopyToShared();
}

void TwwIntl::CopyToShared() {
  TwwIntl *shared = wwInternational();
  if (shared == this) return;
  shared->filter_dialog_.Assign(&filter_dialog_);
  shared->search_dialog_.Assign(&search_dialog_);
  shared->locate_dialog_.Assign(&locate_dialog_);
  shared->user_messages_.Assign(&user_messages_);
  shared->ok_cancel_bitmapped_ = ok_cancel_bitmapped_;
  shared->btn_ok_caption_ = btn_ok_caption_;
  shared->btn_cancel_caption_ = btn_cancel_caption_;
  shared->check_box_style_ = check_box_style_;
  shared->dialog_font_style_ = dialog_font_style_;
  shared->flag1_ = flag1_;
  shared->flag2_ = flag2_;
}

TwwIntl *wwInternational() {
  if (!g_shared) g_shared = new TwwIntl(Application);
  return g_shared;
}

TButton *CreateDialogButton(TForm *form, TwwDialogButtonKind kind) {
  TwwIntl *intl = wwInternational();
  const int ppi = Screen ? Screen->PixelsPerInch() : 96;
  TButton *button;
  if (intl->OKCancelBitmapped()) {
    auto *b = new TBitBtn(form);
    TBitBtnKind glyph_kind = kind == wwbkOK ? bkOK : kind == wwbkCancel ? bkCancel : bkHelp;
    DrawKindGlyph(glyph_kind, b->Glyph());
    b->GlyphChanged();
    b->SetLayout(blGlyphLeft);
    b->Font().SetName("MS Sans Serif");
    b->Font().SetHeight(-11 * ppi / 96);
    b->Font().SetColor(clWindowText);
    b->Font().SetStyle(intl->DialogFontStyle());
    b->SetBounds(0, 0, 77 * ppi / 96, 27 * ppi / 96);
    button = b;
  } else {
    button = new TButton(form);
    button->SetBounds(0, 0, 77 * ppi / 96, 24 * ppi / 96);
  }
  button->SetVisible(false);
  button->SetParent(form);
  switch (kind) {
  case wwbkOK:
    button->SetCaption(intl->BtnOKCaption());
    button->SetModalResult(mrOk);
    break;
  case wwbkCancel:
    button->SetCaption(intl->BtnCancelCaption());
    button->SetModalResult(mrCancel);
    button->SetCancel(true);
    break;
  case wwbkHelp:
    button->SetCaption("Help");
    break;
  }
  return button;
}
