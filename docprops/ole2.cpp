// OLE2 compound files: the SummaryInformation property set, through libgsf. A save
// builds a new compound file with every other storage and stream copied.
#include "docprops/formats.h"
#include "platform/errors/seterror.h"
#include "docprops/propertyset.h"
#include "platform/untrusted/gobjectptr.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-docprop-vector.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-meta-names.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quillmark::docprops {

namespace {

constexpr const char* kSummaryStream = "\005SummaryInformation";

// Where each property lives in the summary information: Author is the document's
// author (PID 4, which libgsf calls dc:creator), not the one who saved it last.
struct OleField {
    const char* gsfName; // as libgsf reads it
    std::uint32_t pid;
    std::string Properties::*member;
    const char* label; // for messages
};
const OleField kFields[] = {
    {GSF_META_NAME_TITLE, kPidTitle, &Properties::title, "Title"},
    {GSF_META_NAME_SUBJECT, kPidSubject, &Properties::subject, "Subject"},
    {GSF_META_NAME_CREATOR, kPidAuthor, &Properties::author, "Author"},
    {GSF_META_NAME_KEYWORDS, kPidKeywords, &Properties::keywords, "Keywords"},
    {GSF_META_NAME_DESCRIPTION, kPidComments, &Properties::comments, "Comments"},
};

using untrusted::GPtr;

void InitGsf()
{
    static const bool s_bDone = [] {
        gsf_init();
        return true;
    }();
    (void)s_bDone;
}

GPtr<GsfInfile> OpenCompound(std::string_view bytes, GPtr<GsfInput>& input, std::string* error)
{
    InitGsf();
    input.reset(gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                     static_cast<gsf_off_t>(bytes.size()), FALSE));
    GError* pError = nullptr;
    GPtr<GsfInfile> infile(input ? gsf_infile_msole_new(input.get(), &pError) : nullptr);
    if (!infile) {
        SetError(error, std::string("it is not an OLE2 compound file or a damaged one") +
                            (pError ? std::string(" (") + pError->message + ")" : std::string()));
        if (pError) g_error_free(pError);
    }
    return infile;
}

// The summary information of `infile` into `meta`; false (error set) when the stream is damaged.
bool ReadSummary(GsfInfile* infile, GsfDocMetaData* meta, std::string* error)
{
    GPtr<GsfInput> stream(gsf_infile_child_by_name(infile, kSummaryStream));
    if (!stream) return true;
    if (GError* pError = gsf_doc_meta_data_read_from_msole(meta, stream.get())) {
        SetError(error, std::string("its summary information cannot be read (") + pError->message + ")");
        g_error_free(pError);
        return false;
    }
    return true;
}

std::string StringOf(GsfDocMetaData* meta, const char* name)
{
    GsfDocProp* prop = gsf_doc_meta_data_lookup(meta, name);
    GValue const* value = prop ? gsf_doc_prop_get_val(prop) : nullptr;
    if (!value) return {};
    if (G_VALUE_HOLDS_STRING(value)) {
        const char* text = g_value_get_string(value);
        return text ? text : "";
    }
    return {};
}

// Copies storage `in` into `out`: its class id and every child, with the root's
// summary information left out (`skipSummary`).
bool CopyStorage(GsfInfile* in, GsfOutfile* out, bool skipSummary, std::string* error)
{
    guint8 clsid[16];
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(in), clsid))
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(out), clsid);
    const int count = gsf_infile_num_children(in);
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(in, i);
        if (!name) continue;
        if (skipSummary && std::strcmp(name, kSummaryStream) == 0) continue;
        GPtr<GsfInput> child(gsf_infile_child_by_index(in, i));
        if (!child) {
            SetError(error, std::string("cannot read the stream ") + name);
            return false;
        }
        const bool bStorage = gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
        GPtr<GsfOutput> target(gsf_outfile_new_child(out, name, bStorage));
        if (!target) {
            SetError(error, std::string("cannot write the stream ") + name);
            return false;
        }
        bool bOk = bStorage ? CopyStorage(GSF_INFILE(child.get()), GSF_OUTFILE(target.get()), false, error)
                            : gsf_input_copy(child.get(), target.get());
        if (!bOk && !bStorage) SetError(error, std::string("cannot copy the stream ") + name);
        if (!gsf_output_close(target.get()) && bOk) {
            SetError(error, std::string("cannot write the stream ") + name);
            bOk = false;
        }
        if (!bOk) return false;
    }
    return true;
}

// A property stored in the summary that libgsf could not read whole (a string too
// long for it, text it cannot decode, a value that is no string) was read as
// empty. It keeps its stored bytes when the new value is that empty one (taken
// out of `values`); a save that would replace it fails, naming it.
bool KeepUnreadable(GsfInfile* infile, const std::string& summary,
                    std::vector<std::pair<std::uint32_t, std::string>>& values, std::string* error)
{
    std::string why;
    const std::optional<std::map<std::uint32_t, StoredString>> stored = StoredStrings(summary, &why);
    if (!stored) {
        SetError(error, "its summary information cannot be read: " + why);
        return false;
    }
    // libgsf is asked only about text it may have read; a value that is no string is
    // unreadable as text whatever it says.
    GPtr<GsfDocMetaData> meta;
    for (const OleField& field : kFields) {
        auto it = stored->find(field.pid);
        const bool bString = it != stored->end() && (it->second.type == kVtString8 || it->second.type == kVtString16);
        if (bString && it->second.bHasText && !meta) {
            meta.reset(gsf_doc_meta_data_new());
            if (!ReadSummary(infile, meta.get(), error)) return false;
        }
    }
    for (const OleField& field : kFields) {
        auto it = stored->find(field.pid);
        if (it == stored->end()) continue;
        const bool bString = it->second.type == kVtString8 || it->second.type == kVtString16;
        if (bString && (!it->second.bHasText || !StringOf(meta.get(), field.gsfName).empty())) continue;
        auto value = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == field.pid; });
        if (value == values.end()) continue;
        if (!value->second.empty()) {
            SetError(error, std::string("its ") + field.label + " property (" +
                                (bString ? std::to_string(it->second.length) + " characters"
                                         : std::string("not text")) +
                                ") cannot be read whole, so it is not replaced");
            return false;
        }
        values.erase(value);
    }
    return true;
}

} // namespace

std::optional<Properties> ReadOle2(std::string_view bytes, std::string* error)
{
    GPtr<GsfInput> input;
    GPtr<GsfInfile> infile = OpenCompound(bytes, input, error);
    if (!infile) return std::nullopt;
    GPtr<GsfDocMetaData> meta(gsf_doc_meta_data_new());
    if (!ReadSummary(infile.get(), meta.get(), error)) return std::nullopt;
    Properties properties;
    for (const OleField& field : kFields) properties.*field.member = StringOf(meta.get(), field.gsfName);
    return properties;
}

std::optional<std::string> WriteOle2(std::string_view bytes, const Properties& properties, std::string* error)
{
    for (const OleField& field : kFields) {
        const std::string& text = properties.*field.member;
        if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
            SetError(error, "a property holds text that is not valid UTF-8");
            return std::nullopt;
        }
    }
    InitGsf();
    GPtr<GsfInput> input;
    GPtr<GsfInfile> infile;
    std::string summary; // the stream as stored; empty when there is none
    if (!bytes.empty()) {
        infile = OpenCompound(bytes, input, error);
        if (!infile) return std::nullopt;
        // A summary information the reader refuses is not rewritten into another one it refuses.
        GPtr<GsfDocMetaData> meta(gsf_doc_meta_data_new());
        if (!ReadSummary(infile.get(), meta.get(), error)) return std::nullopt;
        if (GPtr<GsfInput> stream{gsf_infile_child_by_name(infile.get(), kSummaryStream)}) {
            const gsf_off_t size = gsf_input_size(stream.get());
            summary.resize(static_cast<std::size_t>(size));
            if (size > 0 && !gsf_input_read(stream.get(), static_cast<size_t>(size),
                                            reinterpret_cast<guint8*>(summary.data()))) {
                SetError(error, "its summary information cannot be read");
                return std::nullopt;
            }
        }
    }
    std::vector<std::pair<std::uint32_t, std::string>> values;
    for (const OleField& field : kFields) values.emplace_back(field.pid, properties.*field.member);
    if (!summary.empty() && !KeepUnreadable(infile.get(), summary, values, error)) return std::nullopt;
    std::string why;
    std::optional<std::string> newSummary = ReplaceStringProperties(summary, values, &why);
    if (!newSummary) {
        SetError(error, "its summary information cannot be rewritten: " + why);
        return std::nullopt;
    }

    GPtr<GsfOutput> sink(gsf_output_memory_new());
    GPtr<GsfOutfile> outfile(gsf_outfile_msole_new(sink.get()));
    if (!outfile) {
        SetError(error, "cannot create the compound file");
        return std::nullopt;
    }
    if (infile && !CopyStorage(infile.get(), outfile.get(), true, error)) return std::nullopt;
    GPtr<GsfOutput> stream(gsf_outfile_new_child(outfile.get(), kSummaryStream, FALSE));
    const bool bWritten = stream && gsf_output_write(stream.get(), newSummary->size(),
                                                     reinterpret_cast<const guint8*>(newSummary->data()));
    const bool bClosed = stream && gsf_output_close(stream.get());
    if (!bWritten || !bClosed) {
        SetError(error, "cannot write the summary information");
        return std::nullopt;
    }
    if (!gsf_output_close(GSF_OUTPUT(outfile.get()))) {
        SetError(error, "cannot write the compound file");
        return std::nullopt;
    }
    const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    const gsf_off_t size = gsf_output_size(sink.get());
    return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
}

} // namespace quillmark::docprops
