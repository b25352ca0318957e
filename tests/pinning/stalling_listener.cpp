// A loopback listener that misbehaves in one chosen way, for the transport's time
// limits, cancel and pin tests on both builds (the Windows tests reach it from Wine):
//   silent      accepts TCP connections and never says a word, so a TLS handshake
//               never finishes;
//   no-head     completes the TLS handshake with the given key, then records what
//               the client sends and never answers;
//   stall-body  completes the handshake, answers the first request head with a
//               200 head announcing a large body, sends a little of it, then stops.
// Every connection stays open until the client ends it or the process is killed. It prints "port: N"
// once it listens. With --record FILE it appends what each client sent after the
// handshake; with --offered-alpn FILE one line per connection with the protocols
// the client offered ("none" without ALPN); with --closed FILE a line "closed" each
// time a client ends its connection. It speaks h2 when offered it, as an
// HTTP/2-capable server would.

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

namespace {

struct Options {
  std::string mode;
  int port = 0;
  std::string certificate;
  std::string key;
  std::string record;
  std::string offered_alpn;
  std::string closed;
};

std::mutex files_mutex;

void append(const std::string& path, const std::string& text) {
  if (path.empty()) return;
  std::lock_guard<std::mutex> lock(files_mutex);
  std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

int select_protocol(SSL*, const unsigned char** out, unsigned char* out_length, const unsigned char* offered,
                    unsigned int offered_length, void* options) {
  std::string names;
  for (unsigned int at = 0; at < offered_length; at += 1 + offered[at]) {
    if (!names.empty()) names += ',';
    names.append(reinterpret_cast<const char*>(offered + at + 1), offered[at]);
  }
  append(static_cast<const Options*>(options)->offered_alpn, names + "\n");
  static const unsigned char preferred[] = "\x02h2\x08http/1.1";
  unsigned char* chosen = nullptr;
  if (SSL_select_next_proto(&chosen, out_length, preferred, sizeof preferred - 1, offered, offered_length) !=
      OPENSSL_NPN_NEGOTIATED) {
    return SSL_TLSEXT_ERR_NOACK;
  }
  *out = chosen;
  return SSL_TLSEXT_ERR_OK;
}

void serve(SSL_CTX* context, const Options& options, int client) {
  SSL* tls = SSL_new(context);
  SSL_set_fd(tls, client);
  if (SSL_accept(tls) != 1) return;
  const unsigned char* protocol = nullptr;
  unsigned int protocol_length = 0;
  SSL_get0_alpn_selected(tls, &protocol, &protocol_length);
  if (protocol_length == 0) append(options.offered_alpn, "none\n");
  std::string received;
  bool answered = false;
  char buffer[4096];
  int count;
  while ((count = SSL_read(tls, buffer, sizeof buffer)) > 0) {
    append(options.record, std::string(buffer, static_cast<std::size_t>(count)));
    received.append(buffer, static_cast<std::size_t>(count));
    if (options.mode == "stall-body" && !answered && received.find("\r\n\r\n") != std::string::npos) {
      const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n";
      const std::string start = head + std::string(1000, 'Q');
      SSL_write(tls, start.data(), static_cast<int>(start.size()));
      answered = true;
    }
  }
  // Only the client ends a connection; it stays as it is, unanswered, until then.
  append(options.closed, "closed\n");
  for (;;) pause();
}

bool parse(int argc, char** argv, Options& options) {
  for (int at = 1; at + 1 < argc; at += 2) {
    const std::string flag = argv[at];
    const std::string value = argv[at + 1];
    if (flag == "--mode") options.mode = value;
    else if (flag == "--port") options.port = std::stoi(value);
    else if (flag == "--certificate") options.certificate = value;
    else if (flag == "--key") options.key = value;
    else if (flag == "--record") options.record = value;
    else if (flag == "--offered-alpn") options.offered_alpn = value;
    else if (flag == "--closed") options.closed = value;
    else return false;
  }
  if (options.mode == "silent") return true;
  return (options.mode == "no-head" || options.mode == "stall-body") && !options.certificate.empty() &&
         !options.key.empty();
}

}  // namespace

int main(int argc, char** argv) {
  // A client that refuses the key hangs up right after the handshake, while the
  // server may still be writing its session tickets: that must not end the process.
  std::signal(SIGPIPE, SIG_IGN);
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: quillmar-stalling-listener --mode silent|no-head|stall-body [--port N] "
                 "[--certificate PEM --key PEM] [--record FILE] [--offered-alpn FILE] [--closed FILE]\n");
    return 2;
  }
  SSL_CTX* context = nullptr;
  if (options.mode != "silent") {
    context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr || SSL_CTX_use_certificate_chain_file(context, options.certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, options.key.c_str(), SSL_FILETYPE_PEM) != 1) {
      ERR_print_errors_fp(stderr);
      return 1;
    }
    SSL_CTX_set_alpn_select_cb(context, &select_protocol, &options);
  }

  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(options.port));
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("quillmar-stalling-listener");
    return 1;
  }
  std::printf("port: %d\n", ntohs(address.sin_port));
  std::fflush(stdout);

  for (;;) {
    const int client = accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    if (context == nullptr) continue;  // silent: held open, never read
    std::thread(serve, context, std::cref(options), client).detach();
  }
}
