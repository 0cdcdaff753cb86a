#include "app/win32/FMagicWords.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/RowEditor.h"
#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"

namespace {

TEdit* NewEdit(TForm* form, int left, int top, int width) {
  auto* edit = new TEdit(form);
  edit->TabStop = true;
  edit->SetBounds(left, top, width, 23);
  edit->SetParent(form);
  return edit;
}

}  // namespace

TMagicWordsForm::TMagicWordsForm(TComponent* owner, bool adding, TMagicWordRows& rows)
    : TForm(owner), FAdding(adding), FRows(rows) {
  CreateComponents();
  TranslateComponents(*this);
}

TMagicWordsForm::~TMagicWordsForm() { eExecuteString->SetAcceptFiles(false); }

void TMagicWordsForm::CreateComponents() {
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poOwnerFormCenter;
  StayOnTop = true;
  SetClientSize(527, 308);

  lblNote = new TLabel(this);
  lblNote->WordWrap = true;
  lblNote->SetBounds(10, 10, 507, 32);
  lblNote->SetCaption(
      "You can drag and drop executable from Windows Explorer to Execute string to automaticaly fill the fields.");
  lblNote->SetParent(this);

  const int left = 130, top = 52, step = 32;
  eMagicWord = NewEdit(this, left, top, 150);
  eDescription = NewEdit(this, left, top + step, 385);
  eExecuteString = NewEdit(this, left, top + 2 * step, 355);
  btnBrowse = new TButton(this);
  btnBrowse->SetCaption("...");
  btnBrowse->TabStop = true;
  btnBrowse->SetBounds(left + 360, top + 2 * step, 25, 23);
  btnBrowse->SetParent(this);
  ePath = NewEdit(this, left, top + 3 * step, 385);
  eParams = NewEdit(this, left, top + 4 * step, 385);
  lblMagicWord = AddFocusLabel(*this, "&Magic word:", 10, top + 3, 120, eMagicWord);
  lblDescription = AddFocusLabel(*this, "&Description:", 10, top + step + 3, 120, eDescription);
  lblExecuteString = AddFocusLabel(*this, "&Execute string:", 10, top + 2 * step + 3, 120, eExecuteString);
  lblPath = AddFocusLabel(*this, "Pat&h:", 10, top + 3 * step + 3, 120, ePath);
  lblParams = AddFocusLabel(*this, "&Parameters:", 10, top + 4 * step + 3, 120, eParams);

  cbRunAs = new TCheckBox(this);
  cbRunAs->SetCaption("Run as administrator");
  cbRunAs->TabStop = true;
  cbRunAs->SetBounds(left, top + 5 * step, 250, 20);
  cbRunAs->SetParent(this);

  // OK checks the word before it closes.
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 270, 516, mrNone);
  ActiveControl = eMagicWord;

  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->Filter = "Executable files (*.exe)|*.exe|All files (*.*)|*.*";

  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  btnBrowse->OnClick = [this](TComponent&) { btnBrowseClick(); };
  eExecuteString->OnDropFiles = [this](TEdit&, const std::vector<std::string>& files) { FilesDropped(files); };
  eExecuteString->SetAcceptFiles(true);
}

void TMagicWordsForm::ShowRow(const TMagicWordRow& row) {
  eMagicWord->SetText(row.MagicWord);
  eDescription->SetText(row.Description);
  eExecuteString->SetText(row.ExecuteString);
  eParams->SetText(row.Parameters);
  cbRunAs->SetChecked(row.RunAsAdmin);
  ePath->SetText(row.Path);
}

TMagicWordRow TMagicWordsForm::Row() const {
  TMagicWordRow row;
  row.MagicWord = eMagicWord->Text();
  row.Description = eDescription->Text();
  row.ExecuteString = eExecuteString->Text();
  row.Parameters = eParams->Text();
  row.RunAsAdmin = cbRunAs->Checked();
  row.Path = ePath->Text();
  return row;
}

void TMagicWordsForm::btnOkClick() {
  // Two words differing only in case would be one word to the search.
  const std::string word = eMagicWord->Text();
  if (FAdding && FindMagicWordRow(FRows, word) >= 0)
    ShowErrorAndAbort(TranslateFormat("Magic word %s already exists.", {word}));
  ModalResult = mrOk;
}

void TMagicWordsForm::btnBrowseClick() {
  if (OpenDialog1->Execute()) eExecuteString->SetText(OpenDialog1->FileName);
}

void TMagicWordsForm::FilesDropped(const std::vector<std::string>& files) {
  if (files.empty()) return;
  const std::string file = Trim(files.front());
  const std::string name = ExtractFileNameNoExt(file);
  eMagicWord->SetText(name);
  eDescription->SetText(name);
  eExecuteString->SetText(file);
  ePath->SetText(IncludeTrailingBackslash(ExtractFilePath(file)));
}

void EditMagicWord(TComponent* owner, bool adding, TMagicWordRows& rows) {
  if (!adding && !rows.HasSelection()) return;
  TMagicWordsForm form(owner, adding, rows);
  RunRowEditor(form, adding, rows, "Add magic word", "Edit magic word");
}
