#pragma once
// Reading plain files without surprises: nothing but a plain file is ever
// opened, an opening never blocks, links are followed as the path walk
// follows them, no read goes past the size the file had when it was
// opened, and only bytes that were the whole file at one moment are taken.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

#include "toolkit/ByteDigest.h"

// Opens a plain file for reading, without ever blocking: anything else in
// its place (a pipe, a device, a socket, a folder) is not opened at all.
// The file is locked for reading until the descriptor is closed, so no save
// that writes it in place runs meanwhile (NativeFileLocked when one runs
// for longer than a load waits). The descriptor, or -1 with the cause in
// error.
int NativeOpenRegularFile(const std::string& path, int& error);

// Reads a plain file whole in the same way; false with the cause in error:
// EFBIG when it holds more than `most` bytes, NativeFileChanged when it
// changed while it was read (whatever else failed).
bool NativeReadRegularFile(const std::string& path, std::string& content, size_t most, int& error);

// Reads an open file from its start up to the size it had when this was
// made. A file that grows meanwhile is an error (NativeFileChanged), so a
// file that another program keeps writing cannot be read without end; so is
// one whose size, modification or change time differ at the end.
//
// Writers that take no lock are met twice more: a file changed a moment ago
// is read only once it has been at rest for the quiet time (waiting no
// longer than a lock is waited for; NativeFileChanged when it never comes to
// rest), and at the end the bytes are read a second time and must be the
// same, so that bytes read while such a write ran are not taken.
class NativeBoundedRead {
public:
  explicit NativeBoundedRead(int fd);

  // Up to `size` bytes; 0 at the end, once all bytes are confirmed; -1 once
  // anything failed.
  ssize_t Read(char* into, size_t size);
  // The rest of the file, appended; 0 or the cause, EFBIG past `most` bytes
  // (NativeFileChanged when the file changed meanwhile).
  int ReadAll(std::string& bytes, size_t most = SIZE_MAX);
  int Error() const { return error; }
  // Whether the file is no longer what it was before the first byte was
  // read: its state differs, or the bytes handed out read differently now.
  // Whatever ends a load that has begun to read (a parser that finds the
  // bytes malformed, a failed read, too many bytes) is then only a
  // consequence, and the change is the reason to tell.
  bool ChangedSinceOpened() const;

private:
  bool Unchanged() const;
  bool ReadAgainAlike() const;
  // The digest of the bytes handed out, read a second time; false when they
  // cannot be read.
  bool DigestAgain(uint64_t& value) const;

  int fd;
  off_t at = 0;
  struct stat opened {};
  int error = 0;
  ByteDigest handedOut;
};

// On by default. Benchmarks switch the quiet time and the second read off
// to measure what they cost.
void NativeSetConfirmedReads(bool on);

// Writes all bytes at the offset; the errno of the failure, 0 on success.
int NativeWriteAllAt(int fd, const char* data, size_t size, off_t at);
