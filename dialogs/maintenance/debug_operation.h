// Device log and boot loader (CMD_DEVICE_LOG): the debug dialog's platform rule and checks, and
// the operation that runs the device-log worker (app/batch/device_log.h) or hands the boot-loader
// image to the upgrade engine.
#pragma once
#include <string>

#include "app/batch/batch_operation.h"

enum DebugMode { kDebugBlackBox = 7, kDebugBootloader = 8 };

// The first 7 characters that every checked device's firmware text shares; empty when they
// differ or one is empty.
std::wstring CommonPlatform(const BatchSelection& rows);
// Apply: 0, or the message: 547 (no folder) or 548 (no file), 553 when the boot-loader image
// is meant for devices of a platform that takes none (only "K7W-700" to "K7W-703" do).
unsigned CheckDebugApply(int mode, const std::wstring& text, const std::wstring& platform);

class DebugOperation : public BatchOperation {
 public:
  bool HasPreparation() const override { return true; }
  void Prepare(const BatchSelection& rows, const BatchContext& context) override;
  // Mode 7: one thread saves every device's log; mode 8: one upgrade job per device.
  void Start(BatchRun& run) override;

  const std::wstring& Platform() const { return m_Platform; }
  // Mode 7 with the log folder, or 8 with the image file.
  void SetTask(int mode, const std::wstring& path) {
    m_Mode = mode;
    m_Path = path;
  }

 protected:
  std::wstring m_Platform;
  int m_Mode = kDebugBlackBox;
  std::wstring m_Path;
};
