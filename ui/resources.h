// What a program hands the dialog framework: its dialog templates and its
// icons, as data from which every backend builds its windows. Positions and
// sizes are dialog units of the template's font, as in a Windows resource
// script.
#pragma once

#include <span>
#include <string_view>

// The standard buttons' IDs, with the values Windows gives them (windows.h
// defines the same).
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

namespace ui {

enum class ControlKind {
  PushButton,
  DefPushButton,
  AutoRadioButton,
  AutoCheckBox,
  GroupBox,
  Static,
  Edit,
  DropDownList,
  Icon,
};

// The controls that are clicked and report the click: push buttons, radio
// buttons and check boxes.
constexpr bool IsButton(ControlKind kind) {
  return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton ||
         kind == ControlKind::AutoRadioButton || kind == ControlKind::AutoCheckBox;
}

enum ControlStyle : unsigned {
  kTabStop = 1u << 0,
  kGroup = 1u << 1,  // starts a group (radio buttons, arrow-key navigation)
  kDisabled = 1u << 2,
  kReadOnly = 1u << 3,
  kBorder = 1u << 4,
  kAutoHScroll = 1u << 5,
  kVScroll = 1u << 6,
  kNoPrefix = 1u << 7,  // '&' is shown, not taken as a mnemonic
};

inline constexpr int kNoId = -1;  // a control nobody addresses (IDC_STATIC)

struct ControlTemplate {
  ControlKind kind;
  int id;
  std::string_view text;  // an icon's text is empty: it shows iconId
  int x, y, cx, cy;       // for a drop-down list, cy is the height with the list open
  unsigned style;
  std::span<const std::string_view> items = {};  // a drop-down list's entries, in order
  int iconId = 0;
};

enum DialogStyle : unsigned {
  kCaption = 1u << 0,
  kSysMenu = 1u << 1,  // a system menu, and so a close box
  kModalFrame = 1u << 2,
  kAppWindow = 1u << 3,  // a taskbar button of its own
};

struct DialogTemplate {
  int id;
  std::string_view caption;
  int cx, cy;
  std::string_view fontName;
  int fontPoints;
  unsigned style;
  std::span<const ControlTemplate> controls;

  // The control with this ID, or nullptr.
  const ControlTemplate* Find(int controlId) const;
  // The group that `control` belongs to: from the last control up to it that
  // starts a group (kGroup) to the one before the next that does.
  std::span<const ControlTemplate> GroupOf(const ControlTemplate& control) const;
};

// One image of an icon: a square PNG of `size` pixels.
struct IconImage {
  int size;
  std::span<const unsigned char> png;
};

struct IconResource {
  int id;
  std::span<const IconImage> images;
};

struct Resources {
  std::span<const DialogTemplate* const> dialogs;
  // The first is the program's own icon, which the desktop shows for it and
  // for its windows that set none (as Windows takes a program's first icon).
  std::span<const IconResource> icons;

  // Null when there is none with this ID.
  const DialogTemplate* FindDialog(int id) const;
  const IconResource* FindIcon(int id) const;
};

// Dialog units to pixels, from the dialog font's base units as Windows
// computes them: x·baseX/4 and y·baseY/8, rounded as MulDiv rounds.
struct DialogUnits {
  int baseX;  // average width of "A".."Z", "a".."z", rounded
  int baseY;  // the font's height
  int X(int dlu) const;
  int Y(int dlu) const;
};

// The letters whose average width is the horizontal base unit.
inline constexpr std::string_view kBaseUnitLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The base units of a font in which kBaseUnitLetters are `lettersWidth`
// pixels wide and whose height is `height` pixels.
DialogUnits BaseUnitsOf(int lettersWidth, int height);

}  // namespace ui
