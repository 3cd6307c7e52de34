#include "promo/promo_win.h"

namespace kavro::promo {

void ShowPromoWindows() {}

}  // namespace kavro::promo
