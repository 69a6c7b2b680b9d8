/* peak_rss COMMAND [ARG...]: runs COMMAND (standard input and output on /dev/null) and prints its
   peak resident memory in KiB; exits 1 when COMMAND fails. Kept tiny on purpose: until it execs, a
   child's peak counts the memory of the process it was forked from. */
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  pid_t child = fork();
  if (child == 0) {
    int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return 1;
  }
  printf("%ld\n", usage.ru_maxrss);
  return 0;
}
