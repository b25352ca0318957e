#include "loopback_listener.h"

#include <sys/socket.h>

#include <chrono>
#include <thread>

namespace quillmar::release_server {

LoopbackListener::LoopbackListener() {
  sigemptyset(&stop_signals_);
  sigaddset(&stop_signals_, SIGINT);
  sigaddset(&stop_signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals_, nullptr);
}

int LoopbackListener::bind(httplib::Server& server, int port) {
  // The library's own default asks for SO_REUSEPORT alone, and the connections a
  // listener leaves in TIME_WAIT then keep any socket without it (nginx's) off the
  // port for a minute, and theirs keep this one off: every program that serves on
  // the installer's port asks for SO_REUSEADDR, so they follow each other at once.
  server.set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  if (port == 0) return server.bind_to_any_port("127.0.0.1");
  return server.bind_to_port("127.0.0.1", port) ? port : -1;
}

void LoopbackListener::listen_until_stopped(httplib::Server& server, std::atomic<bool>& stopping) const {
  std::atomic<bool> listening_ended{false};
  std::thread stopper([&server, &stopping, &listening_ended, signals = stop_signals_] {
    int signal_number = 0;
    sigwait(&signals, &signal_number);
    stopping.store(true);
    // stop() does nothing until the listener runs, and a signal may come before it
    // does: ask until the listener has ended.
    while (!listening_ended.load()) {
      server.stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  server.listen_after_bind();
  // listen_after_bind returns once stop() was called (or listening failed); wake
  // the stopper if it is still waiting for a signal.
  listening_ended.store(true);
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
}

}  // namespace quillmar::release_server
