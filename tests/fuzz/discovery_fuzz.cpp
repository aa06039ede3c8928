// Discovery answers: any bytes as a 268-byte reply, and any text as a recorder's tagged answer.
#include <cstring>

#include "app/device_list/device_list.h"
#include "device/discovery_datagrams.h"
#include "device/http_port_map.h"
#include "device/tag_parser.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DiscoveryReply reply;
  std::memset(&reply, 0, sizeof reply);
  std::memcpy(&reply, data, size < sizeof reply ? size : sizeof reply);
  DeviceRecord record;
  FillDeviceRecord(reply.identity, reply.model, record);
  const int port = g_HttpPortMap.Get(record[SLOT_IP]);
  FUZZ_CHECK(port >= 0 && port <= 65535);

  const std::string text(reinterpret_cast<const char*>(data), size);
  DeviceRecord fromText;
  ReadRecorderText(text, fromText);
  TagParser parser;
  for (const char* root : {"HMY", "NVQ"})
    if (parser.Find(text, root))
      for (const char* name : {"IP", "MAC", "HttpPort", "SysName"}) parser.GetValue(name);
  g_HttpPortMap.Clear();
  return 0;
}
