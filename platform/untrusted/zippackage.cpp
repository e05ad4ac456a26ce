#include "platform/untrusted/zippackage.h"
#include "platform/errors/seterror.h"

#include "platform/files/regularfile.h"

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillmark::untrusted {

namespace {

std::string ZipErrorText(zip_error_t* err)
{
    std::string text = zip_error_strerror(err);
    zip_error_fini(err);
    return text;
}

} // namespace

// The one source libzip reads the archive from and writes the new archive to: the
// original (a file descriptor or bytes) is never written, the new archive goes to
// the descriptor or string given to Finish.
struct ZipPackage::Backing {
    int inFd = -1; // owned
    std::string_view inBytes;
    zip_uint64_t inSize = 0, inPos = 0;
    bool bNew = false;
    int outFd = -1; // not owned
    std::string* pOutBytes = nullptr;
    zip_uint64_t outPos = 0, outSize = 0;
    bool bCommitted = false;
    zip_error_t error;

    Backing() { zip_error_init(&error); }
    ~Backing()
    {
        if (inFd >= 0) ::close(inFd);
        zip_error_fini(&error);
    }

    zip_int64_t Fail(int zipError, int sysError)
    {
        zip_error_set(&error, zipError, sysError);
        return -1;
    }

    zip_int64_t ReadIn(void* data, zip_uint64_t len)
    {
        const zip_uint64_t n = inPos >= inSize ? 0 : std::min(len, inSize - inPos);
        if (inFd < 0) {
            std::memcpy(data, inBytes.data() + inPos, n);
        } else {
            zip_uint64_t got = 0;
            while (got < n) {
                const ssize_t r = ::pread(inFd, static_cast<char*>(data) + got, n - got,
                                          static_cast<off_t>(inPos + got));
                if (r < 0 && errno == EINTR) continue;
                if (r < 0) return Fail(ZIP_ER_READ, errno);
                if (r == 0) return Fail(ZIP_ER_READ, EIO); // the file shrank under us
                got += static_cast<zip_uint64_t>(r);
            }
        }
        inPos += n;
        return static_cast<zip_int64_t>(n);
    }

    zip_int64_t WriteOut(const void* data, zip_uint64_t len)
    {
        if (pOutBytes) {
            if (pOutBytes->size() < outPos + len) pOutBytes->resize(outPos + len);
            std::memcpy(pOutBytes->data() + outPos, data, len);
        } else {
            zip_uint64_t done = 0;
            while (done < len) {
                const ssize_t w = ::pwrite(outFd, static_cast<const char*>(data) + done, len - done,
                                           static_cast<off_t>(outPos + done));
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) return Fail(ZIP_ER_WRITE, w < 0 ? errno : ENOSPC);
                done += static_cast<zip_uint64_t>(w);
            }
        }
        outPos += len;
        outSize = std::max(outSize, outPos);
        return static_cast<zip_int64_t>(len);
    }

    static zip_int64_t Callback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
    {
        Backing& b = *static_cast<Backing*>(user);
        switch (cmd) {
        case ZIP_SOURCE_OPEN: b.inPos = 0; return 0;
        case ZIP_SOURCE_READ: return b.ReadIn(data, len);
        case ZIP_SOURCE_CLOSE: return 0;
        case ZIP_SOURCE_STAT: {
            zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &b.error);
            if (!st) return -1;
            zip_stat_init(st);
            st->size = b.inSize;
            st->valid |= ZIP_STAT_SIZE;
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR: return zip_error_to_data(&b.error, data, len);
        case ZIP_SOURCE_FREE: return 0; // the package owns the backing
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t at = zip_source_seek_compute_offset(b.inPos, b.inSize, data, len, &b.error);
            if (at < 0) return -1;
            b.inPos = static_cast<zip_uint64_t>(at);
            return 0;
        }
        case ZIP_SOURCE_TELL: return static_cast<zip_int64_t>(b.inPos);
        case ZIP_SOURCE_ACCEPT_EMPTY: return b.bNew ? 1 : 0;
        case ZIP_SOURCE_BEGIN_WRITE:
            if (b.outFd < 0 && !b.pOutBytes) return b.Fail(ZIP_ER_RDONLY, 0);
            b.outPos = b.outSize = 0;
            if (b.pOutBytes) b.pOutBytes->clear();
            return 0;
        case ZIP_SOURCE_WRITE: return b.WriteOut(data, len);
        case ZIP_SOURCE_SEEK_WRITE: {
            const zip_int64_t at = zip_source_seek_compute_offset(b.outPos, b.outSize, data, len, &b.error);
            if (at < 0) return -1;
            b.outPos = static_cast<zip_uint64_t>(at);
            return 0;
        }
        case ZIP_SOURCE_TELL_WRITE: return static_cast<zip_int64_t>(b.outPos);
        case ZIP_SOURCE_COMMIT_WRITE:
            if (b.pOutBytes) b.pOutBytes->resize(b.outSize);
            b.bCommitted = true;
            return 0;
        case ZIP_SOURCE_ROLLBACK_WRITE: return 0;
        case ZIP_SOURCE_REMOVE: // every entry removed: an empty output
            if (b.pOutBytes) b.pOutBytes->clear();
            b.bCommitted = true;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(
                ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
                ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_ACCEPT_EMPTY,
                ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE,
                ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_REMOVE, -1);
        default: return b.Fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }
};

ZipPackage::ZipPackage() : m_pBacking(std::make_unique<Backing>()) {}

ZipPackage::~ZipPackage()
{
    if (m_pArchive) zip_discard(m_pArchive);
    if (m_pSource) zip_source_free(m_pSource);
}

namespace {

// Opens the archive over the package's backing; false (error set) when it is none.
bool OpenArchive(zip_source*& pSource, zip*& pArchive, ZipPackage::Backing* pBacking, bool bNew, std::string* error)
{
    zip_error_t err;
    zip_error_init(&err);
    pSource = zip_source_function_create(&ZipPackage::Backing::Callback, pBacking, &err);
    if (!pSource) {
        SetError(error, ZipErrorText(&err));
        return false;
    }
    pArchive = zip_open_from_source(pSource, bNew ? ZIP_CREATE | ZIP_TRUNCATE : ZIP_CHECKCONS, &err);
    if (!pArchive) {
        SetError(error, "not a zip archive or a damaged one (" + ZipErrorText(&err) + ")");
        return false;
    }
    zip_error_fini(&err);
    // The archive owns the source now; keep it, the package frees it last.
    zip_source_keep(pSource);
    const zip_int64_t entries = zip_get_num_entries(pArchive, 0);
    if (entries < 0 || static_cast<zip_uint64_t>(entries) > ZipPackage::kMaxEntries) {
        SetError(error, "the zip archive lists " + std::to_string(entries) + " entries, more than the " +
                            std::to_string(ZipPackage::kMaxEntries) + " a document may have");
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<ZipPackage> ZipPackage::OpenFile(const std::string& path, std::string* error, bool* pUnreadable)
{
    std::unique_ptr<ZipPackage> pkg(new ZipPackage);
    if (pUnreadable) *pUnreadable = true;
    Backing& b = *pkg->m_pBacking;
    // Only a regular file, opened without blocking: a pipe or a device at the path
    // cannot hold us up.
    struct stat st;
    b.inFd = files::OpenRegularFile(path, error, &st);
    if (b.inFd < 0) return nullptr;
    b.inSize = static_cast<zip_uint64_t>(st.st_size);
    if (pUnreadable) *pUnreadable = false;
    if (!OpenArchive(pkg->m_pSource, pkg->m_pArchive, &b, false, error)) return nullptr;
    return pkg;
}

std::unique_ptr<ZipPackage> ZipPackage::OpenBytes(std::string_view bytes, std::string* error)
{
    std::unique_ptr<ZipPackage> pkg(new ZipPackage);
    Backing& b = *pkg->m_pBacking;
    b.inBytes = bytes;
    b.inSize = bytes.size();
    b.bNew = bytes.empty();
    if (!OpenArchive(pkg->m_pSource, pkg->m_pArchive, &b, b.bNew, error)) return nullptr;
    return pkg;
}

bool ZipPackage::Has(const std::string& name) const
{
    return m_mapPut.count(name) || (m_pArchive && zip_name_locate(m_pArchive, name.c_str(), ZIP_FL_ENC_GUESS) >= 0);
}

std::optional<std::string> ZipPackage::FindNoCase(const std::string& name) const
{
    if (Has(name)) return name;
    const zip_int64_t index = m_pArchive ? zip_name_locate(m_pArchive, name.c_str(), ZIP_FL_NOCASE) : -1;
    const char* stored = index >= 0 ? zip_get_name(m_pArchive, static_cast<zip_uint64_t>(index), 0) : nullptr;
    if (!stored) return std::nullopt;
    return std::string(stored);
}

std::size_t ZipPackage::EntryCount() const
{
    const zip_int64_t n = m_pArchive ? zip_get_num_entries(m_pArchive, 0) : 0;
    return n < 0 ? 0 : static_cast<std::size_t>(n);
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
        SetError(error, name + " is too large to read (" + std::to_string(st.size) + " bytes uncompressed, at most " +
                            std::to_string(limit) + ")");
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(m_pArchive, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        SetError(error, "cannot read " + name + " (" + zip_strerror(m_pArchive) + ")");
        return std::nullopt;
    }
    // Read on to the end (which makes libzip check the CRC), but never past the
    // limit, whatever the entry declared.
    std::string content;
    content.reserve(static_cast<std::size_t>(st.size));
    std::string reason;
    char chunk[16384];
    for (;;) {
        const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
        if (n < 0) {
            reason = zip_file_strerror(file);
            break;
        }
        if (n == 0) break;
        if (content.size() + static_cast<std::size_t>(n) > limit) {
            reason = "it inflates to more than " + std::to_string(limit) + " bytes";
            break;
        }
        content.append(chunk, static_cast<std::size_t>(n));
    }
    zip_fclose(file);
    if (reason.empty() && content.size() != st.size) reason = "its size differs from the one it declares";
    if (!reason.empty()) {
        SetError(error, "cannot read " + name + " (" + reason + ")");
        return std::nullopt;
    }
    return content;
}

bool ZipPackage::Put(const std::string& name, std::string content, bool compress, std::string* error)
{
    auto fail = [&](bool bFreeSource, zip_source_t* src) {
        if (bFreeSource) zip_source_free(src);
        SetError(error, std::string("cannot store ") + name + " (" + zip_strerror(m_pArchive) + ")");
        m_listContents.pop_back();
        return false;
    };
    if (!m_pArchive) {
        SetError(error, "the archive is closed");
        return false;
    }
    const std::string& data = m_listContents.emplace_back(std::move(content));
    zip_source_t* src = zip_source_buffer(m_pArchive, data.data(), data.size(), 0);
    if (!src) return fail(false, nullptr);
    zip_int64_t index = zip_name_locate(m_pArchive, name.c_str(), ZIP_FL_ENC_GUESS);
    if (index >= 0) {
        if (zip_file_replace(m_pArchive, static_cast<zip_uint64_t>(index), src, ZIP_FL_ENC_UTF_8) != 0)
            return fail(true, src);
    } else {
        index = zip_file_add(m_pArchive, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0) return fail(true, src);
    }
    const zip_int32_t method = compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
    if (zip_set_file_compression(m_pArchive, static_cast<zip_uint64_t>(index), method, 0) != 0) {
        // The entry holds the new content already; it stays recorded, stored as libzip chose.
        m_mapPut[name] = &data;
        SetError(error, std::string("cannot store ") + name + " (" + zip_strerror(m_pArchive) + ")");
        return false;
    }
    m_mapPut[name] = &data;
    return true;
}

bool ZipPackage::Close(std::string* error)
{
    if (!m_pArchive) {
        SetError(error, "the archive is closed");
        return false;
    }
    if (zip_close(m_pArchive) != 0) {
        SetError(error, std::string("cannot write the archive (") + zip_strerror(m_pArchive) + ")");
        return false;
    }
    m_pArchive = nullptr;
    Backing& b = *m_pBacking;
    if (b.bCommitted) return true;
    // Nothing changed, so libzip wrote nothing: the new archive is the old one.
    char chunk[65536];
    b.inPos = 0;
    for (;;) {
        const zip_int64_t n = b.ReadIn(chunk, sizeof chunk);
        if (n < 0) {
            SetError(error, std::string("cannot copy the archive (") + zip_error_strerror(&b.error) + ")");
            return false;
        }
        if (n == 0) break;
        if (b.WriteOut(chunk, static_cast<zip_uint64_t>(n)) < 0) {
            SetError(error, std::string("cannot write the archive (") + zip_error_strerror(&b.error) + ")");
            return false;
        }
    }
    return true;
}

bool ZipPackage::FinishInto(int fd, std::string* error)
{
    m_pBacking->outFd = fd;
    m_pBacking->pOutBytes = nullptr;
    return Close(error);
}

std::optional<std::string> ZipPackage::Finish(std::string* error)
{
    std::string bytes;
    m_pBacking->pOutBytes = &bytes;
    const bool bOk = Close(error);
    m_pBacking->pOutBytes = nullptr;
    if (!bOk) return std::nullopt;
    return bytes;
}

} // namespace quillmark::untrusted
