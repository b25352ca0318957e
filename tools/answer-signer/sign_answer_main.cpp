// quillmar-sign-answer KEY.pem, or quillmar-sign-answer --signing-key pkcs11:URI
// --pkcs11-module MODULE --pin-file FILE: reads one JSON object on standard input
// and writes it signed, as compact JSON and a line feed, on standard output. For
// scripts that need a signed answer by hand; the servers link the library instead.
#include <iostream>
#include <string>

#include "answer_signer.h"
#include "system/json_text.h"

namespace {

constexpr char kUsage[] =
    "usage: quillmar-sign-answer PRIVATE_KEY.pem < answer.json > signed.json\n"
    "       quillmar-sign-answer --signing-key pkcs11:token=…;object=… --pkcs11-module MODULE.so\n"
    "                            --pin-file FILE < answer.json > signed.json\n";

bool parse_arguments(int argc, char** argv, quillmar::SigningKeyLocation& location) {
  if (argc == 2) {
    location.key = argv[1];
    return true;
  }
  if (argc % 2 == 0) return false;
  for (int i = 1; i < argc; i += 2) {
    if (!quillmar::read_signing_key_flag(argv[i], argv[i + 1], location)) return false;
  }
  return !location.key.empty();
}

}  // namespace

int main(int argc, char** argv) {
  quillmar::SigningKeyLocation location;
  if (!parse_arguments(argc, argv, location)) {
    std::cerr << kUsage;
    return 2;
  }
  const auto signer = quillmar::AnswerSigner::open(location);
  if (!signer) {
    std::cerr << "quillmar-sign-answer: " << signer.error().message << "\n";
    return 1;
  }
  const nlohmann::json answer = nlohmann::json::parse(std::cin, nullptr, false);
  if (answer.is_discarded()) {
    std::cerr << "quillmar-sign-answer: standard input is not JSON\n";
    return 1;
  }
  const quillmar::Result<nlohmann::json> signed_answer = signer.value().sign(answer);
  if (!signed_answer) {
    std::cerr << "quillmar-sign-answer: " << signed_answer.error().message << "\n";
    return 1;
  }
  std::cout << quillmar::compact_json(signed_answer.value()) << "\n";
  return std::cout.good() ? 0 : 1;
}
