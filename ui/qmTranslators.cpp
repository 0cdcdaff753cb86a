#include "ui/qmTranslators.h"

#include "ui/ComCtrls.h"
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
  TqmTranslate::RegisterTranslator<TCheckBox>([](TqmTranslate& t, TCheckBox& c) {
    if (dynamic_cast<TRadioButton*>(&c)) return;  // a radio button is a check box here, but keeps its design texts
    TranslateCaptionAndHint(t, c);
  });
  // The page's caption is its tab's text.
  TqmTranslate::RegisterTranslator<TTabSheet>([](TqmTranslate& t, TTabSheet& c) { TranslateCaptionAndHint(t, c); });
  TqmTranslate::RegisterTranslator<TListView>([](TqmTranslate& t, TListView& list) {
    for (size_t i = 0; i < list.Columns.size(); ++i)
      list.SetColumnCaption(static_cast<int>(i), t.TranslateString(list.Columns[i].Caption));
    list.Hint = t.TranslateString(list.Hint);
  });
  TqmTranslate::RegisterTranslator<TMenuItem>([](TqmTranslate& t, TMenuItem& item) {
    item.Caption = t.TranslateString(item.Caption);
    item.Hint = t.TranslateString(item.Hint);
  });
  TqmTranslate::RegisterTranslator<TForm>(
      [](TqmTranslate& t, TForm& form) { form.SetCaption(t.TranslateString(form.Caption())); });
  TqmTranslate::RegisterTranslator<TSpeedButton>(
      [](TqmTranslate& t, TSpeedButton& c) { TranslateCaptionAndHint(t, c); });
  TqmTranslate::RegisterTranslator<TEdit>([](TqmTranslate& t, TEdit& edit) {
    if (dynamic_cast<TMemo*>(&edit)) return;  // a memo is an edit box here, but keeps its design texts
    edit.Hint = t.TranslateString(edit.Hint);
  });
  TqmTranslate::RegisterTranslator<TToolButton>(
      [](TqmTranslate& t, TToolButton& button) { button.Hint = t.TranslateString(button.Hint); });
  // The items go through the global translator; items added after the form was translated
  // (the names of the language files, say) stay as they are.
  TqmTranslate::RegisterTranslator<TComboBox>([](TqmTranslate& t, TComboBox& combo) {
    combo.Hint = t.TranslateString(combo.Hint);
    for (int i = 0; i < combo.Count(); ++i) combo.SetItemText(i, TranslateText(combo.ItemText(i)));
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
