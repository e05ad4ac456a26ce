// Path fingerprints: the MD5 of the path, in hex. Nettle's MD5 needs no
// library start-up, which matters to a command that answers in milliseconds.
#include "store/fingerprint.h"

#include "store/taggingdatabase.h"

#include <nettle/md5.h>

#include <cstdint>

namespace quillmark {

std::string GetMd5Hex(std::string_view path)
{
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, path.size(), reinterpret_cast<const std::uint8_t*>(path.data()));
    std::uint8_t digest[MD5_DIGEST_SIZE];
    md5_digest(&context, sizeof digest, digest);
    static const char hex[] = "0123456789abcdef";
    std::string text(32, '0');
    for (unsigned int i = 0; i < MD5_DIGEST_SIZE; ++i) {
        text[2 * i] = hex[digest[i] >> 4];
        text[2 * i + 1] = hex[digest[i] & 0x0F];
    }
    return text;
}

std::string TaggingDatabase::GetMd5Hex(const std::string& path) const
{
    return quillmark::GetMd5Hex(path);
}

} // namespace quillmark
