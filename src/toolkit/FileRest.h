#pragma once
// Another program may rewrite a file without taking a lock, and the kernel
// stamps a file when a write begins, before its bytes are copied: a file
// stamped a moment ago may be in the middle of a write, a mix of two
// versions. Such a file is read only once it has been left alone for a
// short quiet time, as version-control tools treat "racily clean" files.
#include <chrono>
#include <ctime>
#include <sys/stat.h>

// Longer than one write of a project takes, plus the kernel's time-stamp
// tick.
constexpr std::chrono::milliseconds NativeQuietTime{40};
// For file systems that stamp whole seconds only (ext3, FAT, some network
// shares): a write within the same second leaves the stamp as it was.
constexpr std::chrono::milliseconds NativeCoarseQuietTime{2000 + NativeQuietTime.count()};

// How long before `now` the stamp lies; negative for a stamp in the future
// (a network share's clock ahead of ours). Any two stamps give a finite age.
std::chrono::nanoseconds NativeAge(const timespec& now, const timespec& stamp);

// Whether two looks at a file found it the same: the same file, size,
// modification and change time.
bool NativeSameFileState(const struct stat& a, const struct stat& b);

// Waits, for `wait` at most, until the file open at `fd` has been at rest
// for the quiet time: its change time lies that far back, or it stayed the
// same that long while it was watched (which also copes with a clock that
// differs from the file system's). `seen` holds its state then. 0;
// NativeFileChanged when it never came to rest; or the errno of fstat.
int NativeWaitUntilAtRest(int fd, struct stat& seen, std::chrono::milliseconds wait);
