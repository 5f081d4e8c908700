// Signing through osslsigncode: Authenticode signatures for the setup file and the programs it
// carries, made on a Linux build server as signtool makes them on Windows.
//
// The signer appends its certificate table after the last record and names it in the image's PE
// headers (the walk starts there: archive/signature.h); it also sets the PE checksum, which the
// packer leaves for it.
#pragma once

#include <filesystem>
#include <stdexcept>

namespace quenlo::packer {

// The signing tool is missing, or it refused the certificate, the key or the file. The message
// says which, with the tool's own words, in the console's encoding.
class SigningError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SigningKey {
  std::filesystem::path certificate;  // the certificate chain (PEM or DER; SPC accepted)
  std::filesystem::path key;          // its private key, unencrypted (PEM or DER)
};

// Writes a signed copy of the program `in` to `out` (SHA-256 digest), replacing `out`. Throws
// SigningError.
void SignProgram(const SigningKey& key, const std::filesystem::path& in,
                 const std::filesystem::path& out);

}  // namespace quenlo::packer
