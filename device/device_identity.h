// The USB identity of the Zentor, given to the build (the defaults are a
// vendor/product pair reserved for testing; the real values are the maker's).
#pragma once

#include "platform_api.h"

#ifndef ORVANE_VENDOR_ID
#error "ORVANE_VENDOR_ID must be defined by the build"
#endif
#ifndef ORVANE_PRODUCT_ID
#error "ORVANE_PRODUCT_ID must be defined by the build"
#endif

inline constexpr USHORT VENDOR_ID = ORVANE_VENDOR_ID;
inline constexpr USHORT PRODUCT_ID = ORVANE_PRODUCT_ID;
