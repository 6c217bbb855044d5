#pragma once
// The one way platform/win32 includes the Windows headers: lean, without the
// min/max macros, and without the A/W name macros that would rename members
// of our own interfaces (FileSystem::CopyFile, FileSystem::DeleteFile).

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CopyFile
#undef DeleteFile
