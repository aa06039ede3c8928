// The local adapters' addresses as the main window lists them.
#pragma once
#include <string>
#include <vector>

// Appends one "<ip> / <mask>" entry per IPv4 address of each adapter, in the system's order.
void EnumLocalAdapters(std::vector<std::wstring>& list);
