#include "device/device_info.h"

#include <algorithm>
#include <cstring>

#include "device/cgi_urls.h"
#include "device/http_client.h"
#include "device/model_tests.h"
#include "port/text.h"

namespace {

const int kReplySize = 2048;
const int kTimeoutMs = 90000;

int Ask(int channel, const std::wstring& ip, const wchar_t* group, const wchar_t* query, char* buf) {
  return HttpGetCgi(ip, BuildCgiCmdUrl(channel, group, query), buf, kReplySize, kTimeoutMs, false, false, 0);
}

// Stores the value of `key` in `slot` when the text holds a non-empty one.
void ReadSlot(const std::string& text, const char* key, std::wstring& slot) {
  std::string v;
  if (FindLineValue(text, key, &v)) slot = port::FromLocal8(v);
}

std::wstring ChannelText(int channel, const std::wstring& s) {
  return std::to_wstring(channel) + L" - " + s;
}

}  // namespace

int ExtractLineValue(const char* key, char* value, std::size_t capacity, const char* keyPos) {
  if (!key || !value || !keyPos || capacity == 0) return 0;
  const char* p = keyPos + std::strlen(key);
  const char* e = p;
  while (*e != '\0' && *e != '\n') ++e;
  if (e == p) return 0;
  std::size_t n = 0;
  for (const char* q = p; q < e && n + 1 < capacity; ++q)
    if (*q != '\'') value[n++] = *q;
  value[n] = '\0';
  return static_cast<int>(n);
}

bool FindLineValue(const std::string& text, const char* key, std::string* value) {
  std::size_t at = text.find(key);
  if (at == std::string::npos) return false;
  char buf[kReplySize];
  int n = ExtractLineValue(key, buf, sizeof buf, text.c_str() + at);
  if (n <= 0) return false;
  value->assign(buf, static_cast<std::size_t>(n));
  return true;
}

void GetDeviceExtraInfo(std::string& reply, int channel, const std::wstring& ip) {
  static const wchar_t* const kQueries[3][2] = {
      {L"system", L"OEM_INFO"}, {L"encoder", L"VIDEO_CAMERA_NAME"}, {L"system", L"V2_MULTICAST_IP"}};
  char buf[kReplySize];
  for (const auto& q : kQueries) {
    int r = Ask(channel, ip, q[0], q[1], buf);
    if (r > 0) reply.append(buf, static_cast<std::size_t>(r));
  }
}

unsigned GetDeviceInfo(int channel, const std::wstring& ip, DeviceRecord& rec) {
  char buf[kReplySize];
  const int familyBefore = IsFamilyModel(rec[SLOT_FIRMWARE]);
  int r = Ask(channel, ip, L"system", L"SYSTEM_INFO", buf);
  if (r > 0) {
    rec[SLOT_PARAMETERS].clear();
    std::string text(buf, static_cast<std::size_t>(r));
    if (channel >= 0) GetDeviceExtraInfo(text, channel, ip);
    if (familyBefore == 0 || channel == -1) ReadSlot(text, "MAC Address = ", rec[SLOT_MAC]);
    ReadSlot(text, "V2_MULTICAST_IP=", rec[SLOT_MULTICAST_IP]);
    ReadSlot(text, "Firmware Version = ", rec[SLOT_FIRMWARE]);
    ReadSlot(text, "VIDEO_CAMERA_NAME=", rec[SLOT_CAMERA_NAME]);
    ReadSlot(text, "Platform = ", rec[SLOT_PLATFORM]);
    const bool lv = IsLvModel(rec[SLOT_FIRMWARE]);
    ReadSlot(text, lv ? "Unit Type = " : "OEM_MODEL_DESC=", rec[SLOT_MODEL]);
    ReadSlot(text, lv ? "Production ID = " : "OEM_SERIAL_NUM=", rec[SLOT_SERIAL]);

    static const wchar_t* const kParams[3][2] = {
        {L"encoder", L"VIDEO_ENCODER&VIDEO_RESOLUTION&VIDEO_FPS_NUM"},
        {L"system", L"V2_AUDIO_ENABLED"},
        {L"system", L"PORT_VIDEO&PORT_CONTROL&V2_PORT_RTSP&PORT_HTTP"}};
    for (const auto& q : kParams) {
      int n = Ask(channel, ip, q[0], q[1], buf);
      if (n > 0) rec[SLOT_PARAMETERS] += port::FromLocal8(buf, static_cast<std::size_t>(n));
    }
  } else if (IsFamilyModel(rec[SLOT_FIRMWARE]) != 0 && channel != 0) {
    rec[SLOT_FIRMWARE].clear();
  }

  rec[SLOT_IP] = ip;
  std::wstring& params = rec[SLOT_PARAMETERS];
  params.erase(std::remove(params.begin(), params.end(), L'\''), params.end());
  if (channel != 0) {
    rec[SLOT_CHANNEL_IP] = ChannelText(channel, ip);
    rec[SLOT_CHANNEL_MAC] = ChannelText(channel, rec[SLOT_MAC]);
  }
  if (channel == -1) rec[SLOT_CHANNEL_IP].clear();

  switch (r) {
    case -1: return INFO_NO_ANSWER;
    case -2: return INFO_ERROR_REPLY;
    case -3: return INFO_LOGIN_REFUSED;
    default: return 0;
  }
}
