/* The least a sweep can do, for bench/sweep_benchmark.sh to set Brindlet
 * against: the system calls a safe repair of each sheet cannot do without,
 * and nothing else (no parsing beyond finding the FILE names, no new form:
 * the sheet's own bytes are written back).
 *
 *   floor first FOLDER   per sheet: read it, stat its images, write the new
 *                        file beside it, link the sheet to <sheet>.bak and
 *                        rename the new file over the sheet. A rename over
 *                        an existing file makes ext4 start writing the new
 *                        file's data at once, which plain copies never pay.
 *   floor kept FOLDER    first, plus the calls with which a repair keeps a
 *                        sheet safe and whole: a lock on the sheet, a look
 *                        at its name before the rename (still the file
 *                        read?), the new file's owner and mode, both
 *                        files' attribute lists, and the backup linked
 *                        from the open sheet itself (by its descriptor, or
 *                        else /proc/self/fd), not from a name that may
 *                        have moved on. What is left between it and
 *                        Brindlet is the repair's own work.
 *   floor again FOLDER   per sheet: read it and its backup, stat its images,
 *                        compare; nothing is written.
 *
 * The folders walked are a sweep's: FOLDER, its parent, and every folder
 * one level below FOLDER. Exits 1 at the first failure.
 * Build: cc -O2 -o floor floor.c
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

static int again, kept;

static void Fail(const char* what, const char* name) {
  fprintf(stderr, "floor: %s %s failed\n", what, name);
  exit(1);
}

/* Reads the whole file name in folder fd into a new buffer; sets *size.
 * With held, the file is locked and left open there. */
static char* ReadAll(int folder, const char* name, size_t* size, int* held) {
  int fd = openat(folder, name, (held ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) Fail("open", name);
  if (held && flock(fd, LOCK_EX | LOCK_NB) != 0) Fail("lock", name);
  /* One read for the size fstat gave, as a sheet nobody writes meanwhile has. */
  char* data = malloc(st.st_size + 1);
  size_t done = 0;
  ssize_t got = 1;
  while (done < (size_t)st.st_size && (got = read(fd, data + done, st.st_size - done)) > 0) {
    done += got;
  }
  if (got < 0) Fail("read", name);
  if (held) {
    *held = fd;
  } else {
    close(fd);
  }
  *size = done;
  return data;
}

/* Stats the file each FILE line names, taken as a bare name in folder fd. */
static void StatImages(int folder, const char* data, size_t size) {
  const char* end = data + size;
  for (const char* line = data; line < end;) {
    const char* next = memchr(line, '\n', end - line);
    next = next ? next + 1 : end;
    const char* p = line;
    while (p < next && (*p == ' ' || *p == '\t')) p++;
    if (next - p > 6 && strncasecmp(p, "FILE \"", 6) == 0) {
      const char* name = p + 6;
      const char* close = memchr(name, '"', next - name);
      if (close) {
        for (const char* c = name; c < close; c++) {
          if (*c == '/' || *c == '\\') name = c + 1;
        }
        char image[4096];
        snprintf(image, sizeof image, "%.*s", (int)(close - name), name);
        struct stat st;
        fstatat(folder, image, &st, AT_SYMLINK_NOFOLLOW);
      }
    }
    line = next;
  }
}

static void RepairSheet(int folder, const char* sheet) {
  char backup[NAME_MAX + 16], fresh[NAME_MAX + 16];
  snprintf(backup, sizeof backup, "%s.bak", sheet);
  size_t size;
  int held = -1;
  char* data = ReadAll(folder, sheet, &size, kept ? &held : NULL);
  StatImages(folder, data, size);
  if (again) {
    size_t backupSize;
    char* old = ReadAll(folder, backup, &backupSize, NULL);
    volatile int same = backupSize == size && memcmp(old, data, size) == 0;
    (void)same;
    free(old);
  } else {
    snprintf(fresh, sizeof fresh, "%s.brindlet-new", sheet);
    int fd = openat(folder, fresh, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, data, size) != (ssize_t)size) Fail("write", fresh);
    if (!kept && close(fd) != 0) Fail("write", fresh);
    if (kept) {
      struct stat now, made;
      char self[64];
      snprintf(self, sizeof self, "/proc/self/fd/%d", held);
      if (fstatat(folder, sheet, &now, AT_SYMLINK_NOFOLLOW) != 0 || fstat(fd, &made) != 0 ||
          flistxattr(held, NULL, 0) < 0 || flistxattr(fd, NULL, 0) < 0 ||
          (linkat(held, "", folder, backup, AT_EMPTY_PATH) != 0 &&
           linkat(AT_FDCWD, self, folder, backup, AT_SYMLINK_FOLLOW) != 0)) {
        Fail("keep", sheet);
      }
    } else if (linkat(folder, sheet, folder, backup, 0) != 0) {
      Fail("link", backup);
    }
    if (renameat(folder, fresh, folder, sheet) != 0) Fail("rename", fresh);
    if (kept) {
      close(fd);
      close(held);
    }
  }
  free(data);
}

/* Repairs every *.cue (any case) in the folder. */
static void SweepFolder(const char* path) {
  int folder = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  DIR* listing = fdopendir(dup(folder));
  if (!listing) Fail("list", path);
  struct dirent* entry;
  while ((entry = readdir(listing)) != NULL) {
    size_t length = strlen(entry->d_name);
    if (length > 4 && strcasecmp(entry->d_name + length - 4, ".cue") == 0 &&
        (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN)) {
      RepairSheet(folder, entry->d_name);
    }
  }
  closedir(listing);
  close(folder);
}

int main(int argc, char** argv) {
  if (argc != 3 || (strcmp(argv[1], "first") != 0 && strcmp(argv[1], "kept") != 0 &&
                    strcmp(argv[1], "again") != 0)) {
    fprintf(stderr, "usage: floor first|kept|again FOLDER\n");
    return 2;
  }
  again = strcmp(argv[1], "again") == 0;
  kept = strcmp(argv[1], "kept") == 0;
  const char* top = argv[2];
  char path[8192];
  DIR* listing = opendir(top);
  if (!listing) Fail("list", top);
  struct dirent* entry;
  while ((entry = readdir(listing)) != NULL) {
    if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
    snprintf(path, sizeof path, "%s/%s", top, entry->d_name);
    SweepFolder(path);
  }
  closedir(listing);
  return 0;
}
