// The program's own version, as its version resource states it.
#pragma once

// The file version of the running executable from its version resource's fixed information
// (most and least significant parts); false when the resource cannot be read or that block
// is not exactly the size of VS_FIXEDFILEINFO.
bool ProgramFileVersion(unsigned long* versionMs, unsigned long* versionLs);
