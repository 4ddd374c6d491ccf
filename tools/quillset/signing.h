// Authenticode signatures of whole installers (stub and payload), made and checked by
// osslsigncode. The signature is a PE certificate table at the end of the file, after the form's
// record; the installer reads the payload from the stub's length on and ignores those bytes.
#pragma once
#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qs::tool {

struct SignOptions {
  std::string certificate;  // a PKCS#12 file (.pfx) with the key and its certificates
  std::string passwordFile;
  std::string timestampUrl;
};
// Adds --password-file and --timestamp-url to a command.
void AddSignOptions(CLI::App& cmd, SignOptions& o);

// Signs the installer `in` into `out` (they may be the same); `out` appears only when all went well.
void SignInstaller(const std::string& in, const std::string& out, const SignOptions& o);

// Where the PE header's security directory places the certificate table, when it names one.
struct CertificateTable {
  std::uint64_t offset = 0, size = 0;
};
std::optional<CertificateTable> FindCertificateTable(const std::vector<std::uint8_t>& file);

struct SignatureState {
  bool isSigned = false;
  bool verifies = false;
  bool digestMismatch = false;  // the file was changed after it was signed
  std::string subject;          // the signer's certificate subject
  std::string reason;           // why it does not verify
};
// Asks osslsigncode whether the file's signature verifies; caFile, when given, is the trusted
// certificates file instead of the system's.
SignatureState CheckSignature(const std::string& path, const std::vector<std::uint8_t>& file,
                              const std::string& caFile);
// One line: "none", "signed by ..., verifies", "signed by ..., does not verify: ...".
std::string Describe(const SignatureState& s);

}  // namespace qs::tool
