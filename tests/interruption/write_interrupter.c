/* Test-only preload library for the kill-at-every-write script (kill_at_every_write.sh):
 * counts every call by which a process changes a file — creating one, writing to one,
 * renaming, linking, removing, changing permissions — and, at the Nth, stops it right before
 * that call: with SIGKILL (QV_KILL_AT_WRITE=N) or by raising another signal and going on
 * (QV_SIGNAL_AT_WRITE=N with QV_SIGNAL_NUMBER=1 for SIGHUP, 2 for SIGINT, 15 for SIGTERM).
 * QV_WRITE_COUNT_FILE=PATH appends the number of such calls at exit; QV_WRITE_TRACE_FILE=PATH
 * writes one line per call: its number, and the descriptor for a write ("-" for the others),
 * so the script can tell a run of writes into one file from distinct steps. Never linked into
 * anything that ships; loaded with LD_PRELOAD by the script only. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static long g_calls = 0;
static long g_killAt = -1, g_signalAt = -1;
static int g_signal = 0;
static FILE* g_trace = NULL;

__attribute__((constructor)) static void Setup(void) {
  const char* kill = getenv("QV_KILL_AT_WRITE");
  const char* at = getenv("QV_SIGNAL_AT_WRITE");
  const char* number = getenv("QV_SIGNAL_NUMBER");
  const char* trace = getenv("QV_WRITE_TRACE_FILE");
  if (trace != NULL) g_trace = fopen(trace, "w");
  if (kill != NULL) g_killAt = atol(kill);
  if (at != NULL && number != NULL) {
    g_signalAt = atol(at);
    g_signal = atoi(number);
  }
}

__attribute__((destructor)) static void Report(void) {
  if (g_trace != NULL) fclose(g_trace);
  const char* path = getenv("QV_WRITE_COUNT_FILE");
  if (path == NULL) return;
  FILE* out = fopen(path, "a");
  if (out == NULL) return;
  fprintf(out, "%ld\n", g_calls);
  fclose(out);
}

static void Change(int fd) {
  ++g_calls;
  if (g_trace != NULL) {
    if (fd >= 0) fprintf(g_trace, "%ld %d\n", g_calls, fd);
    else fprintf(g_trace, "%ld -\n", g_calls);
  }
  if (g_calls == g_killAt) raise(SIGKILL);
  if (g_calls == g_signalAt) raise(g_signal);
}

static int IsFile(int fd) {
  struct stat st;
  return fd > 2 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

#define REAL(name)                        \
  static __typeof__(&name) real = NULL;   \
  if (real == NULL) real = (__typeof__(&name))dlsym(RTLD_NEXT, #name)

ssize_t pwrite(int fd, const void* buf, size_t n, off_t at) {
  REAL(pwrite);
  Change(fd);
  return real(fd, buf, n, at);
}
ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t at) {
  REAL(pwrite64);
  Change(fd);
  return real(fd, buf, n, at);
}
ssize_t write(int fd, const void* buf, size_t n) {
  REAL(write);
  if (IsFile(fd)) Change(fd);
  return real(fd, buf, n);
}
// open and open64 take a mode only when they create.
static mode_t ModeOf(int flags, va_list args) { return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(args, int) : 0; }

int open(const char* path, int flags, ...) {
  REAL(open);
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  if (flags & (O_CREAT | O_TRUNC)) Change(-1);
  return real(path, flags, mode);
}
int open64(const char* path, int flags, ...) {
  REAL(open64);
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  if (flags & (O_CREAT | O_TRUNC)) Change(-1);
  return real(path, flags, mode);
}
int rename(const char* from, const char* to) {
  REAL(rename);
  Change(-1);
  return real(from, to);
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
  REAL(renameat2);
  Change(-1);
  return real(fromDir, from, toDir, to, flags);
}
int link(const char* from, const char* to) {
  REAL(link);
  Change(-1);
  return real(from, to);
}
int unlink(const char* path) {
  REAL(unlink);
  Change(-1);
  return real(path);
}
int mkdir(const char* path, mode_t mode) {
  REAL(mkdir);
  Change(-1);
  return real(path, mode);
}
char* mkdtemp(char* templ) {
  REAL(mkdtemp);
  Change(-1);
  return real(templ);
}
int rmdir(const char* path) {
  REAL(rmdir);
  Change(-1);
  return real(path);
}
int chmod(const char* path, mode_t mode) {
  REAL(chmod);
  Change(-1);
  return real(path, mode);
}
int fchmod(int fd, mode_t mode) {
  REAL(fchmod);
  Change(-1);
  return real(fd, mode);
}
int ftruncate(int fd, off_t length) {
  REAL(ftruncate);
  Change(-1);
  return real(fd, length);
}
