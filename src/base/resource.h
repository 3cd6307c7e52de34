#pragma once
// Resource identifiers shared by the .rc file and the code.
#define IDI_KAVRO 1

// The side windows (adfrm, ad1frm).
#define IDI_PROMO 301
#define IDB_PROMO_CLOSE 302
#define IDB_PROMO_MINIMISE 303
