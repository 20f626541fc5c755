#include "unix/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace {

// How long a stop may take before the program ends without cleaning up.
constexpr unsigned kStopGraceSeconds = 1;

int SignalPipe[2] = {-1, -1};
volatile sig_atomic_t StopSignal = 0;  // the first stop signal received, 0 before

void OnSignal(int signal) {
  const int saved = errno;
  if (StopSignal == 0) {
    StopSignal = signal;
    alarm(kStopGraceSeconds);
  }
  const char byte = 1;
  if (write(SignalPipe[1], &byte, 1) < 0) {
    // The pipe is full: a stop is already pending.
  }
  errno = saved;
}

// The stop did not finish in time: shared memory was marked for removal when it was made and
// goes with the process, as do the sound device and the display connection.
void OnStopTimeout(int) { EndBySignal(StopSignal ? StopSignal : SIGTERM); }

}  // namespace

bool CatchStopSignals() {
  if (pipe2(SignalPipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
  action.sa_handler = OnStopTimeout;
  sigaction(SIGALRM, &action, nullptr);
  return true;
}

int StopSignalDescriptor() { return SignalPipe[0]; }

int ReceivedStopSignal() { return StopSignal; }

void CloseStopSignals() {
  for (int& fd : SignalPipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

void EndBySignal(int signal) {
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  _exit(128 + signal);
}

void FillStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int opened = open("/dev/null", O_RDWR);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
}
