// cp1251 <-> UTF-16 at the Win32 boundary; inside the program every text is cp1251 bytes.
#pragma once

#include <string>

namespace tk {

std::wstring wide(const std::string& cp1251);
std::string narrow(const std::wstring& utf16);

} // namespace tk
