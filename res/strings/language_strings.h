// String ids of the language dialog (texts in res/strings/language.*.rc).
#pragma once

#define IDS_CAPTION_LANGUAGE 326  // the language dialog's caption (dialog 326)
