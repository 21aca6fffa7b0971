#pragma once
// Names that a save makes from a file's name (its temporary file, the copy
// of its old bytes) must still fit the folder's limit on name length.
#include <cstddef>
#include <string>

// The name itself when it and `marks` more bytes fit the folder (open at
// `folder`); else a part of it, its start or its end, never cut inside a
// UTF-8 character, joined with a hash of the whole name, so that two long
// names rarely come out alike.
std::string NativeFitName(int folder, const std::string& name, size_t marks, bool keepEnd);
