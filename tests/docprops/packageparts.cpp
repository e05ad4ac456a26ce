#include "tests/docprops/packageparts.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <zip.h>

#include <stdexcept>

namespace quillmark::test {

namespace {

std::string ReadAll(zip_file_t* file, std::uint64_t size)
{
    std::string data(size, '\0');
    std::uint64_t got = 0;
    while (got < size) {
        zip_int64_t n = zip_fread(file, data.data() + got, size - got);
        if (n <= 0) throw std::runtime_error("cannot read a zip entry");
        got += static_cast<std::uint64_t>(n);
    }
    return data;
}

void CollectStreams(GsfInfile* in, const std::string& prefix, std::map<std::string, std::string>& out)
{
    for (int i = 0; i < gsf_infile_num_children(in); ++i) {
        GsfInput* child = gsf_infile_child_by_index(in, i);
        const std::string name = prefix + gsf_infile_name_by_index(in, i);
        if (gsf_infile_num_children(GSF_INFILE(child)) >= 0) {
            CollectStreams(GSF_INFILE(child), name + "/", out);
        } else {
            std::string data(static_cast<std::size_t>(gsf_input_size(child)), '\0');
            if (!data.empty()) gsf_input_read(child, data.size(), reinterpret_cast<guint8*>(data.data()));
            out[name] = data;
        }
        g_object_unref(child);
    }
}

} // namespace

std::map<std::string, StoredEntry> ZipEntries(const std::string& path, std::vector<std::string>* order)
{
    int err = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!archive) throw std::runtime_error("not a zip archive: " + path);
    std::map<std::string, StoredEntry> entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), ZIP_FL_COMPRESSED);
        StoredEntry entry{st.crc, st.comp_method, ReadAll(file, st.comp_size)};
        zip_fclose(file);
        entries[st.name] = entry;
        if (order) order->push_back(st.name);
    }
    zip_discard(archive);
    return entries;
}

std::string ZipEntryText(const std::string& path, const std::string& name)
{
    int err = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!archive) throw std::runtime_error("not a zip archive: " + path);
    std::string text;
    zip_stat_t st;
    if (zip_stat(archive, name.c_str(), 0, &st) == 0) {
        zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
        text = ReadAll(file, st.size);
        zip_fclose(file);
    }
    zip_discard(archive);
    return text;
}

void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries,
              const std::vector<std::string>& stored)
{
    int err = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!archive) throw std::runtime_error("cannot create " + path);
    for (const auto& [name, content] : entries) {
        zip_source_t* src = zip_source_buffer(archive, content.data(), content.size(), 0);
        zip_int64_t index = zip_file_add(archive, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        bool bStored = false;
        for (const std::string& s : stored) bStored = bStored || s == name;
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), bStored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    if (zip_close(archive) != 0) throw std::runtime_error("cannot write " + path);
}

std::map<std::string, std::string> Ole2Streams(const std::string& path)
{
    gsf_init();
    GError* error = nullptr;
    GsfInput* input = gsf_input_stdio_new(path.c_str(), &error);
    GsfInfile* infile = input ? gsf_infile_msole_new(input, &error) : nullptr;
    if (!infile) throw std::runtime_error("not an OLE2 file: " + path);
    std::map<std::string, std::string> streams;
    CollectStreams(infile, "", streams);
    g_object_unref(infile);
    g_object_unref(input);
    return streams;
}

void WriteOle2(const std::string& path, const std::map<std::string, std::string>& streams)
{
    gsf_init();
    GError* error = nullptr;
    GsfOutput* output = gsf_output_stdio_new(path.c_str(), &error);
    GsfOutfile* root = gsf_outfile_msole_new(output);
    std::map<std::string, GsfOutfile*> storages;
    for (const auto& [name, content] : streams) {
        GsfOutfile* parent = root;
        const size_t slash = name.find('/');
        if (slash != std::string::npos) {
            const std::string storage = name.substr(0, slash);
            if (!storages.count(storage))
                storages[storage] = GSF_OUTFILE(gsf_outfile_new_child(root, storage.c_str(), TRUE));
            parent = storages[storage];
        }
        const std::string leaf = slash == std::string::npos ? name : name.substr(slash + 1);
        GsfOutput* stream = gsf_outfile_new_child(parent, leaf.c_str(), FALSE);
        gsf_output_write(stream, content.size(), reinterpret_cast<const guint8*>(content.data()));
        gsf_output_close(stream);
        g_object_unref(stream);
    }
    for (auto& [name, storage] : storages) {
        gsf_output_close(GSF_OUTPUT(storage));
        g_object_unref(storage);
    }
    gsf_output_close(GSF_OUTPUT(root));
    g_object_unref(root);
    g_object_unref(output);
}

} // namespace quillmark::test
