#pragma once
// Who may read and write a file is more than its mode: a POSIX ACL (the
// attribute "system.posix_acl_access") and other extended attributes go
// with the file and must survive its replacement by a new one.
#include <string>

// Gives the file open at `to` the extended attributes of the file at
// `from` (a path without links), its ACL among them, and takes away an ACL
// that the new file got from its folder where the old one had none. False
// when any of that fails: the new file would not be the old one's equal.
bool NativeCopyAttributes(const std::string& from, int to);
