#include "core/win32/qmTranslators.h"

#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace {

// Caption and hint; an empty text stays empty.
void TranslateCaptionAndHint(TqmTranslate& translator, TWinControl& control) {
  control.SetCaption(translator.TranslateString(control.Caption()));
  control.Hint = translator.TranslateString(control.Hint);
}

}  // namespace

void RegisterControlTranslators(TqmTranslate&) {
  TqmTranslate::RegisterTranslator<TButton>([](TqmTranslate& t, TButton& c) { TranslateCaptionAndHint(t, c); });
  TqmTranslate::RegisterTranslator<TLabel>([](TqmTranslate& t, TLabel& c) { TranslateCaptionAndHint(t, c); });
  TqmTranslate::RegisterTranslator<TCheckBox>([](TqmTranslate& t, TCheckBox& c) { TranslateCaptionAndHint(t, c); });
  TqmTranslate::RegisterTranslator<TMenuItem>([](TqmTranslate& t, TMenuItem& item) {
    item.Caption = t.TranslateString(item.Caption);
    item.Hint = t.TranslateString(item.Hint);
  });
  TqmTranslate::RegisterTranslator<TForm>([](TqmTranslate& t, TForm& form) {
    form.SetCaption(t.TranslateString(form.Caption()));
  });
  TqmTranslate::RegisterTranslator<TSpeedButton>(
      [](TqmTranslate& t, TSpeedButton& c) { TranslateCaptionAndHint(t, c); });
  TqmTranslate::RegisterTranslator<TEdit>([](TqmTranslate& t, TEdit& edit) {
    edit.Hint = t.TranslateString(edit.Hint);
  });
}

void TranslateControls(TqmTranslate& translator, TWinControl& control) {
  if (translator.State() != tsTranslate) return;
  translator.TranslateComponent(control);
  for (TWinControl* child : control.Controls()) TranslateControls(translator, *child);
}

void TranslateControls(TWinControl& control) {
  if (TqmTranslate* translator = GlobalTranslate()) TranslateControls(*translator, control);
}
