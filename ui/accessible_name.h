// The name that assistive technology reads for each control, worked out
// once from the template for every backend. An edit box or a list is named
// by its label, the static text placed next to it; Windows' own guess, the
// static text before it in template order, names the Extended Timeouts list
// "Data Rate".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/resources.h"

namespace ui {

// Whether the control is named by a label rather than by its own text.
bool IsNamedByLabel(ControlKind kind);

// The static text that names an edit box or list: the nearest one placed
// above it or to its left; null when there is none.
const ControlTemplate* LabelOf(const DialogTemplate& dialogTemplate,
                               const ControlTemplate& control);

// The edit boxes and lists that `label` names, in template order.
std::vector<const ControlTemplate*> LabelledBy(const DialogTemplate& dialogTemplate,
                                               const ControlTemplate& label);

// The control whose text is `control`'s name: its label for an edit box or
// a list, itself for the rest; null for an icon, or a control with no label.
const ControlTemplate* NameSourceOf(const DialogTemplate& dialogTemplate,
                                    const ControlTemplate& control);

// A control's text without its mnemonic marks, as a screen reader says it:
// "&&" is a literal '&', any other '&' marks the letter after it; a static
// text that shows its ampersands keeps them.
std::string SpokenText(const ControlTemplate& control, std::string_view text);

}  // namespace ui
