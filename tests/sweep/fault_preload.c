/* The fault sweep's hand in a command: loaded with LD_PRELOAD, it counts
 * every file-system call the command makes on paths under
 * QUARLO_FAULT_ROOT (and on the descriptors it opened there), and makes the
 * one numbered QUARLO_FAULT_AT fail with QUARLO_FAULT_ERRNO (EIO unless
 * set), or, with QUARLO_FAULT_KILL=1, kills the process right before it.
 * QUARLO_FAULT_COUNT names a file that gets the number of calls counted,
 * written as the process ends. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static const char* root;
static size_t rootLength;
static long failAt = -1;
static int failErrno = EIO;
static int killInstead;
static long calls;
static char watched[65536];

static void finish(void) {
    const char* path = getenv("QUARLO_FAULT_COUNT");
    if (path != NULL) {
        FILE* out = fopen(path, "w");
        if (out != NULL) {
            fprintf(out, "%ld\n", calls);
            fclose(out);
        }
    }
}

__attribute__((constructor)) static void start(void) {
    root = getenv("QUARLO_FAULT_ROOT");
    rootLength = root != NULL ? strlen(root) : 0;
    const char* at = getenv("QUARLO_FAULT_AT");
    failAt = at != NULL ? atol(at) : -1;
    const char* error = getenv("QUARLO_FAULT_ERRNO");
    failErrno = error != NULL ? atoi(error) : EIO;
    const char* kill = getenv("QUARLO_FAULT_KILL");
    killInstead = kill != NULL && strcmp(kill, "1") == 0;
    atexit(finish);
}

static int under(const char* path) {
    return root != NULL && path != NULL && strncmp(path, root, rootLength) == 0;
}

static int watchedFd(int fd) {
    return fd >= 0 && fd < (int)sizeof watched && watched[fd];
}

/* A relative path is the folder's it is relative to: watched when that one is. */
static int underAt(int dir, const char* path) {
    return under(path) || (path != NULL && path[0] != '/' && watchedFd(dir));
}

/* 1 when this call is to fail (errno set). */
static int fault(void) {
    const long n = calls++;
    if (n != failAt) {
        return 0;
    }
    if (killInstead) {
        finish();
        raise(SIGKILL);
    }
    errno = failErrno;
    return 1;
}

static void watch(int fd, int yes) {
    if (fd >= 0 && fd < (int)sizeof watched) {
        watched[fd] = (char)yes;
    }
}

#define REAL(name)                      \
    static __typeof__(&name) real_##name; \
    if (!real_##name) real_##name = (__typeof__(&name))dlsym(RTLD_NEXT, #name)

int open(const char* path, int flags, ...) {
    REAL(open);
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = (mode_t)va_arg(ap, int);
        va_end(ap);
    }
    const int mine = under(path);
    if (mine && fault()) {
        return -1;
    }
    const int fd = real_open(path, flags, mode);
    watch(fd, mine);
    return fd;
}
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int openat(int dir, const char* path, int flags, ...) {
    REAL(openat);
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = (mode_t)va_arg(ap, int);
        va_end(ap);
    }
    const int mine = underAt(dir, path);
    if (mine && fault()) {
        return -1;
    }
    const int fd = real_openat(dir, path, flags, mode);
    watch(fd, mine);
    return fd;
}
int openat64(int dir, const char* path, int flags, ...) __attribute__((alias("openat")));

int close(int fd) {
    REAL(close);
    watch(fd, 0);
    return real_close(fd);
}

int dup(int fd) {
    REAL(dup);
    const int copy = real_dup(fd);
    watch(copy, watchedFd(fd));
    return copy;
}

#define PATH_CALL(ret, name, params, args, path)           \
    ret name params {                                       \
        REAL(name);                          \
        if (under(path) && fault()) {                       \
            return (ret)-1;                                 \
        }                                                   \
        return real_##name args;                            \
    }
#define AT_CALL(ret, name, params, args, dir, path)         \
    ret name params {                                       \
        REAL(name);                          \
        if (underAt(dir, path) && fault()) {                \
            return (ret)-1;                                 \
        }                                                   \
        return real_##name args;                            \
    }
#define FD_CALL(ret, name, params, args, fd)                \
    ret name params {                                       \
        REAL(name);                          \
        if (watchedFd(fd) && fault()) {                     \
            return (ret)-1;                                 \
        }                                                   \
        return real_##name args;                            \
    }

PATH_CALL(int, rename, (const char* a, const char* b), (a, b), a)
AT_CALL(int, renameat, (int da, const char* a, int db, const char* b), (da, a, db, b), da, a)
AT_CALL(int, renameat2, (int da, const char* a, int db, const char* b, unsigned f),
        (da, a, db, b, f), da, a)
PATH_CALL(int, link, (const char* a, const char* b), (a, b), b)
AT_CALL(int, linkat, (int da, const char* a, int db, const char* b, int f), (da, a, db, b, f), db, b)
PATH_CALL(int, unlink, (const char* p), (p), p)
AT_CALL(int, unlinkat, (int d, const char* p, int f), (d, p, f), d, p)
PATH_CALL(int, mkdir, (const char* p, mode_t m), (p, m), p)
AT_CALL(int, mkdirat, (int d, const char* p, mode_t m), (d, p, m), d, p)
PATH_CALL(int, rmdir, (const char* p), (p), p)
PATH_CALL(int, stat, (const char* p, struct stat* s), (p, s), p)
PATH_CALL(int, lstat, (const char* p, struct stat* s), (p, s), p)
AT_CALL(int, fstatat, (int d, const char* p, struct stat* s, int f), (d, p, s, f), d, p)
AT_CALL(int, utimensat, (int d, const char* p, const struct timespec t[2], int f), (d, p, t, f),
        d, p)
PATH_CALL(int, access, (const char* p, int m), (p, m), p)
FD_CALL(ssize_t, read, (int fd, void* b, size_t n), (fd, b, n), fd)
FD_CALL(ssize_t, pread, (int fd, void* b, size_t n, off_t o), (fd, b, n, o), fd)
FD_CALL(ssize_t, pread64, (int fd, void* b, size_t n, off_t o), (fd, b, n, o), fd)
FD_CALL(ssize_t, write, (int fd, const void* b, size_t n), (fd, b, n), fd)
FD_CALL(ssize_t, pwrite, (int fd, const void* b, size_t n, off_t o), (fd, b, n, o), fd)
FD_CALL(int, fsync, (int fd), (fd), fd)
FD_CALL(int, fdatasync, (int fd), (fd), fd)
FD_CALL(int, syncfs, (int fd), (fd), fd)
FD_CALL(int, ftruncate, (int fd, off_t n), (fd, n), fd)
FD_CALL(int, fstat, (int fd, struct stat* s), (fd, s), fd)
FD_CALL(int, futimens, (int fd, const struct timespec t[2]), (fd, t), fd)
FD_CALL(int, flock, (int fd, int op), (fd, op), fd)
FD_CALL(ssize_t, copy_file_range, (int a, off_t* ao, int b, off_t* bo, size_t n, unsigned f),
        (a, ao, b, bo, n, f), a)

/* A listing that fails part way, as a flaky disk's does: the fault comes
 * as the end of the folder with errno set. */
struct dirent* readdir(DIR* dir) {
    REAL(readdir);
    if (watchedFd(dirfd(dir)) && fault()) {
        return NULL;
    }
    return real_readdir(dir);
}
struct dirent64* readdir64(DIR* dir) __attribute__((alias("readdir")));
