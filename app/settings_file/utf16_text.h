// UTF-16LE byte strings, as the settings file (when it carries a byte-order mark) and the
// device-list export are stored, to and from the program's wide texts.
#pragma once
#include <string>

// Appends the UTF-16LE bytes of `text` (no byte-order mark).
void AppendUtf16Le(std::string& out, const std::wstring& text);
// Decodes UTF-16LE bytes (an odd last byte is dropped; an unpaired surrogate is kept as is).
std::wstring DecodeUtf16Le(const std::string& bytes, std::size_t offset = 0);
