#include "media/pdb_multimedia.h"

#include "base/exception.h"
#include "base/format.h"
#include "base/hooks.h"
#include "base/streams.h"
#include "data/blob_stream.h"
#include "data/datasource.h"
#include "data/field.h"
#include "media/private_temp.h"
#include "platform/profile/profile.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <new>
#include <unistd.h>

namespace {

bool IsMediaCode(const std::string &c) {
  return c == "WAV" || c == "MID" || c == "RMI" || c == "AVI" || c == "MOV" || c == "MPG";
}

bool IsPictureCode(const std::string &c) {
  return c == "PNG" || c == "TIF" || c == "GIF" || c == "PCX" || c == "BMP" || c == "JPG";
}

const char *CannotPlayMessage(const std::string &code) {
  if (code == "WAV") return "Wave Sound file can't be played on this computer!";
  if (code == "MID") return "Midi Sound file can't be played on this computer!";
  if (code == "RMI") return "RMI Sound file can't be played on this computer!";
  if (code == "AVI") return "AVI Movie file can't be played on this computer!";
  if (code == "MOV") return "MOV Quicktime Movie file can't be played on this computer!";
  return "MPG Movie file can't be played on this computer!";
}

const char *BadPictureMessage(const std::string &code) {
  if (code == "PNG") return "Invallid or empty PNG blobfield";
  if (code == "TIF") return "Invallid or empty TIF blobfield";
  if (code == "GIF") return "Invallid or empty GIF blobfield";
  if (code == "PCX") return "Invallid or empty PCX blobfield";
  if (code == "BMP") return "Invallid or empty BMP blobfield";
  return "Invallid or empty Jpeg Blobfield";
}

// Banner steps: the speed setting slows these down further.
constexpr int kBannerStepMs = 10;

} // namespace

std::function<void(const std::string &)> &TPDBMultiMedia::InfoMessageHook() {
  static std::function<void(const std::string &)> hook;
  return hook;
}

TPDBMultiMedia::TPDBMultiMedia(TComponent *owner)
    : TCustomControl(owner), link_(std::make_unique<TFieldDataLink>()) {
  link_->SetControl(this);
  link_->OnDataChange = [this](TObject *) { DataChange(); };
  link_->OnUpdateData = [this](TObject *) { UpdateData(); };
  path_ = PrivateTempFolder();
  SetBounds(Left(), Top(), 105, 105);
  SetTabStop(true);
  SetColor(clWindow);
  playbackTimer_.setInterval(500);
  QObject::connect(&playbackTimer_, &QTimer::timeout, [this] {
    try {
      PlaybackTick();
    } catch (...) {
      HandleCurrentException(this);
    }
  });
  bannerTimer_.setInterval(kBannerStepMs);
  QObject::connect(&bannerTimer_, &QTimer::timeout, [this] { BannerStep(); });
}

TPDBMultiMedia::~TPDBMultiMedia() {
  playbackTimer_.stop();
  bannerTimer_.stop();
  if (!(ComponentState() & csDesigning)) RemoveTempFiles();
  link_->OnDataChange = nullptr;
  link_->SetDataSource(nullptr);
}

// ---------------------------------------------------------------- properties

TDataSource *TPDBMultiMedia::DataSource() const {
  return link_->DataSource();
}

void TPDBMultiMedia::SetDataSource(TDataSource *source) {
  link_->SetDataSource(source);
  if (source) source->FreeNotification(this);
}

const std::string &TPDBMultiMedia::DataField() const {
  return link_->FieldName();
}
void TPDBMultiMedia::SetDataField(const std::string &name) {
  link_->SetFieldName(name);
}
TField *TPDBMultiMedia::Field() const {
  return link_->Field();
}
bool TPDBMultiMedia::ReadOnly() const {
  return link_->ReadOnly();
}
void TPDBMultiMedia::SetReadOnly(bool on) {
  link_->SetReadOnly(on);
}

void TPDBMultiMedia::SetAutoDisplay(bool on) {
  if (autoDisplay_ == on) return;
  autoDisplay_ = on;
  if (on) Load();
}

void TPDBMultiMedia::SetMediaPlayer(TPDBMediaPlayer *player) {
  player_ = player;
  if (player) player->FreeNotification(this);
}

void TPDBMultiMedia::SetPathForTempFile(const std::string &path) {
  std::string p = path;
  if (p.empty() || p.back() != '/') p += '/';
  // Only a folder that exists and can take files is taken; anything else
  // falls back to the private folder.
  path_ = FolderUsable(p) ? p : PrivateTempFolder();
}

void TPDBMultiMedia::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}

void TPDBMultiMedia::SetCenter(bool on) {
  center_ = on;
  Invalidate();
}

void TPDBMultiMedia::Notification(TComponent *component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == player_) player_ = nullptr;
  if (link_ && component == link_->DataSource()) link_->SetDataSource(nullptr);
}

void TPDBMultiMedia::InfoMessage(const std::string &text) {
  if (auto &hook = InfoMessageHook()) hook(text);
}

// ---------------------------------------------------------------- loading

void TPDBMultiMedia::DataChange() {
  info_.Clear();
  StopBanner();
  picture_.Bitmap().LoadFromImage(QImage());
  loaded_ = false;
  playbackTimer_.stop();
  if (player_) player_->Close();
  if (!autoDisplay_) return;
  // A blob that cannot be played must not stop the data event on its way to
  // the other controls (the grid still has to show the new row): the error
  // goes to the application's handler from here.
  try {
    Load();
  } catch (...) {
    HandleCurrentException(this);
  }
  Invalidate();
}

bool TPDBMultiMedia::ReadBlob(std::vector<std::uint8_t> &bytes) {
  auto *blob = dynamic_cast<TBlobField *>(Field());
  if (!blob) return false;
  try {
    // Straight into one buffer of the blob's size: a sound of a megabyte
    // is neither copied in chunks nor moved while it grows.
    TBlobStream stream(blob, bmRead);
    const int64_t size = stream.Size();
    bytes.clear();
    bytes.resize(static_cast<std::size_t>(std::max<int64_t>(size, 0)));
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  } catch (const std::bad_alloc &) {
    InfoMessage("Error allocation Temporary blob memory");
    return false;
  }
  return true;
}

std::string TPDBMultiMedia::DetectContent() {
  TField *field = Field();
  if (field && field->IsBlob() && field->IsNull()) return "-1";
  std::vector<std::uint8_t> bytes;
  if (!ReadBlob(bytes)) return "-1";
  TDetection d = ::DetectContent(bytes.data(), bytes.size(), info_);
  if (d.PictureInfoFailed) InfoMessage("blobfield getinfo failed");
  return d.Code;
}

void TPDBMultiMedia::RemoveTempFiles() {
  if (ComponentState() & csDesigning) return;
  for (const std::string *name : {&tempMpg_, &tempMov_, &tempAvi_, &tempWav_, &tempMid_, &tempRmi_})
    ::unlink((path_ + *name).c_str());
}

std::string TPDBMultiMedia::TempName(const std::string &code) const {
  if (code == "WAV") return tempWav_;
  if (code == "MID") return tempMid_;
  if (code == "RMI") return tempRmi_;
  if (code == "AVI") return tempAvi_;
  if (code == "MOV") return tempMov_;
  return tempMpg_;
}

void TPDBMultiMedia::Load() {
  TField *field = Field();
  if (loaded_ || !dynamic_cast<TBlobField *>(field) || field->IsNull()) return;
  // One read of the blob serves both the signature and the temporary file.
  std::vector<std::uint8_t> blob;
  if (!ReadBlob(blob)) return;
  TDetection d = ::DetectContent(blob.data(), blob.size(), info_);
  if (d.PictureInfoFailed) InfoMessage("blobfield getinfo failed");
  const std::string &code = d.Code;
  if (player_) player_->Close();
  RemoveTempFiles();
  if (IsMediaCode(code)) {
    LoadMedia(code, blob);
  } else if (code == "SCM" || code == "CMS") {
    if (player_ && autoHide_) player_->SetVisible(false);
    TCursorSaver wait(crHourGlass);
    StopBanner();
    std::string text(blob.begin(), blob.end());
    savedColor_ = Color();
    if (code == "SCM") {
      TScmBanner b = ParseScmBanner(text);
      banner_.StartHorizontal(b.Style, b.Message, ClientWidth(), ClientHeight());
    } else {
      TCmsCredits c = ParseCmsCredits(text);
      banner_.StartVertical(c.Style, c.Lines, ClientWidth(), ClientHeight());
    }
    bannerTimer_.start();
    playbackTimer_.stop();
    Invalidate();
  } else if (code == "RTF") {
    // Rich text is recognised but not shown.
  } else if (IsPictureCode(code)) {
    LoadPicture(code, blob);
  } else {
    playbackTimer_.stop();
  }
}

void TPDBMultiMedia::LoadMedia(const std::string &code, const std::vector<std::uint8_t> &blob) {
  if (ComponentState() & csDesigning) return;
  char answer[26];
  GetProfileString("mci extensions", code.c_str(), "none", answer, sizeof answer);
  if (std::string(answer) == "none") {
    StartMessageBanner(CannotPlayMessage(code));
    return;
  }
  TCursorSaver wait(crHourGlass);
  StopBanner();
  if (!player_) return;
  player_->SetVisible(true);
  std::string path = path_ + TempName(code);
  WritePrivateFile(path, blob.data(), blob.size());
  player_->SetFileName(path);
  player_->Open();
  if (code == "AVI" || code == "MOV") {
    player_->SetDisplay(this);
    player_->SetDisplayRect(Rect(0, 0, Width(), Height()));
  }
  if (autoPlay_) player_->Play();
  playbackTimer_.start();
}

void TPDBMultiMedia::LoadPicture(const std::string &code, const std::vector<std::uint8_t> &blob) {
  if (player_ && autoHide_) player_->SetVisible(false);
  playbackTimer_.stop();
  // Reading depth: the screen's for lAutoMatic.
  int depth = 24;
  switch (readRes_) {
  case lColorVga:
  case lColor16:
    depth = 4;
    break;
  case lMonoChrome:
    depth = 1;
    break;
  case lColor256:
    depth = 8;
    break;
  case lColorTrue:
    depth = 24;
    break;
  case lAutoMatic: {
    QScreen *screen = QGuiApplication::primaryScreen();
    int bpp = screen ? screen->depth() : 24;
    depth = bpp <= 4 ? 4 : bpp < 16 ? 8 : 24;
    break;
  }
  }
  TCursorSaver wait(crHourGlass);
  StopBanner();
  QImage img = QImage::fromData(blob.data(), static_cast<int>(blob.size()));
  if (img.isNull()) {
    picture_.Bitmap().LoadFromImage(QImage());
    InfoMessage(BadPictureMessage(code));
    return;
  }
  auto dither = dither_ ? Qt::DiffuseDither : Qt::ThresholdDither;
  if (depth == 1)
    img = img.convertToFormat(QImage::Format_Mono, dither);
  else if (depth <= 8)
    img = img.convertToFormat(QImage::Format_Indexed8, dither);
  picture_.Bitmap().LoadFromImage(img.convertToFormat(QImage::Format_RGB32));
  loaded_ = true;
  Invalidate();
}

void TPDBMultiMedia::UpdateData() {
  auto *blob = dynamic_cast<TBlobField *>(Field());
  if (!blob) return;
  if (!loaded_) {
    blob->Clear();
    return;
  }
  static const char *const kFormats[] = {"JPEG", "BMP", "GIF", "PCX", "PNG", "TIFF"};
  const char *format = kFormats[updateAs_];
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  int quality = updateAs_ == pfJPG ? jpegQuality_ : -1;
  if (!picture_.Bitmap().image().save(&buffer, format, quality))
    throw Exception(Format("Cannot write %s pictures", {format}));
  TMemoryStream stream;
  stream.Write(bytes.constData(), bytes.size());
  stream.SetPosition(0);
  blob->LoadFromStream(stream);
}

// ---------------------------------------------------------------- timers and banners

void TPDBMultiMedia::PlaybackTick() {
  if (!player_ || !player_->Opened()) return; // nothing to watch
  if (!autoRePlay_ && player_->Mode() != mpPlaying) return;
  std::uint32_t length = player_->Length();
  // A sound of no length is at its end from the start.
  long percent =
      length == 0 ? 100 : std::lrint(double(player_->Position()) * (100.0 / double(length)));
  if (autoRePlay_ && percent >= 100 && !player_->FileName().empty()) player_->Play();
}

void TPDBMultiMedia::StopBanner() {
  if (banner_.Running() == TBanner::None) return;
  banner_.Stop();
  bannerTimer_.stop();
  SetColor(savedColor_);
  Invalidate();
}

void TPDBMultiMedia::StartMessageBanner(const std::string &text) {
  StopBanner();
  savedColor_ = Color();
  banner_.StartHorizontal(MessageBannerStyle(), text, ClientWidth(), ClientHeight());
  bannerTimer_.start();
  Invalidate();
}

void TPDBMultiMedia::BannerStep() {
  if (banner_.Step(ClientWidth(), ClientHeight())) Invalidate();
}

// ---------------------------------------------------------------- window

void TPDBMultiMedia::Resize() {
  TCustomControl::Resize();
  if (player_ && player_->Display() == this) player_->SetDisplayRect(Rect(0, 0, Width(), Height()));
}

void TPDBMultiMedia::Paint() {
  TCanvas &c = *Canvas();
  TRect r = ClientRect();
  if (banner_.Running() != TBanner::None) {
    // Drawn through a picture of the banner's current frame.
    QImage frame(std::max(1, r.Right), std::max(1, r.Bottom), QImage::Format_RGB32);
    QPainter p(&frame);
    banner_.Paint(p, r.Right, r.Bottom);
    p.end();
    TBitmap bmp;
    bmp.LoadFromImage(frame);
    c.Draw(0, 0, bmp);
  } else if (!loaded_) {
    c.Brush().SetColor(Color());
    c.Brush().SetStyle(bsSolid);
    c.FillRect(r);
    std::string label = Field() ? Field()->DisplayLabel() : Name();
    std::string text = "(" + label + ")";
    c.TextOut((r.Right - c.TextWidth(text)) / 2, (r.Bottom - c.TextHeight(text)) / 2, text);
  } else {
    c.Brush().SetColor(Color());
    c.Brush().SetStyle(bsSolid);
    c.FillRect(r);
    const TBitmap &bmp = picture_.Bitmap();
    if (stretch_) {
      c.StretchDraw(r, bmp);
    } else {
      int x = center_ ? (r.Right - bmp.Width()) / 2 : 0;
      int y = center_ ? (r.Bottom - bmp.Height()) / 2 : 0;
      c.Draw(x, y, bmp);
    }
  }
  if (Focused()) c.DrawFocusRect(InflateRect(r, -1, -1));
}

void TPDBMultiMedia::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (TabStop() && CanFocus()) SetFocus();
}

void TPDBMultiMedia::DblClick() {
  TCustomControl::DblClick();
  Load();
}

void TPDBMultiMedia::KeyDown(Word &key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  const bool ctrl = shift & ssCtrl, sh = shift & ssShift;
  QClipboard *clipboard = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                              ? QGuiApplication::clipboard()
                              : nullptr;
  if (key == VK_RETURN) {
    Load();
  } else if (key == VK_ESCAPE) {
    link_->Reset();
  } else if ((ctrl && (key == 'C' || key == VK_INSERT)) ||
             (((ctrl && key == 'X') || (sh && key == VK_DELETE)))) {
    if (loaded_ && clipboard) clipboard->setImage(picture_.Bitmap().image());
    if ((key == 'X' || key == VK_DELETE) && link_->Edit()) {
      picture_.Bitmap().LoadFromImage(QImage());
      loaded_ = false;
      link_->SetModified();
      Invalidate();
    }
  } else if (((ctrl && key == 'V') || (sh && key == VK_INSERT)) && clipboard) {
    QImage img = clipboard->image();
    if (!img.isNull() && link_->Edit()) {
      playbackTimer_.stop();
      if (player_) player_->Close();
      picture_.Bitmap().LoadFromImage(img);
      loaded_ = true;
      link_->SetModified();
      Invalidate();
    }
  }
}
