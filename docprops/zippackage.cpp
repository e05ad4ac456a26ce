#include "docprops/zippackage.h"

#include <zip.h>

#include <cstdlib>
#include <cstring>

namespace quillmark::docprops {

namespace {

void SetError(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
}

std::string ZipErrorText(zip_error_t* err)
{
    std::string text = zip_error_strerror(err);
    zip_error_fini(err);
    return text;
}

} // namespace

std::unique_ptr<ZipPackage> ZipPackage::Open(std::string_view bytes, std::string* error)
{
    std::unique_ptr<ZipPackage> pkg(new ZipPackage);
    zip_error_t err;
    zip_error_init(&err);
    // libzip owns the buffer (and frees it with free()) once it writes the new archive into the source.
    void* pData = bytes.empty() ? nullptr : std::malloc(bytes.size());
    if (pData) std::memcpy(pData, bytes.data(), bytes.size());
    if (!bytes.empty() && !pData) {
        SetError(error, "out of memory");
        return nullptr;
    }
    pkg->m_pSource = zip_source_buffer_create(pData, bytes.size(), 1, &err);
    if (!pkg->m_pSource) {
        std::free(pData);
        SetError(error, ZipErrorText(&err));
        return nullptr;
    }
    const int flags = bytes.empty() ? ZIP_CREATE : ZIP_CHECKCONS;
    pkg->m_pArchive = zip_open_from_source(pkg->m_pSource, flags, &err);
    if (!pkg->m_pArchive) {
        SetError(error, "not a zip archive or a damaged one (" + ZipErrorText(&err) + ")");
        return nullptr;
    }
    // The archive owns the source now; keep it past zip_close to read the written archive.
    zip_source_keep(pkg->m_pSource);
    return pkg;
}

ZipPackage::~ZipPackage()
{
    if (m_pArchive) zip_discard(m_pArchive);
    if (m_pSource) zip_source_free(m_pSource);
}

bool ZipPackage::Has(const std::string& name) const
{
    return m_pArchive && zip_name_locate(m_pArchive, name.c_str(), ZIP_FL_ENC_GUESS) >= 0;
}

std::optional<std::string> ZipPackage::Read(const std::string& name, std::string* error, std::size_t limit) const
{
    if (auto it = m_mapPut.find(name); it != m_mapPut.end()) return *it->second;
    const zip_int64_t index = m_pArchive ? zip_name_locate(m_pArchive, name.c_str(), ZIP_FL_ENC_GUESS) : -1;
    if (index < 0) {
        SetError(error, "it has no " + name);
        return std::nullopt;
    }
    zip_stat_t st;
    if (zip_stat_index(m_pArchive, static_cast<zip_uint64_t>(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
        SetError(error, "cannot examine " + name + " (" + zip_strerror(m_pArchive) + ")");
        return std::nullopt;
    }
    if (st.size > limit) {
        SetError(error, name + " is too large (" + std::to_string(st.size) + " bytes)");
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(m_pArchive, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        SetError(error, "cannot read " + name + " (" + zip_strerror(m_pArchive) + ")");
        return std::nullopt;
    }
    std::string content(static_cast<std::size_t>(st.size), '\0');
    std::size_t got = 0;
    bool bOk = true;
    while (got < content.size()) {
        const zip_int64_t n = zip_fread(file, content.data() + got, content.size() - got);
        if (n <= 0) {
            bOk = false;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    // Reading on to the end makes libzip check the CRC.
    char extra;
    if (bOk && zip_fread(file, &extra, 1) != 0) bOk = false;
    std::string reason = bOk ? std::string() : zip_file_strerror(file);
    zip_fclose(file);
    if (!bOk) {
        SetError(error, "cannot read " + name + " (" + (reason.empty() ? "truncated" : reason) + ")");
        return std::nullopt;
    }
    return content;
}

bool ZipPackage::Put(const std::string& name, std::string content, bool compress, std::string* error)
{
    // The content lives in the list as long as the archive may read it; it becomes what
    // Read returns only once the archive has taken it.
    const std::string& data = m_listContents.emplace_back(std::move(content));
    auto fail = [&](zip_source_t* src) {
        if (src) zip_source_free(src);
        SetError(error, std::string("cannot store ") + name + " (" + zip_strerror(m_pArchive) + ")");
        m_listContents.pop_back();
        return false;
    };
    zip_source_t* src = zip_source_buffer(m_pArchive, data.data(), data.size(), 0);
    if (!src) return fail(nullptr);
    zip_int64_t index = zip_name_locate(m_pArchive, name.c_str(), ZIP_FL_ENC_GUESS);
    if (index >= 0) {
        if (zip_file_replace(m_pArchive, static_cast<zip_uint64_t>(index), src, ZIP_FL_ENC_UTF_8) != 0) index = -1;
    } else {
        index = zip_file_add(m_pArchive, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    }
    if (index < 0) return fail(src);
    // From here the archive owns the source and refers to the content.
    const zip_int32_t method = compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
    if (zip_set_file_compression(m_pArchive, static_cast<zip_uint64_t>(index), method, 0) != 0) {
        SetError(error, std::string("cannot store ") + name + " (" + zip_strerror(m_pArchive) + ")");
        m_mapPut[name] = &data;
        return false;
    }
    m_mapPut[name] = &data;
    return true;
}

std::optional<std::string> ZipPackage::Finish(std::string* error)
{
    if (!m_pArchive) {
        SetError(error, "the archive is closed");
        return std::nullopt;
    }
    if (zip_close(m_pArchive) != 0) {
        SetError(error, std::string("cannot write the archive (") + zip_strerror(m_pArchive) + ")");
        return std::nullopt;
    }
    m_pArchive = nullptr;
    // The buffer source now holds the archive as written.
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(m_pSource, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || zip_source_open(m_pSource) != 0) {
        SetError(error, "cannot read the written archive back");
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(st.size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const zip_int64_t n = zip_source_read(m_pSource, bytes.data() + got, bytes.size() - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    zip_source_close(m_pSource);
    if (got != bytes.size()) {
        SetError(error, "cannot read the written archive back");
        return std::nullopt;
    }
    return bytes;
}

} // namespace quillmark::docprops
