// The byte-source table over the file seam: a file's handle is the source's handle.
#include "decoder/byte_source.h"

const ByteSourceFunctions kFileSourceFunctions = {FileRead, FileSeek, FileSize, FileClose};
