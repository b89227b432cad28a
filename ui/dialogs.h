// Common dialogs (open and save file) and message dialogs.
#pragma once

#include <string>

#include "ui/types.h"

class QWidget;

// Dialog options (a set).
using TOpenOptions = unsigned;
constexpr TOpenOptions ofOverwritePrompt = 1u << 0;
constexpr TOpenOptions ofHideReadOnly = 1u << 1;
constexpr TOpenOptions ofFileMustExist = 1u << 2;
constexpr TOpenOptions ofNoChangeDir = 1u << 3;

enum TFileEditStyle { fsEdit, fsComboBox };

// Chooses a file to open. Filter is "description|patterns" pairs joined by
// "|" ("Wav|*.wav|All types|*.*"); FilterIndex counts from 1.
class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent *owner) : TComponent(owner) {}
  const std::string &FileName() const { return file_name_; }
  void SetFileName(const std::string &name) { file_name_ = name; }
  const std::string &DefaultExt() const { return default_ext_; }
  void SetDefaultExt(const std::string &ext) { default_ext_ = ext; }
  const std::string &Filter() const { return filter_; }
  void SetFilter(const std::string &filter) { filter_ = filter; }
  int FilterIndex() const { return filter_index_; }
  void SetFilterIndex(int index) { filter_index_ = index; }
  const std::string &InitialDir() const { return initial_dir_; }
  void SetInitialDir(const std::string &dir) { initial_dir_ = dir; }
  const std::string &Title() const { return title_; }
  void SetTitle(const std::string &title) { title_ = title; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions options) { options_ = options; }
  TFileEditStyle FileEditStyle() const { return file_edit_style_; }
  void SetFileEditStyle(TFileEditStyle style) { file_edit_style_ = style; }
  // Shows the dialog modally; true (with FileName set) when the user chose
  // a file, false when cancelled (FileName unchanged).
  virtual bool Execute();

  // The Qt name filters for a Filter text ("Wav (*.wav)", ...).
  static std::string QtNameFilters(const std::string &filter);

protected:
  bool Run(bool save);

private:
  std::string file_name_, default_ext_, filter_, initial_dir_, title_;
  int filter_index_ = 1;
  TOpenOptions options_ = ofHideReadOnly;
  TFileEditStyle file_edit_style_ = fsEdit;
};

// Chooses a file to save to. A name typed without an extension gets
// DefaultExt; an existing file is asked about only with ofOverwritePrompt.
class TSaveDialog : public TOpenDialog {
public:
  explicit TSaveDialog(TComponent *owner) : TOpenDialog(owner) {}
  bool Execute() override;
};

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYes = 1u << 0;
constexpr TMsgDlgButtons mbNo = 1u << 1;
constexpr TMsgDlgButtons mbOK = 1u << 2;
constexpr TMsgDlgButtons mbCancel = 1u << 3;
constexpr TMsgDlgButtons mbAbort = 1u << 4;
constexpr TMsgDlgButtons mbRetry = 1u << 5;
constexpr TMsgDlgButtons mbIgnore = 1u << 6;
constexpr TMsgDlgButtons mbAll = 1u << 7;
constexpr TMsgDlgButtons mbHelp = 1u << 8;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// A message dialog captioned by its type ("Warning", "Error",
// "Information", "Confirm"; the application title for mtCustom) with the
// given buttons; returns the modal result of the button chosen (mrCancel,
// or mrNo without Cancel, when closed otherwise). Help asks for
// `help_context`.
int MessageDlg(const std::string &message, TMsgDlgType type, TMsgDlgButtons buttons,
               int help_context);
void ShowMessage(const std::string &message);
