#pragma once
// The records the store's benchmarks use: five tags each, one record in fifty
// tagged "group07", every record tagged "budget", a different date each.
#include <cstdio>
#include <string>
#include <vector>

#include "store/taggingdatabase.h"

namespace quillmark::benchdata {

inline std::string RecordPath(long i)
{
    return "/home/user/Documents/project" + std::to_string(i % 97) + "/report" + std::to_string(i) + ".doc";
}

inline TagList RecordTags(long i)
{
    char group[16];
    std::snprintf(group, sizeof group, "group%02ld", i % 50);
    return {"budget", "Finance " + std::to_string(2000 + i % 30), group, i % 3 ? "draft" : "final",
            "topic-" + std::to_string(i)};
}

// A different last-write date for every record.
inline std::string WriteDate(long i)
{
    char text[32];
    std::snprintf(text, sizeof text, "20%02ld-%02ld-%02ld %02ld:%02ld:%02ld", 10 + i % 17, 1 + i % 12, 1 + i % 28,
                  i % 24, i % 60, (i / 60) % 60);
    return text;
}

// Paths of records spread over the whole database, for lookups.
inline std::vector<std::string> LookupPaths(long records)
{
    std::vector<std::string> paths;
    for (long i = 0; i < 1024; ++i)
        paths.push_back(RecordPath((i * 7919) % records));
    return paths;
}

// The file the formatter writes for these records (read back, it is in its exact form).
inline std::string DatabaseText(long records)
{
    TaggingDatabase hasher;
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<documents>\n";
    for (long i = 0; i < records; ++i) {
        const std::string path = RecordPath(i);
        xml += "  <doc md5=\"" + hasher.GetMd5Hex(path) + "\" path=\"" + path + "\" writedate=\"" + WriteDate(i) +
               "\" createdate=\"2026-11-01 09:00:00\" accessdate=\"2026-12-01 08:30:00\" type=\"doc\">\n";
        for (const std::string& tag : RecordTags(i))
            xml += "    <tag>" + tag + "</tag>\n";
        xml += "  </doc>\n";
    }
    xml += "</documents>\n";
    return xml;
}

} // namespace quillmark::benchdata
