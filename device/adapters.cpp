#include "device/adapters.h"

#include "port/adapters.h"
#include "port/text.h"

void EnumLocalAdapters(std::vector<std::wstring>& list) {
  for (const auto& a : port::ListAdapterAddresses())
    list.push_back(port::FromLocal8(a.ip) + L" / " + port::FromLocal8(a.mask));
}

