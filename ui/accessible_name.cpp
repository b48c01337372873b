#include "ui/accessible_name.h"

#include <algorithm>

namespace ui {

using enum ControlKind;

bool IsNamedByLabel(ControlKind kind) {
  return kind == Edit || kind == DropDownList;
}

const ControlTemplate* LabelOf(const DialogTemplate& dialogTemplate,
                               const ControlTemplate& control) {
  // Dialog units between a label and its control at the most: a label
  // further away belongs to something else.
  constexpr int kMaxGap = 10;
  const ControlTemplate* best = nullptr;
  int bestGap = kMaxGap + 1;
  for (const ControlTemplate& t : dialogTemplate.controls) {
    if (t.kind != Static) continue;
    const bool sharesColumns = t.x < control.x + control.cx && control.x < t.x + t.cx;
    const bool sharesRows = t.y < control.y + control.cy && control.y < t.y + t.cy;
    int gap = kMaxGap + 1;
    if (sharesColumns && t.y + t.cy <= control.y) gap = control.y - (t.y + t.cy);
    if (sharesRows && t.x + t.cx <= control.x) gap = std::min(gap, control.x - (t.x + t.cx));
    if (gap < bestGap) {
      best = &t;
      bestGap = gap;
    }
  }
  return best;
}

std::vector<const ControlTemplate*> LabelledBy(const DialogTemplate& dialogTemplate,
                                               const ControlTemplate& label) {
  std::vector<const ControlTemplate*> labelled;
  for (const ControlTemplate& control : dialogTemplate.controls)
    if (IsNamedByLabel(control.kind) && LabelOf(dialogTemplate, control) == &label)
      labelled.push_back(&control);
  return labelled;
}

const ControlTemplate* NameSourceOf(const DialogTemplate& dialogTemplate,
                                    const ControlTemplate& control) {
  if (IsNamedByLabel(control.kind)) return LabelOf(dialogTemplate, control);
  return control.kind == Icon ? nullptr : &control;
}

std::string SpokenText(const ControlTemplate& control, std::string_view text) {
  if (control.kind == Static && (control.style & kNoPrefix) != 0) return std::string(text);
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace ui
