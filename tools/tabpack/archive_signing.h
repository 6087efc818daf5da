// tabpack's signed archives: making a key pair, signing an archive (and one
// that create has just built), and the signature's part in verify and list.
// Each command returns the exit status; its lines go to out, errors to err.
#pragma once

#include "archive_audit.h"
#include "signing_crypto.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Writes PRIVATE (PKCS#8 PEM, readable by its owner only; never replaced),
// PUBLIC (the 64 bytes X||Y) and PUBLIC.reg (the launcher key's value).
int GenerateKeyFiles(const std::string& privateKey, const std::string& publicKey, std::FILE* out,
                     std::FILE* err);

// Writes or replaces the digest table and the signature of a sound
// archive, in a new file beside it that then takes its place.
int SignArchive(const std::string& archive, const std::string& privateKey, std::FILE* out, std::FILE* err);

// For create --sign: writeUnsigned writes the archive to the path it is
// given (beside ARCHIVE), which is then signed into ARCHIVE's place and
// removed, so ARCHIVE never holds an unsigned archive. The key is read
// first: a key that cannot sign leaves ARCHIVE as it was.
bool WriteSignedArchive(const std::string& archive, const std::string& privateKey,
                        const std::function<bool(const std::string&)>& writeUnsigned, std::FILE* err);

// Reads the 64 bytes keygen writes as PUBLIC.
[[nodiscard]] bool ReadPublicKeyFile(const std::string& path, PublicPoint* key, std::string* why);

struct SignatureAudit
{
    std::vector<Finding> Findings;
    std::string Summary; // for a signed archive without refusals: who signed it and what was checked
};

// The signature block, the digest table's place and every digest, and with
// a key the signature; an unsigned archive has nothing to say unless a key
// asks for a signature. file, the archive named archive, is read for the
// table and the contents.
SignatureAudit AuditSignature(const std::string& archive, std::FILE* file, const ArchiveImage& image,
                              const PublicPoint* key);

// The line list adds for a signed archive; nothing for an unsigned one.
void ListSignature(const ArchiveImage& image, std::FILE* out);
