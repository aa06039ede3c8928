// The skin in one include: palette and fonts, JObject, localised texts and
// resource images.
#pragma once
#include "kit/jobject.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "kit/png_cache.h"
