// Prints how long verifying one signed answer takes, and its parts, on this
// platform's crypto backend. A benchmark, not a test: it judges nothing.
//   quillmar-signature-benchmark [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "signature/canonical_json.h"
#include "signature/signature_verifier.h"
#include "signature_vectors.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kKeyDigest[] = "164f705ff5cf9f05003517148b52c906668dc1f11a23fe84828f1fec0f1eb34f";
constexpr char kNonce[] = "000102030405060708090a0b0c0d0e0f1011121314151617";

// Results are folded into this so the optimiser cannot drop the work.
std::size_t sink = 0;

template <typename Work>
double microseconds_per_round(int rounds, Work work) {
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < rounds; ++i) work();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (rounds <= 0) {
    std::fprintf(stderr, "usage: quillmar-signature-benchmark [ROUNDS]\n");
    return 2;
  }
  const nlohmann::json answer = nlohmann::json::parse(quillmar::vectors::package_pss_max_json);

  auto built = quillmar::SignatureVerifier::from_key(quillmar::vectors::key_4096_pem, kKeyDigest);
  if (!built) {
    std::fprintf(stderr, "%s\n", built.error().message.c_str());
    return 1;
  }
  const auto verifier = built.value();
  bool all_accepted = true;

  const double build_us = microseconds_per_round(std::max(1, rounds / 10), [] {
    sink += quillmar::SignatureVerifier::from_key(quillmar::vectors::key_4096_pem, kKeyDigest).ok();
  });
  const double parse_us = microseconds_per_round(rounds, [] {
    sink += nlohmann::json::parse(quillmar::vectors::package_pss_max_json).size();
  });
  const double canonical_us = microseconds_per_round(rounds, [&] {
    sink += quillmar::canonical_json_without(answer, {"signature", "sig_alg", "sig_version"}).value().size();
  });
  const double verify_us = microseconds_per_round(rounds, [&] {
    all_accepted = verifier->verify(answer, kNonce, 1893553445).ok() && all_accepted;
  });
  if (!all_accepted) {
    std::fprintf(stderr, "the package vector was refused\n");
    return 1;
  }
  std::printf("answer of %zu bytes, RSA-4096, %d rounds\n", std::string(quillmar::vectors::package_pss_max_json).size(), rounds);
  std::printf("build the verifier from PEM:        %10.1f us\n", build_us);
  std::printf("parse the answer (JSON):            %10.1f us\n", parse_us);
  std::printf("canonical payload:                  %10.1f us\n", canonical_us);
  std::printf("verify one parsed answer (all 13):  %10.1f us\n", verify_us);
  std::printf("(checksum %zu)\n", sink);
  return 0;
}
