#include "ui/resources.h"

#include <cassert>

namespace ui {

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  if (controlId == kNoId) return nullptr;
  for (const ControlTemplate& control : controls)
    if (control.id == controlId) return &control;
  return nullptr;
}

std::span<const ControlTemplate> DialogTemplate::GroupOf(const ControlTemplate& control) const {
  assert(&control >= controls.data() && &control < controls.data() + controls.size());
  std::size_t first = static_cast<std::size_t>(&control - controls.data());
  while (first > 0 && (controls[first].style & kGroup) == 0) --first;
  std::size_t end = first + 1;
  while (end < controls.size() && (controls[end].style & kGroup) == 0) ++end;
  return controls.subspan(first, end - first);
}

const DialogTemplate* Resources::FindDialog(int id) const {
  for (const DialogTemplate* dialog : dialogs)
    if (dialog->id == id) return dialog;
  return nullptr;
}

const IconResource* Resources::FindIcon(int id) const {
  for (const IconResource& icon : icons)
    if (icon.id == id) return &icon;
  return nullptr;
}

namespace {

// Windows' MulDiv: the product over the divisor, rounded half away from 0.
int MulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

}  // namespace

DialogUnits BaseUnitsOf(int lettersWidth, int height) {
  // As Windows' GdiGetCharDimensions: the width of the 52 letters, halved
  // twice with rounding, and the font's full height.
  return {(lettersWidth / 26 + 1) / 2, height};
}

int DialogUnits::X(int dlu) const {
  return MulDiv(dlu, baseX, 4);
}
int DialogUnits::Y(int dlu) const {
  return MulDiv(dlu, baseY, 8);
}

}  // namespace ui
