#pragma once

#include <httplib.h>
#include <signal.h>

#include <atomic>

namespace quillmar::release_server {

// How both servers listen on loopback and stop on SIGINT or SIGTERM. Signals are
// taken by one thread with sigwait, so stopping is an ordinary call rather than
// work inside a signal handler.
class LoopbackListener {
 public:
  // Blocks the two signals in the calling thread; construct it before any thread
  // starts, so that every thread inherits the mask and none is chosen to die.
  LoopbackListener();

  // Binds SERVER to 127.0.0.1:PORT (0 picks a free port): the port, or -1.
  static int bind(httplib::Server& server, int port);

  // Serves until a stop signal comes; STOPPING is set first, so that answers
  // that wait on purpose can let their threads go.
  void listen_until_stopped(httplib::Server& server, std::atomic<bool>& stopping) const;

 private:
  sigset_t stop_signals_{};
};

}  // namespace quillmar::release_server
