#include "officecore/scriptline.h"

namespace quillmark::officecore {

bool SplitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error)
{
    words.clear();
    std::string word;
    bool bInWord = false; // a word has started (it may be empty: '')
    size_t i = 0;
    const size_t n = line.size();
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < n) {
        char c = line[i];
        if (isBlank(c)) {
            if (bInWord) {
                words.push_back(word);
                word.clear();
                bInWord = false;
            }
            ++i;
        } else if (c == '#' && !bInWord) {
            break;
        } else if (c == '\'') {
            size_t close = line.find('\'', i + 1);
            if (close == std::string::npos) {
                error = "unterminated single quote";
                return false;
            }
            word.append(line, i + 1, close - i - 1);
            bInWord = true;
            i = close + 1;
        } else if (c == '"') {
            bInWord = true;
            ++i;
            bool bClosed = false;
            while (i < n) {
                char d = line[i];
                if (d == '"') {
                    bClosed = true;
                    ++i;
                    break;
                }
                if (d == '\\' && i + 1 < n &&
                    (line[i + 1] == '"' || line[i + 1] == '\\' || line[i + 1] == '$' || line[i + 1] == '`')) {
                    word += line[i + 1];
                    i += 2;
                } else {
                    word += d;
                    ++i;
                }
            }
            if (!bClosed) {
                error = "unterminated double quote";
                return false;
            }
        } else if (c == '\\') {
            if (i + 1 >= n) {
                error = "backslash at the end of the line";
                return false;
            }
            word += line[i + 1];
            bInWord = true;
            i += 2;
        } else {
            word += c;
            bInWord = true;
            ++i;
        }
    }
    if (bInWord) words.push_back(word);
    return true;
}

} // namespace quillmark::officecore
