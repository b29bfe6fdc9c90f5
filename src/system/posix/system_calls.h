#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace quillbay {

// The system calls the POSIX file layer makes where a failure changes what is written: each
// goes through this table, the C library's own calls in the program. A test puts wrappers in
// their place that fail a chosen call, or stop the process there, so that every step of an
// operation can be made to fail in turn.
struct SystemCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int fd, void* buffer, size_t size);
  ssize_t (*write)(int fd, const void* buffer, size_t size);
  int (*stat)(const char* path, struct stat* st);
  int (*lstat)(const char* path, struct stat* st);
  int (*fstat)(int fd, struct stat* st);
  int (*fchown)(int fd, uid_t owner, gid_t group);
  int (*fchmod)(int fd, mode_t mode);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*mkdir)(const char* path, mode_t mode);
  int (*flock)(int fd, int operation);
};

extern SystemCalls system_calls;

}  // namespace quillbay
