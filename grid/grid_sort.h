// Ordering of grid rows by one of their cells.
#pragma once
#include <cstdint>
#include <string>

// The sort key of an IP address cell: the dotted IPv4 address as an unsigned number whose
// most significant byte is the first octet; a missing cell or a text that is no address
// gives 255.255.255.255, so such rows sort after every real address.
std::uint32_t GridIpKey(const std::wstring* cell);

// Compares the cells of two rows at one cell index: -1, 0 or 1.
// Index 0 (IP address) compares the numeric address keys. Any other index compares the
// texts by their UTF-16 code units (case-sensitive, no locale); a missing cell sorts before
// a present one and two missing cells are equal. A null pointer stands for a missing cell.
int CompareGridCells(const std::wstring* a, const std::wstring* b, int index);
