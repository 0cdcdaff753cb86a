// The translator procedures of the standard controls, and the translation of nested controls.
#pragma once

#include "core/qmTranslate.h"
#include "ui/Controls.h"

// Registers the procedures for buttons, labels, check boxes, tab sheets, list views, menu items,
// forms, flat buttons, edit boxes (not memos), tool buttons and combo boxes, in that order.
void RegisterControlTranslators(TqmTranslate& translator);

// In state tsTranslate: the control, then every control nested in it, depth first.
void TranslateControls(TqmTranslate& translator, TWinControl& control);
void TranslateControls(TWinControl& control);
