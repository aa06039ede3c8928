#include "tools/devsim/av_handlers.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>
#include <tuple>

namespace devsim {
namespace {

std::mutex g_lock;
// Encoder values by device, channel and key; motion windows by device, channel and window;
// capability requests answered so far by device and key. All under g_lock.
std::map<std::tuple<int, int, std::string>, std::string> g_encoder;
std::map<std::tuple<int, int, int>, std::string> g_windows;
std::map<std::pair<int, std::string>, int> g_capAsked;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::string piece;
  std::istringstream in(text);
  while (std::getline(in, piece, separator)) out.push_back(piece);
  return out;
}

std::string ResolutionList(const SimDevice& d) { return Setting(d, "res_cap", "N1920x1080,N1280x720,N640x480"); }
std::string FpsList(const SimDevice& d) { return Setting(d, "fps_cap", "1,5,10,15,30"); }

std::string Codecs(const SimDevice& d) {
  std::string def = "H264,MPEG4,MJPEG";
  if (d.platform == "W") def = "MPEG4";
  if (d.platform == "D" || d.platform == "E") def = "H264,MJPEG";
  return Setting(d, "codecs", def);
}

bool Listed(const std::string& list, const std::string& value) {
  for (const std::string& e : Split(list, ','))
    if (e == value) return true;
  return false;
}

// A whole decimal number.
bool Number(const std::string& text, long* value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *value = std::atol(text.c_str());
  return true;
}

bool FpsTaken(const SimDevice& d, const std::string& value) {
  long fps = 0, largest = 0, v = 0;
  for (const std::string& e : Split(FpsList(d), ','))
    if (Number(e, &v) && v > largest) largest = v;
  return Number(value, &fps) && fps >= 1 && fps <= largest;
}

// "n,state,left,top,right,bottom,sensitivity,timer,threshold" with n 1 to 3 and state 0 or 1.
bool MotionWindowTaken(const std::string& value) {
  const std::vector<std::string> parts = Split(value, ',');
  if (parts.size() != 9) return false;
  std::vector<long> n(9);
  for (std::size_t i = 0; i < 9; ++i)
    if (!Number(parts[i], &n[i])) return false;
  return n[0] >= 1 && n[0] <= 3 && n[1] <= 1 && n[2] <= n[4] && n[3] <= n[5];
}

int Channel(int channel) { return channel > 0 ? channel : 1; }

std::string Window(const SimDevice& d, int index, int channel, int n) {
  auto it = g_windows.find(std::make_tuple(index, Channel(channel), n));
  if (it != g_windows.end()) return it->second;
  const std::string key = "motion" + std::to_string(n);
  return Setting(d, key + "_ch" + std::to_string(Channel(channel)), Setting(d, key, "0,0,0,0,0,70,1,10"));
}

std::string Quoted(const std::string& key, const std::string& v) { return key + "='" + v + "'\n"; }

}  // namespace

std::string AvSystemInfoLines(const SimDevice& d) {
  std::string out;
  auto line = [&](const char* label, const char* setting) {
    const std::string v = Setting(d, setting, "");
    if (!v.empty()) out += std::string(label) + " = " + v + "\n";
  };
  line("Audio", "audio");
  line("AUDIO_IN_LEVEL_OPTION", "audio_level");
  line("STREAMING MODE", "streaming_mode");
  if (Setting(d, "pir", "0") == "1") out += "MD_SENSOR = 1\n";
  return out;
}

bool AvRefuses(const SimDevice& d, const std::vector<std::string>& items) {
  bool encoder = false, resolution = false;
  const std::string level = Setting(d, "audio_level", "");
  for (const std::string& it : items) {
    const std::size_t eq = it.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = it.substr(0, eq), value = it.substr(eq + 1);
    if (key == "VIDEO_RESOLUTION" && !Listed(ResolutionList(d), value)) return true;
    if (key == "VIDEO_FPS_NUM" && !FpsTaken(d, value)) return true;
    if (key == "VIDEO_ENCODER" && !Listed(Codecs(d), value)) return true;
    if (key == "VIDEO_STREAM" &&
        ((d.platform != "K" && d.platform != "T") || !Listed("SINGLE,DUAL,TRIPLE", value)))
      return true;
    if ((key == "V2_AUDIO_ENABLED" || key == "AUDIO_OUT_VOLUME" || key == "AUDIO_IN_LEVEL" ||
         key == "AUDIO_IN_SENSITIVITY") &&
        Setting(d, "audio", "1") == "0")
      return true;
    if (key == "AUDIO_IN_LEVEL" && level != "LEVELS") return true;
    if (key == "AUDIO_IN_SENSITIVITY" && level != "MICBOOST") return true;
    if (key == "PIR_MD_CONFIG" && Setting(d, "pir", "0") != "1") return true;
    if (key == "MOTION_CONFIG" && !MotionWindowTaken(value)) return true;
    encoder |= key == "VIDEO_ENCODER";
    resolution |= key == "VIDEO_RESOLUTION";
  }
  return d.platform == "K" && encoder && !resolution;
}

bool AvItem(const SimDevice& d, int index, int channel, const std::string& item, std::string* out) {
  std::lock_guard<std::mutex> l(g_lock);
  if (item == "VIDEO_RESOLUTION_CAP" || item == "VIDEO_FPS_CAP") {
    const int busy = std::atoi(Setting(d, "cap_busy", "0").c_str());
    int& asked = g_capAsked[std::make_pair(index, item)];
    *out += Quoted(item, ++asked <= busy ? "Error" : item == "VIDEO_FPS_CAP" ? FpsList(d) : ResolutionList(d));
    return true;
  }
  if (item == "MOTION_CONFIG") {
    for (int n = 1; n <= 3; ++n) *out += Quoted(item, std::to_string(n) + "," + Window(d, index, channel, n));
    return true;
  }
  const std::size_t eq = item.find('=');
  const std::string key = item.substr(0, eq);
  const bool kept = key == "VIDEO_RESOLUTION" || key == "VIDEO_ENCODER" || key == "VIDEO_FPS_NUM";
  if (eq == std::string::npos) {
    if (!kept) return false;
    auto it = g_encoder.find(std::make_tuple(index, Channel(channel), key));
    if (it == g_encoder.end()) return false;
    *out += Quoted(key, it->second);
    return true;
  }
  const std::string value = item.substr(eq + 1);
  if (key == "MOTION_CONFIG") {
    const std::size_t comma = value.find(',');
    g_windows[std::make_tuple(index, Channel(channel), std::atoi(value.c_str()))] = value.substr(comma + 1);
    *out += Quoted(key, value);
    return true;
  }
  if (!kept) return false;
  g_encoder[std::make_tuple(index, Channel(channel), key)] = value;
  *out += Quoted(key, value);
  return true;
}

}  // namespace devsim
