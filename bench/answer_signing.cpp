// Prints how many package answers one core signs a second with the release-signing
// key in a PEM file and with a key in a PKCS#11 token, side by side. Run through
// bench/answer-signing-run, which makes the token; by hand:
//
//   quillmar-answer-signing-benchmark KEY.pem pkcs11:URI MODULE PIN_FILE [SECONDS]
#include <chrono>
#include <cstdio>
#include <string>

#include "answer_signer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Rate {
  int answers = 0;
  double seconds = 0;
};

// Signs the same answer for SECONDS, as a signing replica does for each request:
// the canonical form, the signature and the Base64 all count.
Rate measure(const quillmar::AnswerSigner& signer, double seconds) {
  const nlohmann::json answer = {
      {"schema", "quillmar-installer-authorize-v1"}, {"platform", "windows_x86_64"}, {"version", "1.5.13"},
      {"filename", "quillmar-setup-1.5.13.exe"}, {"size_bytes", 48234496}, {"sha256", std::string(64, 'c')},
      {"download_url", "https://releases.quillmar.example/api/v1/installer/download/" + std::string(64, 'c') +
                           "/quillmar-setup-1.5.13.exe"},
      {"nonce", std::string(48, 'a')}, {"server_time", "2030-01-02T03:04:05Z"},
      {"issuer", {{"environment", "production"}, {"signing_key_sha256", signer.key_sha256()}}}};
  Rate rate;
  const Clock::time_point start = Clock::now();
  do {
    if (!signer.sign(answer)) {
      std::fprintf(stderr, "signing failed\n");
      return {};
    }
    ++rate.answers;
    rate.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  } while (rate.seconds < seconds);
  return rate;
}

void print(const char* name, const Rate& rate) {
  std::printf("%-12s %8.1f answers/s  %7.2f ms each  (%d in %.1f s)\n", name, rate.answers / rate.seconds,
              1000 * rate.seconds / rate.answers, rate.answers, rate.seconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: quillmar-answer-signing-benchmark KEY.pem pkcs11:URI MODULE PIN_FILE [SECONDS]\n");
    return 2;
  }
  const double seconds = argc == 6 ? std::stod(argv[5]) : 3.0;
  const auto pem = quillmar::AnswerSigner::open({argv[1], {}, {}});
  const auto token = quillmar::AnswerSigner::open({argv[2], argv[3], argv[4]});
  for (const auto* signer : {&pem, &token}) {
    if (!*signer) {
      std::fprintf(stderr, "%s\n", signer->error().message.c_str());
      return 1;
    }
  }
  print("PEM key", measure(pem.value(), seconds));
  print("token key", measure(token.value(), seconds));
  return 0;
}
