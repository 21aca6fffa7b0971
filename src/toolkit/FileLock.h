#pragma once
// Advisory locks that keep a save written in place and a load of the same
// file apart, also between programs of different users: the writer holds an
// exclusive lock on the whole file from the copy of its old bytes to the
// last byte it writes or puts back, a reader a shared one while it reads.
// They are open-file-description locks: they belong to the opened file, not
// to the process, so threads and forked children exclude each other as
// separate programs do, and closing the descriptor releases them.
#include <chrono>

// How long a load or a save waits for another program's lock.
constexpr std::chrono::milliseconds NativeLockWait{3000};

// Locks the whole file open at `fd`, shared (for reading) or exclusive (for
// writing), waiting up to `wait` while others hold it. 0 once it is locked,
// and where the file system keeps no locks (some network shares: nothing is
// held then); NativeFileLocked when others held it for the whole wait; else
// the errno.
int NativeLockFile(int fd, bool exclusive, std::chrono::milliseconds wait = NativeLockWait);

// On by default. Benchmarks switch locking off to measure what it costs.
void NativeSetFileLocking(bool on);
