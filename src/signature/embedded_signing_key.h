#pragma once

namespace quillmar {

// The release-signing public key compiled into this installer (PEM, lines ending in
// CR LF) and the SHA-256 of its DER form that it must match, as 64 lowercase hex
// digits. Defined in a file the build generates (embedded_signing_key.cpp.in), on
// its own so that a test build can link a deliberately damaged pair instead.
extern const char kEmbeddedSigningKeyPem[];
extern const char kEmbeddedSigningKeySha256[];

}  // namespace quillmar
