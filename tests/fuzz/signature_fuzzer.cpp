// A signed archive's layout is read before anything is verified, from
// bytes anyone who can write the share controls: the signature block, the
// key id and the digest table's place must be judged without a fault, and
// the signed bytes handed out only from inside the file.
#include "install/archive_signature.h"
#include "install/signature_verdict.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{
// Touches every byte it is given, so the sanitizers see a read out of bounds.
class Checksum : public ByteSink
{
  public:
    void Add(const uint8_t* bytes, std::size_t length) override
    {
        for (std::size_t i = 0; i < length; ++i)
        {
            sum += bytes[i];
        }
    }
    uint32_t sum = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // As the reader has it: the header zero-filled where the file is shorter.
    std::vector<uint8_t> header(data, data + size);
    header.resize(header.size() < kArchiveHeaderLength ? kArchiveHeaderLength : header.size(), 0);
    SignatureBlock block = {};
    (void)ParseSignatureBlock(header.data(), &block);

    TabHeader fields = {};
    if (CheckTabHeader(header.data(), size, &fields) != HeaderVerdict::Sound || size < fields.HeaderSize)
    {
        return 0;
    }
    // The signer's own id, as the configured key would have it, so inputs
    // reach the table's checks.
    const SignatureVerdict verdict = CheckSignedLayout(data, fields.HeaderSize, size, block.KeyId, &block);
    if (verdict.Refusal == SignatureRefusal::None)
    {
        Checksum sink;
        FeedSignedBytes(data, fields.HeaderSize, data + block.DigestTableOffset,
                        static_cast<std::size_t>(DigestTableLength(fields.HeaderSize)), sink);
    }
    return 0;
}
