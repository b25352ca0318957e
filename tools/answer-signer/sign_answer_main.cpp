// quillmar-sign-answer KEY.pem: reads one JSON object on standard input and writes
// it signed, as compact JSON and a line feed, on standard output. For scripts that
// need a signed answer by hand; the release server links the library instead.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "answer_signer.h"
#include "system/json_text.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quillmar-sign-answer PRIVATE_KEY.pem < answer.json > signed.json\n";
    return 2;
  }
  std::ifstream key_file(argv[1], std::ios::binary);
  if (!key_file) {
    std::cerr << "quillmar-sign-answer: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string key((std::istreambuf_iterator<char>(key_file)), std::istreambuf_iterator<char>());

  nlohmann::json answer = nlohmann::json::parse(std::cin, nullptr, false);
  if (answer.is_discarded()) {
    std::cerr << "quillmar-sign-answer: standard input is not JSON\n";
    return 1;
  }
  const quillmar::Result<nlohmann::json> signed_answer = quillmar::sign_answer(answer, key);
  if (!signed_answer) {
    std::cerr << "quillmar-sign-answer: " << signed_answer.error().message << "\n";
    return 1;
  }
  std::cout << quillmar::compact_json(signed_answer.value()) << "\n";
  return std::cout.good() ? 0 : 1;
}
