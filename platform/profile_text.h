// The text of an ini ("profile") file as the profile functions read and edit it, on a string in memory:
// shared by the host half of the profile seam and by the batch write of both halves.
//
// Lines end at CR LF, LF or CR; a line "[name]" opens a section; a line holding "=" is a key; anything
// else is kept and ignored. Section and key names compare case-insensitively; the first section of a
// name and, inside it, the first key of a name are the ones used. Values lose the blanks around them,
// one pair of matching quotes around them and everything from a NUL byte on.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "platform/profile.h"

// Finds the value of `key` in `section`: its offset and length in `text`. False when either is missing.
bool FindProfileValue(const std::string& text, const char* section, const char* key, size_t& begin,
                      size_t& length);

// One key line of a section: where its name and its value (as FindProfileValue gives it) lie in the text.
struct ProfileKey {
  size_t nameBegin, nameLength;
  size_t valueBegin, valueLength;
};

// The key lines of the first section called `section`, in the order of the text, in one pass (a name
// that comes again is listed again; reads take the first). Empty when the section is missing.
std::vector<ProfileKey> ListProfileKeys(const std::string& text, const char* section);

// Sets each key of `strings` in turn as the profile functions do: a key of the section keeps its line
// and its name there and gets the new value; a new key goes after the section's last non-blank line;
// without the section, a new section at the end holds the keys. One pass over the text for the whole
// batch. False (and `text` unchanged) when a section, key or value holds a line break.
bool ApplyProfileWrites(std::string& text, const char* section, const ProfileString* strings, size_t count);

// Removes every line of `key` in `section`. False (and `text` unchanged) when there is none.
bool RemoveProfileKey(std::string& text, const char* section, const char* key);
