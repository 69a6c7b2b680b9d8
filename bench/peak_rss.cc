// peak_rss COMMAND [ARG...]: runs COMMAND and writes its peak resident set, in KiB, to standard
// error as the last line "peak_rss_kib=N". Exits with the command's status.
//
// A child's ru_maxrss also counts the memory of the process it was forked from, up to its exec:
// measured from a Python script it would report the interpreter's own 15 MiB for a program that
// uses 5. This launcher is small, so what it reports is the command's own peak.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: peak_rss COMMAND [ARG...]\n");
    return 2;
  }
  const pid_t pid = fork();
  if (pid < 0) return 1;
  if (pid == 0) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) < 0) return 1;
  std::fprintf(stderr, "peak_rss_kib=%ld\n", usage.ru_maxrss);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}
