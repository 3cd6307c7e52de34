#pragma once
// The two side windows shown at start-up.
namespace kavro::promo {

// Shows adfrm, then ad1frm, not modal. Called by the main window's load.
void ShowPromoWindows();

}  // namespace kavro::promo
