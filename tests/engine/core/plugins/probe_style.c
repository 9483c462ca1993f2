/*
 * A style plug-in that tries what a hostile one would, for the tests of the
 * style helper's sandbox. Its text is a file path; it draws an 8 x 1
 * picture, one pixel per attempt, grey 255 where the attempt succeeded and
 * grey 100 where it was refused:
 *
 *   0  socket(AF_INET, SOCK_STREAM)      4  fork()
 *   1  socket(AF_UNIX, SOCK_STREAM)      5  creating the file at the path
 *   2  kill(getppid(), 0)                6  creating a file under $TMPDIR
 *   3  reading the editor's memory      7  kill(getpid(), 0)
 *      (process_vm_readv)
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include "glyphon/style_plugin.h"

static int made_file(const char* path) {
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return 0;
  close(fd);
  unlink(path);
  return 1;
}

static int opened_socket(int domain) {
  const int fd = socket(domain, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  close(fd);
  return 1;
}

static int forked(void) {
  const pid_t child = fork();
  if (child < 0) return 0;
  if (child == 0) _exit(0);
  waitpid(child, NULL, 0);
  return 1;
}

GLYPHON_PLUGIN_EXPORT int32_t a00001(const char* date_digits, int32_t style_font, const char* text,
                                     GlyphonBitmap* bitmap) {
  int results[8];
  char temp_file[4096];
  const char* temp = getenv("TMPDIR");
  int i;
  (void)date_digits;
  (void)style_font;
  snprintf(temp_file, sizeof temp_file, "%s/probe", temp != NULL ? temp : "/tmp");
  results[0] = opened_socket(AF_INET);
  results[1] = opened_socket(AF_UNIX);
  results[2] = kill(getppid(), 0) == 0;
  {
    char byte = 0;
    struct iovec local, remote;
    local.iov_base = &byte;
    local.iov_len = 1;
    remote = local;
    /* Refused is EPERM; any other answer means the call was made. */
    results[3] = process_vm_readv(getppid(), &local, 1, &remote, 1, 0) >= 0 || errno != EPERM;
  }
  results[4] = forked();
  results[5] = made_file(text);
  results[6] = made_file(temp_file);
  results[7] = kill(getpid(), 0) == 0;
  if (bitmap->resize(bitmap, 8, 1) != 0) return 1;
  for (i = 0; i < 8; ++i) memset(bitmap->pixels + 3 * i, results[i] ? 255 : 100, 3);
  return 0;
}
