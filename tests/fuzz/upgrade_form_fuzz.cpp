// A device's upgrade page and its answer to an upload.
#include "device/multipart_upload.h"
#include "device/upgrade_rules.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const UpgradeForm form = ParseUpgradeForm(page);
  // What was cut out never runs past a quote.
  for (const std::string* t : {&form.postPath, &form.fileField, &form.secondFileField, &form.submitName})
    FUZZ_CHECK(t->find('"') == std::string::npos);
  const int verdict = JudgeUploadReply(page.data(), page.size());
  FUZZ_CHECK(verdict == RESULT_SUCCESS || verdict == RESULT_UPLOAD_FAIL);
  return 0;
}
