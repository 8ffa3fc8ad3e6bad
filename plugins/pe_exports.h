// Reads the export table of a Windows program file (PE, 32- or 64-bit) from disk, without loading it,
// so that the plug-in host can tell whether a DLL offers the plug-in entry point before anything of the
// DLL runs. Portable: the file is read through the platform's file seam.
#pragma once
#include <cstdint>

#include "platform/file.h"

// 1 when `file` is a 32- or 64-bit PE image whose export table names `name` exactly; 0 when it does
// not, or when the file is no such image, is damaged or cannot be read. Every read is bounded by the
// file's size and by the raw data of the section it falls in.
int32_t ImageExportsName(FileHandle file, const char* name);
// The same for the file at `path`; 0 when it cannot be opened.
int32_t PathExportsName(const char* path, const char* name);
