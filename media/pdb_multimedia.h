// The multimedia blob viewer: a data-aware control bound to one blob field.
// At every change of the current record it reads the blob, recognises its
// content by the first bytes, and hands sounds and movies to a media player
// through a temporary file, shows pictures, or runs a text banner.
#pragma once

#include "media/banner.h"
#include "media/content_detection.h"
#include "media/media_player.h"
#include "ui/controls.h"
#include "ui/graphics.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDataSource;
class TField;
class TFieldDataLink;

enum TImageReadRes { lColorVga, lMonoChrome, lColor16, lColor256, lColorTrue, lAutoMatic };
enum TDataEngine { deEngine, deAltEngine };
// The format an edited picture is written back in.
enum TPictureFormat { pfJPG, pfBMP, pfGIF, pfPCX, pfPNG, pfTIF };

class TPDBMultiMedia : public TCustomControl {
public:
  explicit TPDBMultiMedia(TComponent *owner);
  ~TPDBMultiMedia() override;

  TDataSource *DataSource() const;
  void SetDataSource(TDataSource *source);
  const std::string &DataField() const;
  void SetDataField(const std::string &name);
  // The field the viewer is bound to (null while unbound or closed).
  TField *Field() const;
  bool ReadOnly() const;
  void SetReadOnly(bool on);
  bool AutoDisplay() const { return autoDisplay_; }
  void SetAutoDisplay(bool on);
  TPDBMediaPlayer *MediaPlayer() const { return player_; }
  void SetMediaPlayer(TPDBMediaPlayer *player);

  // The folder of the temporary media files, always ending in "/". The
  // default is the user's private temporary folder, which a folder that
  // cannot be used also falls back to.
  const std::string &PathForTempFile() const { return path_; }
  void SetPathForTempFile(const std::string &path);
  const std::string &TempWAV() const { return tempWav_; }
  void SetTempWAV(const std::string &v) { tempWav_ = v; }
  const std::string &TempMID() const { return tempMid_; }
  void SetTempMID(const std::string &v) { tempMid_ = v; }
  const std::string &TempRMI() const { return tempRmi_; }
  void SetTempRMI(const std::string &v) { tempRmi_ = v; }
  const std::string &TempAVI() const { return tempAvi_; }
  void SetTempAVI(const std::string &v) { tempAvi_ = v; }
  const std::string &TempMov() const { return tempMov_; }
  void SetTempMov(const std::string &v) { tempMov_ = v; }

  bool AutoPlayMultiMedia() const { return autoPlay_; }
  void SetAutoPlayMultiMedia(bool on) { autoPlay_ = on; }
  bool AutoRePlayMultiMedia() const { return autoRePlay_; }
  void SetAutoRePlayMultiMedia(bool on) { autoRePlay_ = on; }
  bool AutoHideMediaPlayer() const { return autoHide_; }
  void SetAutoHideMediaPlayer(bool on) { autoHide_ = on; }

  TImageReadRes ImageReadRes() const { return readRes_; }
  void SetImageReadRes(TImageReadRes r) { readRes_ = r; }
  bool ImageDither() const { return dither_; }
  void SetImageDither(bool on) { dither_ = on; }
  TDataEngine DataEngine() const { return dataEngine_; }
  void SetDataEngine(TDataEngine e) { dataEngine_ = e; }
  // UpdateAsJPG ... UpdateAsTIF: setting one on makes it the chosen format.
  TPictureFormat UpdateAs() const { return updateAs_; }
  void SetUpdateAs(TPictureFormat f) { updateAs_ = f; }
  int JPegSaveQuality() const { return jpegQuality_; }
  void SetJPegSaveQuality(int q) { jpegQuality_ = q; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  bool Center() const { return center_; }
  void SetCenter(bool on);

  // The picture shown, and whether one is.
  TPicture &Picture() { return picture_; }
  bool PictureLoaded() const { return loaded_; }
  const TBlobInfo &BlobInfo() const { return info_; }
  const TBanner &Banner() const { return banner_; }
  bool PlaybackTimerActive() const { return playbackTimer_.isActive(); }

  // Reads the current blob and shows or plays it.
  void Load();
  // The content code of the current blob ("WAV", "-1", ...).
  std::string DetectContent();
  // Deletes the temporary media files of every kind.
  void RemoveTempFiles();
  // The data link's data change: closes the player and loads the new blob.
  void DataChange();
  // One tick of the 500 ms playback timer.
  void PlaybackTick();
  // One banner step message.
  void BannerStep();

  // Shows an information message ("blobfield getinfo failed", ...). The
  // window program shows a message box; tests record the texts.
  static std::function<void(const std::string &)> &InfoMessageHook();

protected:
  void Paint() override;
  void KeyDown(Word &key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;
  void Resize() override;
  void Notification(TComponent *component, TOperation operation) override;

private:
  void InfoMessage(const std::string &text);
  void UpdateData(); // writes an edited picture back to the field
  void StopBanner();
  void StartMessageBanner(const std::string &text);
  void LoadMedia(const std::string &code, const std::vector<std::uint8_t> &blob);
  void LoadPicture(const std::string &code, const std::vector<std::uint8_t> &blob);
  std::string TempName(const std::string &code) const;
  bool ReadBlob(std::vector<std::uint8_t> &bytes);

  std::unique_ptr<TFieldDataLink> link_;
  TPDBMediaPlayer *player_ = nullptr;
  TPicture picture_;
  bool loaded_ = false;
  TBlobInfo info_;
  TBanner banner_;
  TColor savedColor_ = clWindow;
  QTimer playbackTimer_;
  QTimer bannerTimer_;
  bool autoDisplay_ = true;
  std::string path_;
  std::string tempWav_ = "$$$.WAV", tempMid_ = "$$$.MID", tempRmi_ = "$$$.RMI",
              tempAvi_ = "$$$.AVI", tempMov_ = "$$$.MOV", tempMpg_ = "$$$.MPG";
  bool autoPlay_ = false, autoRePlay_ = false, autoHide_ = false;
  TImageReadRes readRes_ = lAutoMatic;
  bool dither_ = true;
  TDataEngine dataEngine_ = deEngine;
  bool stretch_ = false, center_ = true;
  TPictureFormat updateAs_ = pfJPG;
  int jpegQuality_ = 25;
};
