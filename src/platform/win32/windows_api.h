#pragma once
// The system headers, without the macros that would rename this program's own DrawText,
// CreateFontIndirect and MessageBox methods; code here names the ...A or ...W function it means.
#include <windows.h>

#undef DrawText
#undef CreateFontIndirect
#undef MessageBox
