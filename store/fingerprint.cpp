// Path fingerprints through OpenSSL's EVP digest interface.
#include "store/fingerprint.h"

#include "store/taggingdatabase.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace quillmark {

std::string GetMd5Hex(std::string_view path)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // Only fails when the crypto library offers no MD5 at all (a FIPS-only
    // configuration); no fingerprint can be made then, and an empty one would key
    // every record alike.
    if (EVP_Digest(path.data(), path.size(), digest, &length, EVP_md5(), nullptr) != 1 ||
        length != 16)
        throw std::runtime_error("MD5 is not available from the crypto library");
    static const char hex[] = "0123456789abcdef";
    std::string text(32, '0');
    for (unsigned int i = 0; i < 16; ++i) {
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
