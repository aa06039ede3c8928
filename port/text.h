// Text conversion between the devices' 8-bit texts and the program's wide texts.
#pragma once
#include <cstddef>
#include <string>

namespace port {

// 8-bit text in the local code page (Windows: the ANSI code page; elsewhere UTF-8,
// with bytes that are not valid UTF-8 taken as Latin-1) to wide text.
std::wstring FromLocal8(const char* s, std::size_t len);
std::wstring FromLocal8(const std::string& s);
// Wide text to the local 8-bit code page.
std::string ToLocal8(const std::wstring& s);

std::wstring FromUtf8(const std::string& s);
std::string ToUtf8(const std::wstring& s);

// Length of a text stored in a fixed field: up to the first NUL, at most `width`.
std::size_t FieldLength(const char* field, std::size_t width);

}  // namespace port
