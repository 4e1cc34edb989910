// Reading DDEML's string handles and text data, for the link's client and server alike. Declared
// with the handles' plain types so that only the *_win32.cpp files include <windows.h>.
#pragma once

#include <string>

namespace dde {

// The text of a string handle (an HSZ) of the DDEML instance.
std::string StringOf(unsigned long instance, void* handle);
// CF_TEXT data (an HDDEDATA) up to its NUL.
std::string TextOf(void* data);

}  // namespace dde
