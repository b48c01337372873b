// The fake's window icons: which icon resource each slot shows.
#include "ui/backend.h"
#include "ui/fake/state.h"

namespace ui::backend {

void SetWindowIcon(Window* window, const IconResource& icon, bool bigIcon) {
  (bigIcon ? window->bigIcon : window->smallIcon) = icon.id;
}

}  // namespace ui::backend
